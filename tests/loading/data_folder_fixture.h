#pragma once
// A fresh data folder for each test, with helpers that write the program and image banks below
// it and a data root over it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "loading/bank_packing.h"
#include "loading/data_root.h"
#include "tests/loading/image_builders.h"

class DataFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = testimg::make_temp_folder();
        data = loading::DataRoot(root);
    }
    void TearDown() override {
        data.close_banks();
        std::filesystem::remove_all(root);
    }

    void program_bank(const std::vector<loading::PackedFile>& files) {
        std::string error;
        ASSERT_TRUE(loading::write_program_bank(root + "/data/Base3", files, error)) << error;
        data.close_banks();
    }
    void image_bank(const std::string& name, const std::vector<testimg::Bytes>& images) {
        std::vector<loading::PackedFile> files;
        for (size_t i = 0; i < images.size(); ++i)
            files.push_back({"image" + std::to_string(i + 1), images[i], false});
        std::string error;
        ASSERT_TRUE(loading::write_image_bank(root + "/data/" + name, files, error)) << error;
        data.close_banks();
    }

    std::string root;
    loading::DataRoot data;
};
