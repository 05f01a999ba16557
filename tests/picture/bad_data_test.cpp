// Bad data, file by file: every file the picture reads is missing, empty, cut short, random,
// wrong in its magic or of the wrong kind, and the banks' indexes and header values are
// damaged. Start-up and two new paintings must run for each; only a parameter file that cannot
// be read stops the picture. For each damaged record, what stands in is checked, and a record
// that is not used is named in a message.
#include <filesystem>
#include <functional>
#include <optional>
#include <random>

#include "gfx/texture.h"
#include "picture/program_set.h"
#include "tests/picture/picture_fixture.h"

namespace {

using Bytes = testimg::Bytes;

// One way of damaging a file's bytes; `other` is a valid file of another kind. nullopt: the
// file is left out.
struct Damage {
    const char* name;
    std::function<std::optional<Bytes>(const Bytes& bytes, const Bytes& other)> apply;
};

Bytes cut(const Bytes& b, size_t n) {
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min(n, b.size())));
}

const std::vector<Damage>& damages() {
    static const std::vector<Damage> all = {
        {"missing", [](const Bytes&, const Bytes&) { return std::optional<Bytes>(); }},
        {"empty", [](const Bytes&, const Bytes&) { return std::optional<Bytes>(Bytes{}); }},
        {"cut to 4", [](const Bytes& b, const Bytes&) { return std::optional(cut(b, 4)); }},
        {"cut to 40", [](const Bytes& b, const Bytes&) { return std::optional(cut(b, 40)); }},
        {"cut to half",
         [](const Bytes& b, const Bytes&) { return std::optional(cut(b, b.size() / 2)); }},
        {"random bytes",
         [](const Bytes& b, const Bytes&) {
             std::mt19937 random(static_cast<uint32_t>(b.size()));
             Bytes r(b.size());
             for (unsigned char& c : r) c = static_cast<unsigned char>(random());
             return std::optional(r);
         }},
        {"wrong magic",
         [](const Bytes& b, const Bytes&) {
             Bytes r = b;
             for (size_t i = 0; i < std::min<size_t>(4, r.size()); ++i) r[i] ^= 0x5A;
             return std::optional(r);
         }},
        {"wrong kind", [](const Bytes&, const Bytes& other) { return std::optional(other); }},
    };
    return all;
}

class BadData : public picture_test::PictureTest {
  protected:
    void SetUp() override {
        PictureTest::SetUp();
        settings.delay = 0;  // a new painting every few frames
        settings.speed = 2000;
    }

    void fresh_picture(const std::string& hdr) {
        std::filesystem::remove_all(root + "/data");
        write_picture(hdr);
    }

    // Start-up and two new paintings at 64 x 48. `may_refuse`: the damage may take the
    // parameter file away, which ends the run before any painting. `check` looks at the
    // picture after the paintings and at the messages.
    void run_case(const std::string& what, bool may_refuse,
                  const std::function<void(const std::string&)>& check = {}) {
        SCOPED_TRACE(what);
        testing::internal::CaptureStderr();
        const picture::StartResult result = start(64, 48);
        if (result == picture::StartResult::started) {
            int paintings = 0;
            for (int frame = 0; frame < 40 && paintings < 2; ++frame) {
                step();
                paintings += current().timeline.new_painting ? 1 : 0;
            }
            EXPECT_EQ(paintings, 2);
        } else {
            EXPECT_TRUE(may_refuse);
            EXPECT_EQ(result, picture::StartResult::no_parameters);
        }
        const std::string messages = testing::internal::GetCapturedStderr();
        if (check) check(messages);
        stop();
    }
    // What stands in for a damaged record `key`: nothing for the parameter file (the picture is
    // refused), an empty grain or signature image, the neighbouring image of a bank, no program,
    // or the previous plan's form generator. A record that is not used is named in a message,
    // except an empty program record (which sends the reader to a plain file that is absent).
    void check_stand_in(const std::string& key, const Damage& damage, const std::string& messages) {
        if (key.ends_with("/formgen.bsf")) return;  // read only without formgen.0.bsf
        const bool named = messages.find(key) != std::string::npos;
        const bool cut = std::string(damage.name).starts_with("cut to ");  // may still decode
        picture::Picture* p = running.get();
        const size_t formgen = key.find("formgen.");
        if (key.ends_with(".hdr")) {
            EXPECT_TRUE(p || named) << messages;
        } else if (key.ends_with(".jpg") || key.ends_with(".tga")) {
            const Texture* image = key.ends_with(".jpg") ? p->grain : p->signature;
            EXPECT_TRUE(cut || image->width() == 0);
            EXPECT_TRUE(image->width() > 0 || named) << messages;
        } else if (key == "image2") {
            for (int i = 0; i < p->plan_count(); ++i)
                EXPECT_GT(p->plans[i]->incoming_colour()->width(), 0) << i;
        } else if (key == "image1") {
            EXPECT_GT(p->pair1_current->width(), 0);
            EXPECT_GT(p->pair2_current->width(), 0);
        } else if (formgen != std::string::npos && key.size() == formgen + 13) {
            const int i = key[formgen + 8] - '0';
            EXPECT_TRUE(i == 0 ? picture::usable(p->programs.formgen[0])
                               : p->programs.formgen[i] == p->programs.formgen[i - 1]);
        } else {
            const std::string file = key.substr(key.rfind('/') + 1);
            EXPECT_EQ(picture::load_named_program(p->device, p->data, "Farmeadow", file), nullptr);
            EXPECT_TRUE(std::string(damage.name) == "empty" || named) << messages;
        }
    }
    // Each damage applied to each record (bank, key) in turn.
    void damage_records(const std::vector<std::pair<std::string, std::string>>& records) {
        const Bytes program =
            picture_test::make_program(picture_test::program_names().at("color.bsf"));
        const Bytes jpeg = picture_test::striped_jpeg(1, 16, 16, 3);
        for (const auto& [bank, key] : records) {
            for (const Damage& damage : damages()) {
                edit_files = [&](const std::string& b, std::vector<loading::PackedFile>& files) {
                    if (b != bank) return;
                    for (auto it = files.begin(); it != files.end(); ++it) {
                        if (it->key != key) continue;
                        const std::optional<Bytes> bytes =
                            damage.apply(it->bytes, key.ends_with(".bsf") ? jpeg : program);
                        if (!bytes) {
                            files.erase(it);
                        } else {
                            it->bytes = *bytes;
                            it->empty_value = bytes->empty();
                        }
                        return;
                    }
                };
                fresh_picture("PLANS=3 BGCOLOR=1 SILHOUETTE=1 FLTR1=1 FLTR2=1 FLTRFORM=1");
                run_case(bank + " " + key + ": " + damage.name, key.ends_with(".hdr"),
                         [&](const std::string& m) { check_stand_in(key, damage, m); });
            }
        }
    }
};

