#include "corlink/foundation/utilities.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/windows_api.h"
#include "tests/support/test_root.h"

namespace {

TEST(ReadTextFileUtf8Test, ConvertsByMark) {
    testsupport::TestRoot root;
    struct Case {
        const char* name;
        std::string bytes;
        std::string expected;
    } cases[] = {
        // clang-format off
        {"utf16le", std::string("\xFF\xFE" "a\0b\0c\0", 8), "abc"},
        {"utf16be", std::string("\xFE\xFF" "\0a\0b\0c", 8), "abc"},
        {"utf16le-surrogates", std::string("\xFF\xFE" "\x3D\xD8\x00\xDE" "\0\0" "x\0", 10), "\xF0\x9F\x98\x80"},
        {"utf8mark", "\xEF\xBB\xBFtext", "text"},
        {"plain", std::string("raw\0bytes", 9), std::string("raw\0bytes", 9)},
        // clang-format on
    };
    for (const Case& c : cases) {
        std::string path = root.path() + "/" + c.name;
        testsupport::WriteWholeFile(path, c.bytes);
        EXPECT_EQ(ReadTextFileUtf8(path.c_str()), c.expected) << c.name;
    }
    EXPECT_EQ(ReadTextFileUtf8((root.path() + "/missing").c_str()), "");
}

TEST(HexStringToBytesTest, ConvertsExactlyCountBytes) {
    uint8_t bytes[3] = {9, 9, 9};
    EXPECT_EQ(HexStringToBytes("0x0A1b", 2, bytes), 1);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0x1B);
    std::memset(bytes, 9, sizeof bytes);
    EXPECT_EQ(HexStringToBytes("0x0A1b", 3, bytes), 0);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2], 0);
    EXPECT_EQ(HexStringToBytes("0g", 1, bytes), 0);
}

TEST(GetSystemErrorTextTest, AppendsTheCodeOrStaysEmptyWhenTooSmall) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    char text[128];
    EXPECT_EQ(GetSystemErrorText(text, sizeof text), 1);
    EXPECT_STREQ(text, "The system cannot find the file specified. (0x2)");
    SetLastError(ERROR_FILE_NOT_FOUND);
    char small[20] = "unchanged";
    EXPECT_EQ(GetSystemErrorText(small, sizeof small), 1);
    EXPECT_STREQ(small, "");
}

TEST(FormatStringTest, FormatsAnyLength) {
    std::string long_arg(5000, 'x');
    EXPECT_EQ(FormatString("%s-%d", long_arg.c_str(), 7), long_arg + "-7");
}

}  // namespace
