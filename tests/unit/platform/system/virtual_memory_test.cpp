// Regions from VirtualAlloc: zero-filled, writable, released whole by VirtualFree; other uses refused.
#include "platform/system/virtual_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/kernel/last_error.h"

namespace {

TEST(VirtualMemory, RegionsComeZeroedAndGoBackWhole) {
    constexpr SIZE_T kSize = 4194304 + 3;
    auto* region =
        static_cast<uint8_t*>(VirtualAlloc(nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(region[0], 0);
    EXPECT_EQ(region[kSize / 2], 0);
    EXPECT_EQ(region[kSize - 1], 0);
    std::memset(region, 0xA5, kSize);
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
}

TEST(VirtualMemory, RefusesWhatItDoesNotOffer) {
    struct Case {
        LPVOID address;
        SIZE_T size;
        DWORD type;
        DWORD protect;
    };
    int somewhere = 0;
    const Case cases[] = {
        // clang-format off
        {nullptr, 0, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE},
        {&somewhere, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE},
        {nullptr, 4096, MEM_RESERVE, PAGE_READWRITE},
        {nullptr, 4096, MEM_COMMIT | MEM_RESERVE, 0x02},
        // clang-format on
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(VirtualAlloc(c.address, c.size, c.type, c.protect), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    void* region = VirtualAlloc(nullptr, 100, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(region, nullptr);
    EXPECT_FALSE(VirtualFree(region, 100, MEM_RELEASE)) << "a region goes back whole";
    EXPECT_FALSE(VirtualFree(static_cast<char*>(region) + 8, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(nullptr, 0, MEM_RELEASE));
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
}

}  // namespace
