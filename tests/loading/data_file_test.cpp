#include "loading/data_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "loading/whole_file.h"
#include "tests/loading/data_folder_fixture.h"

using testimg::Bytes;

class DataFile : public DataFolderTest {
  protected:
    Bytes read(const std::string& path, int32_t& size) {
        size = -1;
        loading::ByteBuffer bytes = loading::load_data_file(data, path, size);
        return bytes ? Bytes(bytes.get(), bytes.get() + size) : Bytes{};
    }
};

TEST_F(DataFile, RecordsAreDescrambledAndRereadIdentically) {
    Bytes a(700);
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<unsigned char>(i * 31 + 7);
    program_bank({{"data/shaders/a.bsf", a, false}, {"data/b.hdr", {'x', 'y'}, false}});
    int32_t size = 0;
    EXPECT_EQ(read("data/shaders/a.bsf", size), a);
    EXPECT_EQ(size, 700);
    EXPECT_EQ(read("data/b.hdr", size), (Bytes{'x', 'y'}));
    EXPECT_EQ(read("data/shaders/a.bsf", size), a);  // whatever was read in between
}

TEST_F(DataFile, MissingKeysAndBanksWriteTheMessageAndSkipThePlainFile) {
    testimg::write_file(root + "/data/a.txt", {'p'});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_data_file(data, "data/a.txt"));  // no bank yet
    program_bank({{"data/a.txt.old", {'b'}, false}});
    EXPECT_FALSE(loading::load_data_file(data, "data/a.txt"));  // not a key (only its prefix)
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Shader::Shader(): can't open \"data/a.txt\" file\n"
              "Shader::Shader(): can't open \"data/a.txt\" file\n");
    program_bank({{"data/a.txt", {'b'}, false}});  // the bank is tried again
    int32_t size = 0;
    EXPECT_EQ(read("data/a.txt", size), (Bytes{'b'}));
}

TEST_F(DataFile, EmptyRecordFallsBackToThePlainFileUnscrambled) {
    program_bank({{"data/e.txt", {}, true}, {"data/gone.txt", {}, true}});
    testimg::write_file(root + "/data/e.txt", {1, 2, 3});
    int32_t size = 0;
    EXPECT_EQ(read("data/e.txt", size), (Bytes{1, 2, 3}));
    EXPECT_EQ(size, 3);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_data_file(data, "data/gone.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DataFile, DamagedValueDescriptorReadsNoFurtherThanTheStoredBytes) {
    // Found by fuzzing: the value slot's descriptor (header bytes 32..35) turned into arrays of
    // 216-byte two-part numbers whose first part is 11 bytes; the second part was read past the
    // number form's fixed buffer.
    program_bank({{"data/a.bsf", Bytes(640, 2), false}});
    const std::string header_path = root + "/data/Base3/Base3";
    loading::ByteBuffer header_bytes;
    size_t header_size = 0;
    header_bytes = loading::read_whole_file(header_path, header_size);
    ASSERT_TRUE(header_bytes);
    ASSERT_GT(header_size, 36u);
    Bytes header(header_bytes.get(), header_bytes.get() + header_size);
    header[32] = 5;
    header[33] = 0xEB;
    header[34] = 216;
    header[35] = 0;
    testimg::write_file(header_path, header);
    data.close_banks();
    testing::internal::CaptureStderr();
    int32_t size = 0;
    const Bytes got = read("data/a.bsf", size);
    testing::internal::GetCapturedStderr();
    EXPECT_GE(size, 0);
    EXPECT_LE(size, 640);  // at most the record's own bytes
}

TEST_F(DataFile, PlainFilesStayInsideTheDataFolderAndAreRegularFiles) {
    // Empty records send the reader to plain files; these names must not reach the file above
    // the data folder, and a named pipe in the folder must not make the reader wait for a writer.
    const std::vector<std::string> escaping = {
        "../secret", "data/../../secret", "/tmp/secret", "data//secret",
        "./secret",  "data\\..\\secret",  "C:/secret",   "data/"};
    std::vector<loading::PackedFile> records;
    for (const std::string& name : escaping) records.push_back({name, {}, true});
    records.push_back({"data/pipe", {}, true});
    records.push_back({"data/folder", {}, true});
    program_bank(records);
    testimg::write_file(root + "/secret", {'s'});
    testimg::write_file(root + "/../secret", {'s'});
    ASSERT_EQ(::mkfifo((root + "/data/pipe").c_str(), 0600), 0);
    std::filesystem::create_directories(root + "/data/folder");
    testing::internal::CaptureStderr();
    for (const std::string& name : escaping)
        EXPECT_FALSE(loading::load_data_file(data, name)) << name;
    EXPECT_FALSE(loading::load_data_file(data, "data/pipe"));
    EXPECT_FALSE(loading::load_data_file(data, "data/folder"));
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("\"../secret\" is not a path inside the data folder"),
              std::string::npos);
    std::filesystem::remove(root + "/../secret");

    // A program bank whose files are pipes is no bank, and opening it does not wait either.
    data.close_banks();
    for (const char* file : {"/data/Base3/Main", "/data/Base3/Base3"}) {
        std::filesystem::remove(root + file);
        ASSERT_EQ(::mkfifo((root + file).c_str(), 0600), 0);
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loading::load_data_file(data, "data/pipe"));
    testing::internal::GetCapturedStderr();
}
