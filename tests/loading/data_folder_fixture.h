#pragma once
// A fresh data folder for each test, with helpers that write the program and image banks below
// it; the kept banks are closed around each test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "loading/bank_cache.h"
#include "loading/bank_packing.h"
#include "loading/data_folder.h"
#include "tests/loading/image_builders.h"

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = testimg::make_temp_folder();
        loading::close_kept_banks();
        loading::set_data_folder(root);
    }
    void TearDown() override {
        loading::close_kept_banks();
        loading::set_data_folder(".");
        std::filesystem::remove_all(root);
    }

    void program_bank(const std::vector<loading::PackedFile>& files) {
        std::string error;
        ASSERT_TRUE(loading::write_program_bank(root + "/data/Base3", files, error)) << error;
        loading::close_kept_banks();
    }
    void image_bank(const std::string& name, const std::vector<testimg::Bytes>& images) {
        std::vector<loading::PackedFile> files;
        for (size_t i = 0; i < images.size(); ++i)
            files.push_back({"image" + std::to_string(i + 1), images[i], false});
        std::string error;
        ASSERT_TRUE(loading::write_image_bank(root + "/data/" + name, files, error)) << error;
        loading::close_kept_banks();
    }

    std::string root;
};
