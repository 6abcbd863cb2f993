// The wide printf family with the Windows conventions, the ANSI code page, COM task memory and the
// locale items.
#include "platform/system/wide_text.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "platform/com/com_memory.h"
#include "platform/kernel/last_error.h"
#include "platform/system/locale_info.h"

namespace {

std::wstring Format(size_t capacity, const wchar_t* format, ...) {
    std::wstring out(capacity, L'#');
    va_list args;
    va_start(args, format);
    platform::FormatWide(out.data(), capacity, format, args);
    va_end(args);
    return std::wstring(out.c_str());
}

TEST(WideFormat, WindowsConventions) {
    const char narrow[] = {'n', static_cast<char>(0xE9), static_cast<char>(0xFF), 0};  // bytes above 0x7F
    struct Case {
        std::wstring got;
        std::wstring expected;
    } cases[] = {
        // clang-format off
        {Format(64, L"[%s|%S]", L"wide", "narrow"), L"[wide|narrow]"},
        {Format(64, L"%S", narrow), L"n\u00e9\u00ff"},
        {Format(64, L"%c%C%lc%hc", L'w', 'n', L'x', 'y'), L"wnxy"},
        {Format(64, L"%I64X %I64d %llu", 0x1122334455667788LL, -5LL, 7ULL), L"1122334455667788 -5 7"},
        {Format(64, L"%08X %lx %u %d", 0xABCu, 0xFFFFFFFFu, 4000000000u, -1), L"00000ABC ffffffff 4000000000 -1"},
        {Format(64, L"%.3S/%-5s/%5S", "abcdef", L"ab", "cd"), L"abc/ab   /   cd"},
        {Format(64, L"%2$s(): 0x%1$08X (%3$S) %%", 0x1Bu, L"op", "NAME"), L"op(): 0x0000001B (NAME) %"},
        {Format(64, L"%S %s", static_cast<const char*>(nullptr), static_cast<const wchar_t*>(nullptr)),
         L"(null) (null)"},
        {Format(64, L"%*d|%.*S", 4, 7, 2, "xyz"), L"   7|xy"},
        {Format(64, L"%hs %ws %q", "n", L"w"), L"n w %q"},
        {Format(6, L"%s", L"abcdefgh"), L"abcde"},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

int Truncating(wchar_t* buffer, size_t size, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int result = _vsnwprintf_s(buffer, size, _TRUNCATE, format, args);
    va_end(args);
    return result;
}

TEST(WideFormat, TruncationKeepsTheTerminator) {
    wchar_t buffer[5];
    EXPECT_EQ(Truncating(buffer, 5, L"%d", 1234), 4);
    EXPECT_EQ(std::wstring(buffer), L"1234");
    EXPECT_EQ(Truncating(buffer, 5, L"%d", 12345), -1);
    EXPECT_EQ(std::wstring(buffer), L"1234");
}

TEST(AnsiCodePage, LatinOneBothWaysAndRefusesASmallBuffer) {
    wchar_t wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\xE9", -1, wide, 8), 3);
    EXPECT_EQ(std::wstring(wide), L"a\u00e9");
    char narrow[4];
    BOOL usedDefault = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"x\u0100", -1, narrow, 4, nullptr, &usedDefault), 3);
    EXPECT_STREQ(narrow, "x?");
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"abcdef", 6, narrow, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

// The narrow text the wide calls (files, registry, event log, type-library registration) pass on.
TEST(AnsiCodePage, NarrowTextOfWideText) {
    struct Case {
        const wchar_t* wide;
        std::string narrow;
    } cases[] = {
        // clang-format off
        {nullptr, ""},
        {L"", ""},
        {L"C:\\dir\\file.txt", "C:\\dir\\file.txt"},
        {L"caf\u00e9\u00ff", "caf\xE9\xFF"},  // Latin-1 keeps its bytes
        {L"x\u0100y\u20ACz", "x?y?z"},        // what the code page cannot hold becomes '?'
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(platform::NarrowText(c.wide), c.narrow);
}

TEST(TaskMemory, CountsBlocksAndFailsOnRequest) {
    const platform::TaskMemoryAccount before = platform::TaskMemory();
    void* a = CoTaskMemAlloc(10);
    void* b = CoTaskMemAlloc(20);
    EXPECT_EQ(platform::TaskMemory().liveBlocks, before.liveBlocks + 2);
    EXPECT_EQ(platform::TaskMemory().liveBytes, before.liveBytes + 30);
    int asked = 0;
    platform::SetTaskMemoryHook([&](SIZE_T) { return ++asked != 2; });
    void* c = CoTaskMemAlloc(1);
    EXPECT_EQ(CoTaskMemAlloc(1), nullptr);  // the second allocation under the hook fails
    platform::SetTaskMemoryHook({});
    CoTaskMemFree(a);
    CoTaskMemFree(b);
    CoTaskMemFree(c);
    CoTaskMemFree(nullptr);
    EXPECT_EQ(platform::TaskMemory().liveBlocks, before.liveBlocks);
    EXPECT_EQ(platform::TaskMemory().liveBytes, before.liveBytes);
}

TEST(LocaleInfo, ItemsOfTheOneLocale) {
    char text[32];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, text, sizeof text), 8);
    EXPECT_STREQ(text, "English");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTCODEPAGE, text, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, 0x7777, text, sizeof text), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

}  // namespace
