// The machine's processors as the Windows system-information call reports them.
#pragma once

#include "platform/win_types.h"

constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
constexpr WORD PROCESSOR_ARCHITECTURE_MIPS = 1;
constexpr WORD PROCESSOR_ARCHITECTURE_ALPHA = 2;
constexpr WORD PROCESSOR_ARCHITECTURE_PPC = 3;
constexpr WORD PROCESSOR_ARCHITECTURE_ARM = 5;
constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;
constexpr WORD PROCESSOR_ARCHITECTURE_ARM64 = 12;
constexpr WORD PROCESSOR_ARCHITECTURE_UNKNOWN = 0xFFFF;

// The fields of the system information this platform fills; the rest are zero.
struct SYSTEM_INFO {
    WORD wProcessorArchitecture;
    DWORD dwPageSize;
    DWORD dwNumberOfProcessors;
    WORD wProcessorLevel;
};

// The host's architecture (x64 and 64-bit ARM by their codes, anything else unknown), page size and the
// number of processors online (at least 1).
void GetSystemInfo(SYSTEM_INFO* info);
