// brushwright-kit bank.
#include "tests/bank/bank_fixture.h"
#include "tests/kit_run.h"

namespace {

using banktest::TempFolder;

// The words joined by blanks (none holds a blank or a shell character).
testkit::KitRun kit(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& w : words) line += " " + w;
    return testkit::run_kit(line);
}

TEST(KitBank, CreatePutFindReadCountList) {
    TempFolder dir;
    const std::string f = dir / "Base3";
    ASSERT_EQ(kit({"bank", "create", f, "--slot", "11", "--slot", "12", "--slot", "7:4"}).status,
              0);
    banktest::write_file(dir / "payload", {'P', 0, 'Q'});
    EXPECT_EQ(
        kit({"bank", "put", f, "shaders/a.bsf", std::string("@").append(dir / "payload"), "7"}).out,
        "1\n");
    EXPECT_EQ(kit({"bank", "put", f, "Shaders/B.bsf", "bee", "0x10"}).out, "2\n");
    EXPECT_EQ(kit({"bank", "count", f}).out, "2\n");
    EXPECT_EQ(kit({"bank", "list", f}).out, "1\tshaders/a.bsf\n2\tShaders/B.bsf\n");
    EXPECT_EQ(kit({"bank", "find", f, "1", "SHADERS/b.BSF"}).out, "2\n");
    EXPECT_EQ(kit({"bank", "find", f, "1", "shaders/", "--mode", "1"}).out, "1\n");
    EXPECT_EQ(kit({"bank", "find", f, "1", "shaders/", "--mode", "1", "--direction", "-1"}).out,
              "2\n");
    EXPECT_EQ(kit({"bank", "find", f, "3", "16"}).out, "2\n");
    testkit::KitRun read = kit({"bank", "read", f, "1", "2"});
    EXPECT_EQ(read.status, 0);
    EXPECT_EQ(read.out, std::string("P\0Q", 3));  // exactly the bytes, no NUL added

    testkit::KitRun missing = kit({"bank", "read", f, "3", "1"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "-1\n");
}

TEST(KitBank, BadFoldersAndArguments) {
    TempFolder dir;
    testkit::KitRun r = kit({"bank", "count", dir / "absent"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir / "absent"), std::string::npos);
    EXPECT_NE(r.err.find("code 1"), std::string::npos);
    EXPECT_EQ(kit({"bank", "find", dir / "absent", "x", "key"}).status, 2);
    EXPECT_EQ(kit({"bank", "read", dir / "absent", "1"}).status, 2);
    EXPECT_EQ(kit({"bank", "create", dir / "b", "--slot", "99"}).status, 2);
    EXPECT_EQ(kit({"bank", "frobnicate"}).status, 2);
}

}  // namespace
