// The library's number and address conversions, one table; a command run into a file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "corlink/foundation/utilities.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

TEST(UtilitiesExtraTest, TextToIntegers) {
    const struct {
        const char* text;
        int base;
        int64_t signedValue;
        uint64_t unsignedValue;
        int ok;
        size_t consumed;
    } cases[] = {
        // clang-format off
        {"  -42z", 10, -42, static_cast<uint64_t>(-42), 1, 5},
        {"0x1F", 0, 31, 31, 1, 4},
        {"017", 0, 15, 15, 1, 3},
        {"zz", 36, 1295, 1295, 1, 2},
        {"12", 1, 0, 0, 1, 0},  // no such base: nothing read
        {"abc", 10, 0, 0, 1, 0},
        {"9223372036854775808", 10, INT64_MAX, 9223372036854775808ull, 0, 19},
        {"-99999999999999999999", 10, INT64_MAX, UINT64_MAX, 0, 21},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const char* end = nullptr;
        int ok = -1;
        EXPECT_EQ(TextToInt64(c.text, &end, c.base, &ok), c.signedValue);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.consumed);
        const int unsignedOk = c.unsignedValue == 9223372036854775808ull ? 1 : c.ok;
        EXPECT_EQ(TextToUint64(c.text, &end, c.base, &ok), c.unsignedValue);
        EXPECT_EQ(ok, unsignedOk);
    }
}

TEST(UtilitiesExtraTest, HexDecimalAndDottedTexts) {
    EXPECT_EQ(HexTextToUint32("0x1234abcd"), 0x1234ABCDu);
    EXPECT_EQ(HexTextToUint32("0X99_1234abcd"), 0x1234ABCDu) << "the last 8 digits";
    EXPECT_EQ(HexTextToUint32("0xg1"), 0x01u) << "another character counts 0";
    EXPECT_EQ(HexTextToUint32("1234"), 1234u);

    const struct {
        const char* text;
        int result;
        uint8_t bytes[4];
    } dotted[] = {
        // clang-format off
        {"192.168.0.17", 1, {192, 168, 0, 17}},
        {"10.0.0.x", 0, {10, 0, 0, 0}},
        {"1.2.3.4.5", 0, {1, 2, 3, 4}},  // a fifth part is never written
        // clang-format on
    };
    for (const auto& c : dotted) {
        SCOPED_TRACE(c.text);
        uint8_t bytes[4];
        EXPECT_EQ(DottedTextToBytes(c.text, bytes), c.result);
        EXPECT_EQ(std::memcmp(bytes, c.bytes, 4), 0);
    }

    const uint8_t address[4] = {255, 0, 10, 1};
    char text[17];
    BytesToDottedText(address, text);
    EXPECT_STREQ(text, "255.0.10.1");
    char hex[9];
    BytesToHexText(address, 4, hex);
    EXPECT_STREQ(hex, "ff000a01");
}

TEST(UtilitiesExtraTest, VersionFlagsFollowThePlatformVersion) {
    // The platform reports 6.2.
    EXPECT_TRUE(IsWindows2008OrLater());
    EXPECT_TRUE(IsWindows7OrLater());
    EXPECT_TRUE(IsWindows8OrLater());
}

TEST(UtilitiesExtraTest, ACommandRunsWithItsOutputInAFreshFileFollowedByItsCommandLine) {
    testsupport::TestRoot root;
    DebuggerCapture log;
    OpenDebugFile(nullptr);  // no registry key: the log goes to the debugger output
    std::filesystem::create_directories(root.path() + "/C/tools");
    std::filesystem::create_directories(root.path() + "/C/out");
    testsupport::WriteWholeFile(root.path() + "/C/tools/say.sh", "#!/bin/sh\necho \"said: $1 $2\"\n");
    ASSERT_EQ(::chmod((root.path() + "/C/tools/say.sh").c_str(), 0755), 0);
    testsupport::WriteWholeFile(root.path() + "/C/out/result.txt", std::string(200, '#'));  // emptied first

    EXPECT_EQ(RunCommandIntoFile("C:\\out\\result.txt", "C:\\tools\\say.sh", "one two"), 1);
    EXPECT_EQ(root.ReadFile("C/out/result.txt"),
              "said: one two\n\nCommand:\nC:\\tools\\say.sh one two\n\n-------End-------\n");

    EXPECT_EQ(RunCommandIntoFile("C:\\out\\missing.txt", "C:\\tools\\missing.exe", "x"), 0);
    EXPECT_NE(log.Text().find("CreateProcess failed: 0x2\n"), std::string::npos) << log.Text();
    EXPECT_EQ(RunCommandIntoFile("C:\\nowhere\\result.txt", "C:\\tools\\say.sh", "x"), 0);
    CloseDebugFile();
}

}  // namespace
