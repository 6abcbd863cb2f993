// The operating system's version and description, as the platform reports them.
#include <cstdio>
#include <cstring>

#include "corlink/foundation/assertion.h"
#include "corlink/foundation/nt_os.h"
#include "platform/system/os_version.h"
#include "platform/system/system_info.h"

namespace {

constexpr DWORD kNotNtFamily = 0x80000000;

// The platform ids the description names; any other leaves the name empty.
const char* PlatformName(DWORD platformId) {
    switch (platformId) {
        case 0: return "Windows";
        case 1: return "Windows 95";
        case 2: return "Windows NT";
        default: return nullptr;
    }
}

// The processor family and level as the description writes them; empty for any other architecture.
void DescribeProcessor(const SYSTEM_INFO& system, char* text, size_t size) {
    const int level = system.wProcessorLevel;
    switch (system.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_INTEL: {
            const char* model = level == 3 ? " 386," : level == 4 ? " 486," : level == 5 ? " Pentium," : "";
            std::snprintf(text, size, "Intel%s", model);
            break;
        }
        case PROCESSOR_ARCHITECTURE_MIPS: std::snprintf(text, size, "MIPS R%d000, ", level); break;
        case PROCESSOR_ARCHITECTURE_ALPHA: std::snprintf(text, size, "Alpha %d, ", level); break;
        case PROCESSOR_ARCHITECTURE_PPC: std::snprintf(text, size, "Power PC, "); break;
        default: text[0] = '\0'; break;
    }
}

}  // namespace

uint32_t os_GetVersion(uint32_t* version) {
    const DWORD word = GetVersion();
    const uint32_t major = word & 0xFF;
    const uint32_t minor = (word >> 8) & 0xFF;
    if (version != nullptr) *version = major << 16 | minor << 8;
    return (word & kNotNtFamily) != 0 ? 3 : 4;
}

int os_GetSystemInfo(OS_SYSINFO* info) {
    if (info == nullptr) {
        OS_ASSERT_TEXT(info != nullptr, "pSysInfo != NULL");
        return 1;
    }
    int result = 1;
    info->osName[0] = '\0';
    info->processorName[0] = '\0';
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version)) {
        const char* name = PlatformName(version.dwPlatformId);
        if (name == nullptr) result = 0;
        std::snprintf(info->osName, sizeof info->osName, "%s %d.%d Build %d", name != nullptr ? name : "",
                      static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion),
                      static_cast<int>(version.dwBuildNumber));
    }
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    DescribeProcessor(system, info->processorName, sizeof info->processorName);
    const size_t used = std::strlen(info->processorName);
    std::snprintf(info->processorName + used, sizeof info->processorName - used, " Processors:%d",
                  static_cast<int>(system.dwNumberOfProcessors));
    return result;
}
