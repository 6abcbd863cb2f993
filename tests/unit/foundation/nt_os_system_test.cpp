// The version and system description come from the platform layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corlink/foundation/nt_os.h"
#include "platform/system/os_version.h"
#include "platform/system/system_info.h"

namespace {

TEST(NtOsSystemTest, VersionAndDescriptionAreThePlatformsAnswers) {
    const DWORD word = GetVersion();
    EXPECT_EQ(word & 0x80000000u, 0u) << "the NT family";
    uint32_t version = 0;
    EXPECT_EQ(os_GetVersion(&version), 4u);
    EXPECT_EQ(version, (word & 0xFF) << 16 | (word >> 8 & 0xFF) << 8);
    EXPECT_EQ(os_GetVersion(nullptr), 4u);

    OS_SYSINFO info;
    std::memset(&info, 'x', sizeof info);
    EXPECT_EQ(os_GetSystemInfo(&info), 1);
    OSVERSIONINFOA os{};
    os.dwOSVersionInfoSize = sizeof os;
    ASSERT_TRUE(GetVersionExA(&os));
    EXPECT_EQ(std::string(info.osName), "Windows NT " + std::to_string(os.dwMajorVersion) + "." +
                                            std::to_string(os.dwMinorVersion) + " Build " +
                                            std::to_string(os.dwBuildNumber));
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    EXPECT_GE(system.dwNumberOfProcessors, 1u);
    // A host that is not one of the old architectures names only the processor count.
    EXPECT_EQ(std::string(info.processorName), " Processors:" + std::to_string(system.dwNumberOfProcessors));
}

}  // namespace
