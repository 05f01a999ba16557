// The windowed reader of bank data files.
#include "bank/storage_file.h"

#include "tests/bank/bank_fixture.h"

namespace {

using banktest::TempFolder;

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i * 7 + i / 256);
    return bytes;
}

TEST(StorageFile, WindowIsAlignedAtLeastOneBlockAndGrowsForLongReads) {
    TempFolder dir;
    const auto bytes = pattern(10000);
    banktest::write_file(dir / "Bank.0", bytes);
    bank::StorageFile file(dir / "Bank.0", 0);
    EXPECT_EQ(file.window_start(), -1);

    const uint8_t* p = file.read(1020, 10);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(p, p + 10), std::vector<uint8_t>(&bytes[1020], &bytes[1030]));
    EXPECT_EQ(file.window_start(), 0);
    EXPECT_EQ(file.window_capacity(), 4096);

    p = file.read(3000, 5000);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(file.window_start(), 2048);
    EXPECT_EQ(file.window_capacity(), 6144);
    EXPECT_EQ(std::vector<uint8_t>(p, p + 5000), std::vector<uint8_t>(&bytes[3000], &bytes[8000]));

    // A read inside the window keeps it; one outside moves it.
    file.read(2100, 8);
    EXPECT_EQ(file.window_start(), 2048);
    p = file.read(9990, 10);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(file.window_start(), 9216);
    EXPECT_EQ(p[9], bytes[9999]);
}

TEST(StorageFile, RangesOutsideTheFileGiveNothingWithoutAllocating) {
    TempFolder dir;
    banktest::write_file(dir / "Main", pattern(100));
    bank::StorageFile file(dir / "Main", -1);
    EXPECT_EQ(file.read(-1, 4), nullptr);
    EXPECT_EQ(file.read(0, -4), nullptr);
    EXPECT_EQ(file.read(96, 8), nullptr);  // runs past the end
    EXPECT_EQ(file.read(0, int64_t(1) << 40), nullptr);
    EXPECT_EQ(file.read(INT64_MAX - 2, 8), nullptr);
    EXPECT_LE(file.window_capacity(), 4096);
    EXPECT_NE(file.read(92, 8), nullptr);
}

TEST(StorageFile, MissingFileIsTriedAgainAndGrowthIsSeenAfterMarkingEmpty) {
    TempFolder dir;
    bank::StorageFile file(dir / "Bank.3", 3);
    EXPECT_EQ(file.read(0, 1), nullptr);
    EXPECT_FALSE(file.is_open());
    banktest::write_file(dir / "Bank.3", {1, 2, 3, 4});
    const uint8_t* p = file.read(0, 4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[3], 4);

    banktest::write_file(dir / "Bank.3", {9, 9, 9, 9, 5, 6});
    file.mark_empty();
    p = file.read(4, 2);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 5);
    EXPECT_EQ(file.length(), 6);
}

TEST(StorageFile, BlockCacheServesTheSameBytes) {
    TempFolder dir;
    const auto bytes = pattern(50000);
    banktest::write_file(dir / "Main", bytes);
    bank::StorageFile file(dir / "Main", -1);
    file.enable_block_cache(true);
    for (int64_t at : {0, 4090, 4096, 12000, 49992, 100, 4090, 30000}) {
        const uint8_t* p = file.read(at, 8);
        ASSERT_NE(p, nullptr) << at;
        EXPECT_EQ(std::vector<uint8_t>(p, p + 8),
                  std::vector<uint8_t>(&bytes[size_t(at)], &bytes[size_t(at) + 8]))
            << at;
    }
    const uint8_t* p = file.read(1000, 9000);  // longer than a block: the window
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[8999], bytes[9999]);

    // A block cached at the end of a file that then grows serves only the bytes it holds.
    banktest::write_file(dir / "Tree.1", {1, 2, 3, 4});
    bank::StorageFile grows(dir / "Tree.1", -1);
    grows.enable_block_cache(true);
    ASSERT_NE(grows.read(0, 4), nullptr);
    banktest::write_file(dir / "Tree.1", {1, 2, 3, 4, 5, 6});
    p = grows.read(4, 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 5);
}

}  // namespace
