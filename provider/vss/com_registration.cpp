#include "provider/vss/com_registration.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/com_classes.h"
#include "platform/module_library.h"
#include "platform/registry.h"
#include "provider/vss/provider_ids.h"

namespace {

// One value (or, with a null value name, a key without values) of the registration; the texts may hold
// the placeholders %APPID%, %CLSID%, %LIBID%, %IID%, %MODULE% and %MODULEDIR%.
struct ClassesEntry {
    const char* key;
    const char* valueName;
    const char* value;
};

constexpr ClassesEntry kEntries[] = {
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
    // the type library and its dual interface
    {"TypeLib\\%LIBID%\\1.0", "", "CAPI PS VSS Hardware Provider 1.0 Type Library"},
    {"TypeLib\\%LIBID%\\1.0\\FLAGS", "", "0"},
    {"TypeLib\\%LIBID%\\1.0\\0\\win32", "", "%MODULE%"},
    {"TypeLib\\%LIBID%\\1.0\\HELPDIR", "", "%MODULEDIR%"},
    {"Interface\\%IID%", "", "IBVSS_HardwareProvider"},
    {"Interface\\%IID%\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}"},
    {"Interface\\%IID%\\TypeLib", "", "%LIBID%"},
    {"Interface\\%IID%\\TypeLib", "Version", "1.0"},
};

// The key written afresh by every registration.
constexpr const char* kReplacedKey = "CLSID\\%CLSID%";

// The keys unregistration removes, each with everything below it.
constexpr const char* kRemovedKeys[] = {
    "AppID\\%APPID%",     "AppID\\DOVURERUDOredezor.DLL", "DOVURERUDOredezor.BVSS_Hardware.1",
    "DOVURERUDOredezor.BVSS_HardwarePr", "CLSID\\%CLSID%", "TypeLib\\%LIBID%",
    "Interface\\%IID%",
};

std::string GuidText(const GUID& guid) {
    WCHAR wide[39];
    StringFromGUID2(guid, wide, 39);
    std::string text;
    for (WCHAR c : wide) {
        if (c == 0) break;
        text += static_cast<char>(c);
    }
    return text;
}

class Placeholders {
  public:
    explicit Placeholders(const std::string& modulePath)
        : values_{{"%APPID%", GuidText(LIBID_BrenlowHardwareProvider)},
                  {"%CLSID%", GuidText(CLSID_BVSS_HardwareProvider)},
                  {"%LIBID%", GuidText(LIBID_BrenlowHardwareProvider)},
                  {"%IID%", GuidText(IID_IBVSS_HardwareProvider)},
                  {"%MODULEDIR%", Directory(modulePath)},
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
    static std::string Directory(const std::string& path) {
        const size_t slash = path.find_last_of("\\/");
        return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
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
    return S_OK;
}

HRESULT UnregisterComServer() {
    const Placeholders placeholders("");
    HRESULT result = S_OK;
    for (const char* key : kRemovedKeys) {
        const LONG status = RegDeleteTreeA(HKEY_CLASSES_ROOT, placeholders.Expand(key).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && result == S_OK)
            result = HRESULT_FROM_WIN32(status);
    }
    return result;
}
