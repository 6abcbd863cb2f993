#include "provider/controllers/provider_parameters.h"

#include <cwchar>
#include <mutex>

#include "platform/files/registry_wide.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_registry.h"
#include "provider/controllers/registry_values.h"

namespace {

std::mutex g_lock;  // guards g_parameters; never held while logging

// Plain data, never destroyed: a read during the process's exit still finds it.
BVSS_ProviderParameters& Stored() {
    static BVSS_ProviderParameters parameters;
    return parameters;
}

// A 32-bit parameter: stored only when the value is a REG_DWORD of 4 bytes.
struct DwordParameter {
    const WCHAR* name;
    DWORD BVSS_ProviderParameters::*field;
    const WCHAR* missingMessage;  // null: a missing value is not logged
    const WCHAR* wrongTypeMessage;
    const WCHAR* wrongLengthMessage;
};

constexpr DwordParameter kDwordParameters[] = {
    // clang-format off
    {L"StartingLun", &BVSS_ProviderParameters::StartingLun, L"Open StartingLun Key Failed!",
     L"StartingLun has wrong type!", L"StartingLun has wrong length!"},
    {L"StandardVolumesAreSupported", &BVSS_ProviderParameters::StandardVolumesAreSupported, nullptr,
     L"StandardVolumesAreSupported has wrong type!", L"StandardVolumesAreSupported has wrong length!"},
    {L"RecordSnapshotSetIds", &BVSS_ProviderParameters::RecordSnapshotSetIds, nullptr,
     L"RecordSnapshotSetIds has wrong type!", L"RecordSnapshotSetIds has wrong length!"},
    {L"FullCopyStallSeconds", &BVSS_ProviderParameters::FullCopyStallSeconds, nullptr,
     L"FullCopyStallSeconds has wrong type!", L"FullCopyStallSeconds has wrong length!"},
    // clang-format on
};

}  // namespace

DWORD readProviderParameters() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProviderParametersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        BVSS_DebugPrint(
            L"Open SYSTEM\\CurrentControlSet\\Services\\DOVURERUDOredezor\\Parameters Key Failed!\n");
        return kProviderParametersUnreadable;
    }
    BVSS_ProviderParameters read = ProviderParameters();
    DWORD result = 0;
    if (!ReadRegistryString(key, L"Name", read.Name, kProviderNameChars)) {
        BVSS_DebugPrint(L"Open Name Key Failed!");
        result = kProviderParametersUnreadable;
    }
    if (!ReadRegistryString(key, L"Version", read.Version, kProviderVersionChars)) {
        BVSS_DebugPrint(L"Open Version Key Failed!");
        result = kProviderParametersUnreadable;
    }
    for (const DwordParameter& parameter : kDwordParameters) {
        switch (ReadRegistryDword(key, parameter.name, &(read.*parameter.field))) {
            case RegistryDword::Missing:
                if (parameter.missingMessage != nullptr) BVSS_DebugPrint(L"%s", parameter.missingMessage);
                break;
            case RegistryDword::WrongType: BVSS_DebugPrint(L"%s", parameter.wrongTypeMessage); break;
            case RegistryDword::WrongLength: BVSS_DebugPrint(L"%s", parameter.wrongLengthMessage); break;
            case RegistryDword::Read:
                if (parameter.field == &BVSS_ProviderParameters::RecordSnapshotSetIds)
                    BVSS_DebugPrint(L"RecordSnapshotSetIds = %d\n", read.RecordSnapshotSetIds);
                break;
        }
    }
    RegCloseKey(key);
    std::lock_guard<std::mutex> g(g_lock);
    Stored() = read;
    return result;
}

BVSS_ProviderParameters ProviderParameters() {
    std::lock_guard<std::mutex> g(g_lock);
    return Stored();
}

void ResetProviderParametersForTests() {
    std::lock_guard<std::mutex> g(g_lock);
    Stored() = BVSS_ProviderParameters{};
}
