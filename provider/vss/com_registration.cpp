#include "provider/vss/com_registration.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/com/com_classes.h"
#include "platform/files/registry.h"
#include "platform/system/module_library.h"
#include "provider/vss/provider_ids.h"
#include "provider/vss/provider_type_library.h"

namespace {

// One value (or, with a null value name, a key without values) of the registration; the texts may hold
// the placeholders %APPID%, %CLSID%, %LIBID% and %MODULE%.
struct ClassesEntry {
    const char* key;
    const char* valueName;
    const char* value;
};

constexpr ClassesEntry kEntries[] = {
    // clang-format off
    // the AppID
    {"AppID\\%APPID%", "", "DOVURERUDOredezor"},
    {"AppID\\DOVURERUDOredezor.DLL", "AppID", "%APPID%"},
    // the class and its ProgIDs
    {"DOVURERUDOredezor.BVSS_Hardware.1", "", "BVSS_HardwareProvider Object"},
    {"DOVURERUDOredezor.BVSS_Hardware.1\\CLSID", "", "%CLSID%"},
    {"DOVURERUDOredezor.BVSS_HardwarePr", "", "BVSS_HardwareProvider Object"},
    {"DOVURERUDOredezor.BVSS_HardwarePr\\CLSID", "", "%CLSID%"},
    {"DOVURERUDOredezor.BVSS_HardwarePr\\CurVer", "", "DOVURERUDOredezor.BVSS_Hardware.1"},
    {"CLSID\\%CLSID%", "", "BVSS_HardwareProvider Object"},
    {"CLSID\\%CLSID%", "AppID", "%APPID%"},
    {"CLSID\\%CLSID%\\ProgID", "", "DOVURERUDOredezor.BVSS_Hardware.1"},
    {"CLSID\\%CLSID%\\VersionIndependentProgID", "", "DOVURERUDOredezor.BVSS_HardwarePr"},
    {"CLSID\\%CLSID%\\Programmable", nullptr, nullptr},
    {"CLSID\\%CLSID%\\InprocServer32", "", "%MODULE%"},
    {"CLSID\\%CLSID%\\InprocServer32", "ThreadingModel", "apartment"},
    {"CLSID\\%CLSID%\\TypeLib", "", "%LIBID%"},
    // clang-format on
};

// The key written afresh by every registration.
constexpr const char* kReplacedKey = "CLSID\\%CLSID%";

// The keys unregistration removes, each with everything below it.
constexpr const char* kRemovedKeys[] = {
    "AppID\\%APPID%",
    "AppID\\DOVURERUDOredezor.DLL",
    "DOVURERUDOredezor.BVSS_Hardware.1",
    "DOVURERUDOredezor.BVSS_HardwarePr",
    "CLSID\\%CLSID%",
};

class Placeholders {
  public:
    explicit Placeholders(const std::string& modulePath)
        : values_{{"%APPID%", platform::GuidText(LIBID_BrenlowHardwareProvider)},
                  {"%CLSID%", platform::GuidText(CLSID_BVSS_HardwareProvider)},
                  {"%LIBID%", platform::GuidText(LIBID_BrenlowHardwareProvider)},
                  {"%MODULE%", modulePath}} {}
    std::string Expand(const char* text) const {
        std::string out = text;
        for (const auto& [name, value] : values_) {
            for (size_t at = out.find(name); at != std::string::npos; at = out.find(name, at + value.size()))
                out.replace(at, name.size(), value);
        }
        return out;
    }

  private:
    std::vector<std::pair<std::string, std::string>> values_;
};

LONG WriteEntry(const ClassesEntry& entry, const Placeholders& placeholders) {
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, placeholders.Expand(entry.key).c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    if (entry.valueName != nullptr) {
        const std::string value = placeholders.Expand(entry.value);
        status = RegSetValueExA(key, entry.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
    }
    RegCloseKey(key);
    return status;
}

// The type library of the module's file, with its dual interface.
HRESULT RegisterModuleTypeLib(const std::string& modulePath) {
    const std::wstring path(modulePath.begin(), modulePath.end());
    ITypeLib* library = nullptr;
    HRESULT result = LoadTypeLib(path.c_str(), &library);
    if (FAILED(result)) return result;
    result = RegisterTypeLib(library, path.c_str(), nullptr);
    library->Release();
    return result;
}

}  // namespace

HRESULT RegisterComServer(const char* modulePath) {
    // Without the library's file there is nothing for InprocServer32 to name: nothing is written.
    if (modulePath == nullptr || modulePath[0] == 0) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    const Placeholders placeholders(modulePath);
    const LONG removed = RegDeleteTreeA(HKEY_CLASSES_ROOT, placeholders.Expand(kReplacedKey).c_str());
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(removed);
    for (const ClassesEntry& entry : kEntries) {
        const LONG status = WriteEntry(entry, placeholders);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    return RegisterModuleTypeLib(modulePath);
}

HRESULT UnregisterComServer() {
    const Placeholders placeholders("");
    HRESULT result = S_OK;
    for (const char* key : kRemovedKeys) {
        const LONG status = RegDeleteTreeA(HKEY_CLASSES_ROOT, placeholders.Expand(key).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && result == S_OK)
            result = HRESULT_FROM_WIN32(status);
    }
    const HRESULT typeLib = UnRegisterTypeLib(LIBID_BrenlowHardwareProvider, kProviderTypeLibMajor,
                                              kProviderTypeLibMinor, 0, SYS_WIN32);
    // gone: no failure
    if (FAILED(typeLib) && typeLib != TYPE_E_REGISTRYACCESS && result == S_OK) result = typeLib;
    return result;
}
