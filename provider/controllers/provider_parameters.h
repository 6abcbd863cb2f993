// The provider's parameters (registry key Parameters of the provider's service key), process-wide. Each
// keeps its default until a read finds its value; a later read that does not find it keeps what was read
// before.
#pragma once

#include "platform/system/wide_text.h"

constexpr size_t kProviderNameChars = 80;     // with the terminator
constexpr size_t kProviderVersionChars = 32;  // with the terminator
// the one value of StandardVolumesAreSupported that enables them
constexpr DWORD kStandardVolumesSupported = 2;

struct BVSS_ProviderParameters {
    WCHAR Name[kProviderNameChars] = L"DOVURERUDOredezor";
    WCHAR Version[kProviderVersionChars] = L"4.1.0.118";
    DWORD StartingLun = 1;
    DWORD StandardVolumesAreSupported = 2;
    DWORD RecordSnapshotSetIds = 1;
    // How long the wait for full copies goes on while no copy's percent moves, in seconds.
    DWORD FullCopyStallSeconds = 3600;
};

// The result when the key cannot be opened or Name or Version cannot be read.
constexpr DWORD kProviderParametersUnreadable = 1010;

// Reads the parameters from the registry; 0, or kProviderParametersUnreadable.
DWORD readProviderParameters();
// A copy of the parameters as last read.
BVSS_ProviderParameters ProviderParameters();
// Tests: the defaults again.
void ResetProviderParametersForTests();