TEST_F(BadData, TheParameterFileGrainSignatureAndImages) {
    damage_records({{"Base3", "data/shaders/Farmeadow/Farmeadow.hdr"},
                    {"Base3", "data/shaders/oil3.jpg"},
                    {"Base3", "data/shaders/sig3.tga"},
                    {"Base1", "image2"},
                    {"Base4", "image1"}});
}

TEST_F(BadData, EveryProgram) {
    std::vector<std::pair<std::string, std::string>> records;
    for (const auto& [name, names] : picture_test::program_names())
        records.push_back({"Base3", "data/shaders/Farmeadow/" + name});
    for (int i = 0; i < 3; ++i)
        records.push_back(
            {"Base3", "data/shaders/Farmeadow/formgen." + std::to_string(i) + ".bsf"});
    damage_records(records);
}

// The banks' own files: header, "Main" and "Bank.0" of each folder, damaged on disk, and
// damaged index entries and header values.
TEST_F(BadData, EveryFileOfEveryBank) {
    const std::string picture_hdr = "PLANS=3 BGCOLOR=2 SILHOUETTE=1";
    for (const char* bank_name : {"Base1", "Base3", "Base4"}) {
        const std::string bank = bank_name;
        for (const std::string& file : {bank, std::string("Main"), std::string("Bank.0")}) {
            for (const Damage& damage : damages()) {
                fresh_picture(picture_hdr);
                const std::string path = root + "/data/" + bank + "/" + file;
                const std::string other_bank = bank == "Base3" ? "Base1" : "Base3";
                const std::optional<Bytes> bytes =
                    damage.apply(picture_test::read_bytes(path),
                                 picture_test::read_bytes(root + "/data/" + other_bank + "/" +
                                                          (file == bank ? other_bank : file)));
                std::filesystem::remove(path);
                if (bytes) testimg::write_file(path, *bytes);
                run_case(bank + "/" + file + ": " + damage.name, bank == "Base3");
            }
        }
        // Index entries in "Main" (after its 32-byte head) and the header's slot count and
        // descriptor fields out of range.
        const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> edits = {
            {"Main entries all ones",
             [](Bytes& b) {
                 std::fill(b.begin() + std::min<size_t>(32, b.size()), b.end(), 0xFF);
             }},
            {"Main entries shifted",
             [](Bytes& b) {
                 for (size_t i = 32; i + 4 <= b.size(); i += 4) b[i + 3] ^= 0x40;
             }},
            {"header slot count huge", [](Bytes& b) { b[4] = b[5] = b[6] = b[7] = 0x7F; }},
            {"header slot count 0", [](Bytes& b) { b[4] = b[5] = b[6] = b[7] = 0; }},
            {"header descriptors all ones",
             [](Bytes& b) {
                 std::fill(b.begin() + std::min<size_t>(16, b.size()), b.end(), 0xFF);
             }},
        };
        for (const auto& [name, edit] : edits) {
            fresh_picture(picture_hdr);
            const std::string path =
                root + "/data/" + bank + "/" + (name.starts_with("Main") ? "Main" : bank);
            Bytes bytes = picture_test::read_bytes(path);
            ASSERT_GE(bytes.size(), 40u);
            edit(bytes);
            testimg::write_file(path, bytes);
            run_case(bank + ": " + name, bank == "Base3");
        }
    }
}

}  // namespace
