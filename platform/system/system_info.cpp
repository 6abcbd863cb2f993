#include "platform/system/system_info.h"

#include <unistd.h>

namespace {

constexpr WORD HostArchitecture() {
#if defined(__x86_64__)
    return PROCESSOR_ARCHITECTURE_AMD64;
#elif defined(__aarch64__)
    return PROCESSOR_ARCHITECTURE_ARM64;
#else
    return PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
}

}  // namespace

void GetSystemInfo(SYSTEM_INFO* info) {
    if (info == nullptr) return;
    *info = SYSTEM_INFO{};
    info->wProcessorArchitecture = HostArchitecture();
    const long page = ::sysconf(_SC_PAGESIZE);
    info->dwPageSize = page > 0 ? static_cast<DWORD>(page) : 4096;
    const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    info->dwNumberOfProcessors = processors > 0 ? static_cast<DWORD>(processors) : 1;
}
