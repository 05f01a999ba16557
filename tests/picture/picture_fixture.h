#pragma once
// The small picture written for each test below a fresh data folder; the clocks fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gfx/shader.h"
#include "loading/bank_cache.h"
#include "loading/whole_file.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "picture/picture_state.h"
#include "tests/picture/small_picture.h"

namespace picture_test {

inline testimg::Bytes read_bytes(const std::string& path) {
    size_t size = 0;
    const loading::ByteBuffer bytes = loading::read_whole_file(path, size);
    return bytes ? testimg::Bytes(bytes.get(), bytes.get() + size) : testimg::Bytes{};
}

inline uint32_t fixed_ticks() {
    return 12345;
}
inline uint32_t frame_time = 0;
inline uint32_t frame_clock() {
    return frame_time;
}

class PictureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = testimg::make_temp_folder();
        loading::close_kept_banks();
        picture::clocks() = {fixed_ticks, frame_clock};
        frame_time = 0;
    }
    void TearDown() override {
        picture::stop_picture();
        picture::restore_system_clocks();
        loading::close_kept_banks();
        picture::settings() = {};
        std::filesystem::remove_all(root);
    }

    // Writes the small picture's banks (see small_picture()), each through `edit_files` first.
    void write_picture(const std::string& hdr, const std::vector<int>& formgens = {0, 1, 2},
                       const std::vector<std::string>& missing = {},
                       std::vector<loading::PackedFile> extra = {}) {
        picture_test::SmallPicture files = small_picture(hdr, formgens, missing, std::move(extra));
        const std::pair<const char*, std::vector<loading::PackedFile>*> banks[] = {
            {"Base3", &files.programs}, {"Base1", &files.colours}, {"Base4", &files.factures}};
        for (const auto& [bank, list] : banks) {
            if (edit_files) edit_files(bank, *list);
            std::string error;
            const std::string folder = root + "/data/" + bank;
            ASSERT_TRUE(list == &files.programs ? loading::write_program_bank(folder, *list, error)
                                                : loading::write_image_bank(folder, *list, error))
                << error;
        }
        loading::close_kept_banks();
        picture::settings().data_folder = root;
    }

    picture::StartResult start(int width = 160, int height = 120) {
        return picture::start_picture(0, width, height, false);
    }
    // One frame as the hosts draw it, the frame clock moving on by 16 ms.
    void step() {
        frame_time += 16;
        picture::draw_frame();
    }
    static const Shader::Constant* constant(const Shader* program, const std::string& name) {
        for (const Shader::Constant& c : program->pixel_constants())
            if (c.name == name) return &c;
        return nullptr;
    }
    static Texture* sampler(const Shader* program, int slot) {
        return program->pixel_samplers().at(static_cast<size_t>(slot)).texture;
    }

    std::string root;
    // Changes each bank's files before it is written ("Base3", "Base1", "Base4").
    std::function<void(const std::string& bank, std::vector<loading::PackedFile>& files)>
        edit_files;
};

}  // namespace picture_test
