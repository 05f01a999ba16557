#pragma once
// The small picture written for each test below a fresh data folder, and the picture made from
// it on fixed clocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gfx/shader.h"
#include "loading/whole_file.h"
#include "picture/clock.h"
#include "picture/picture.h"
#include "tests/picture/small_picture.h"

namespace picture_test {

inline testimg::Bytes read_bytes(const std::string& path) {
    size_t size = 0;
    const loading::ByteBuffer bytes = loading::read_whole_file(path, size);
    return bytes ? testimg::Bytes(bytes.get(), bytes.get() + size) : testimg::Bytes{};
}

class PictureTest : public ::testing::Test {
  protected:
    void SetUp() override { root = testimg::make_temp_folder(); }
    void TearDown() override {
        stop();
        std::filesystem::remove_all(root);
    }

    // Writes the small picture's banks (see small_picture()), each through `edit_files` first.
    void write_picture(const std::string& hdr, const std::vector<int>& formgens = {0, 1, 2},
                       const std::vector<std::string>& missing = {},
                       std::vector<loading::PackedFile> extra = {}) {
        picture_test::SmallPicture files =
            small_picture(hdr, formgens, missing, std::move(extra), settings.picture_name);
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
        settings.data_folder = root;
    }

    // The tick count is 12345; the frame clock reads frame_time.
    picture::Clocks fixed_clocks() {
        return {[] { return uint32_t{12345}; }, [this] { return frame_time; }};
    }
    picture::StartResult start(int width = 160, int height = 120) {
        picture::StartedPicture made =
            picture::start_picture(settings, fixed_clocks(), 0, width, height, false);
        running = std::move(made.picture);
        return made.result;
    }
    void stop() { running.reset(); }
    picture::Picture& current() { return *running; }
    // One frame as the hosts draw it, the frame clock moving on by 16 ms.
    void step() {
        frame_time += 16;
        if (running) picture::draw_frame(*running);
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
    picture::Settings settings;
    uint32_t frame_time = 0;
    std::unique_ptr<picture::Picture> running;
    // Changes each bank's files before it is written ("Base3", "Base1", "Base4").
    std::function<void(const std::string& bank, std::vector<loading::PackedFile>& files)>
        edit_files;
};

}  // namespace picture_test
