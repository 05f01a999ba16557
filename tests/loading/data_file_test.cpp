#include "loading/data_file.h"

#include <gtest/gtest.h>

#include "tests/loading/data_folder_fixture.h"

using testimg::Bytes;

namespace {

Bytes all_byte_values() {
    Bytes b(700);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<unsigned char>(i * 31 + 7);
    return b;
}

Bytes read(const std::string& path, int32_t& size) {
    loading::ByteBuffer bytes = loading::load_data_file(path, size);
    if (!bytes) return {};
    return Bytes(bytes.get(), bytes.get() + size);
}

}  // namespace

using DataFile = DataFolderTest;

TEST_F(DataFile, RecordsAreDescrambledAndRereadIdentically) {
    const Bytes a = all_byte_values();
    program_bank({{"data/shaders/a.bsf", a, false}, {"data/b.hdr", Bytes{'x', 'y'}, false}});
    int32_t size = -1;
    EXPECT_EQ(read("data/shaders/a.bsf", size), a);
    EXPECT_EQ(size, 700);
    EXPECT_EQ(read("data/b.hdr", size), (Bytes{'x', 'y'}));
    EXPECT_EQ(read("data/shaders/a.bsf", size), a);  // whatever was read in between
}

TEST_F(DataFile, MissingKeyWritesTheMessageAndSkipsThePlainFile) {
    program_bank({{"data/a.txt", Bytes{1}, false}});
    testimg::write_file(root + "/data/plain.txt", Bytes{'p'});
    int32_t size = 0;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_data_file("data/plain.txt", size));
    EXPECT_FALSE(loading::load_data_file("data/a.tx"));  // a prefix is not the key
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Shader::Shader(): can't open \"data/plain.txt\" file\n"
              "Shader::Shader(): can't open \"data/a.tx\" file\n");
}

TEST_F(DataFile, WithoutAProgramBankEveryReadFailsAndTheBankIsTriedAgain) {
    testimg::write_file(root + "/data/a.txt", Bytes{'p'});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_data_file("data/a.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Shader::Shader(): can't open \"data/a.txt\" file\n");
    program_bank({{"data/a.txt", Bytes{'b'}, false}});
    int32_t size = 0;
    EXPECT_EQ(read("data/a.txt", size), (Bytes{'b'}));
}

TEST_F(DataFile, EmptyRecordFallsBackToThePlainFileUnscrambled) {
    program_bank({{"data/e.txt", {}, true}, {"data/gone.txt", {}, true}});
    const Bytes plain = all_byte_values();
    testimg::write_file(root + "/data/e.txt", plain);
    int32_t size = 0;
    EXPECT_EQ(read("data/e.txt", size), plain);
    EXPECT_EQ(size, 700);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_data_file("data/gone.txt", size));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // An empty plain file gives an empty buffer of size 0.
    testimg::write_file(root + "/data/gone.txt", {});
    EXPECT_TRUE(loading::load_data_file("data/gone.txt", size));
    EXPECT_EQ(size, 0);
}

TEST_F(DataFile, ChangingTheDataFolderOpensTheOtherBank) {
    program_bank({{"k", Bytes{1}, false}});
    int32_t size = 0;
    EXPECT_EQ(read("k", size), (Bytes{1}));
    const std::string first = root;
    root = testimg::make_temp_folder();
    program_bank({{"k", Bytes{2}, false}});
    loading::set_data_folder(root);
    EXPECT_EQ(read("k", size), (Bytes{2}));
    std::filesystem::remove_all(first);
}
