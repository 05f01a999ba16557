// A whole data folder, damaged: the small test picture's three banks are written once, and each
// input flips bytes of their files and cuts them short; then the picture starts headless at
// 48 x 32 and paints until two new paintings or 12 frames have gone by.
// Input: groups of 4 bytes (file, offset low, offset high, value): file bit 7 set cuts the file
// at the offset, otherwise the value is XORed in there. The files are those of "data/Base1",
// "data/Base3" and "data/Base4", sorted by path.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/render_device.h"
#include "loading/bank_cache.h"
#include "loading/whole_file.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"
#include "tests/picture/small_picture.h"

namespace {

namespace fs = std::filesystem;

struct Pristine {
    std::string root;
    std::vector<std::string> names;
    std::vector<std::vector<unsigned char>> contents;
};

Pristine& pristine() {
    static Pristine p = [] {
        Pristine q;
        std::string pattern = (fs::temp_directory_path() / "bw-fuzz-folder-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        q.root = pattern;
        const picture_test::SmallPicture files =
            picture_test::small_picture("PLANS=3 BGCOLOR=2 SILHOUETTE=1 FLTR1=1 FLTRFORM=1");
        std::string error;
        if (!loading::write_program_bank(q.root + "/data/Base3", files.programs, error) ||
            !loading::write_image_bank(q.root + "/data/Base1", files.colours, error) ||
            !loading::write_image_bank(q.root + "/data/Base4", files.factures, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        for (const auto& entry : fs::recursive_directory_iterator(q.root + "/data"))
            if (entry.is_regular_file()) q.names.push_back(entry.path().string());
        std::sort(q.names.begin(), q.names.end());
        for (const std::string& name : q.names) {
            size_t size = 0;
            loading::ByteBuffer bytes = loading::read_whole_file(name, size);
            if (!bytes) std::abort();
            q.contents.emplace_back(bytes.get(), bytes.get() + size);
        }
        return q;
    }();
    return p;
}

uint32_t frame_time = 0;
uint32_t fixed_ticks() {
    return 4321;
}
uint32_t frame_clock() {
    return frame_time;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("LP_NUM_THREADS", "0", 1);  // llvmpipe's worker threads only slow a fuzzer down
    pristine();
    picture::clocks() = {fixed_ticks, frame_clock};
    picture::settings().delay = 0;
    picture::settings().speed = 2000;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Pristine& p = pristine();
    std::vector<std::vector<unsigned char>> files = p.contents;
    for (size_t i = 0; i + 4 <= size; i += 4) {
        std::vector<unsigned char>& f = files[(data[i] & 0x7F) % files.size()];
        if (f.empty()) continue;
        const size_t offset = (data[i + 1] | (static_cast<size_t>(data[i + 2]) << 8)) % f.size();
        if (data[i] & 0x80) {
            f.resize(offset);
        } else {
            f[offset] ^= data[i + 3];
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        std::FILE* out = std::fopen(p.names[i].c_str(), "wb");
        if (out == nullptr) std::abort();
        if (!files[i].empty()) std::fwrite(files[i].data(), 1, files[i].size(), out);
        std::fclose(out);
    }
    loading::close_kept_banks();
    picture::settings().data_folder = p.root;
    frame_time = 0;
    if (picture::start_picture(0, 48, 32, false) == picture::StartResult::started) {
        RenderDevice& device = *picture::picture_device();
        int paintings = 0;
        for (int frame = 0; frame < 12 && paintings < 2; ++frame) {
            frame_time += 16;
            device.begin_frame();
            device.clear(0, 0, 0);
            picture::picture_step();
            device.end_frame();
            device.present();
            paintings += picture::the_picture().timeline.new_painting ? 1 : 0;
        }
    }
    picture::stop_picture();
    loading::close_kept_banks();
    return 0;
}
