// RegisterTypeLib and UnRegisterTypeLib: a library's keys under HKEY_CLASSES_ROOT.
#include <cstdio>
#include <string>

#include "platform/com/com_classes.h"
#include "platform/com/type_library.h"
#include "platform/files/registry.h"
#include "platform/system/wide_text.h"

namespace {

std::string VersionKey(REFGUID libid, WORD major, WORD minor) {
    char version[16];
    std::snprintf(version, sizeof version, "%x.%x", major, minor);
    return "TypeLib\\" + platform::GuidText(libid) + "\\" + version;
}

bool SetText(const std::string& key, const char* name, const std::string& value) {
    HKEY open = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &open, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG status = RegSetValueExA(open, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(open);
    return status == ERROR_SUCCESS;
}

std::string GetText(const std::string& key, const char* name) {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return {};
    char value[4096] = {};
    DWORD size = sizeof value - 1;
    const LONG status = RegQueryValueExA(open, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(open);
    return status == ERROR_SUCCESS ? std::string(value) : std::string();
}

std::string Directory(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The library's dual interfaces: their registry keys.
template <class Each>
void ForEachDualInterface(ITypeLib* library, Each each) {
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(library->GetTypeInfo(i, &info))) continue;
        TYPEATTR* attributes = nullptr;
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attributes)) &&
            SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) {
            if ((attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0)
                each("Interface\\" + platform::GuidText(attributes->guid), platform::NarrowText(name));
        }
        SysFreeString(name);
        if (attributes != nullptr) info->ReleaseTypeAttr(attributes);
        info->Release();
    }
}

}  // namespace

HRESULT RegisterTypeLib(ITypeLib* library, const WCHAR* fullPath, const WCHAR* helpDir) {
    if (library == nullptr || fullPath == nullptr) return E_INVALIDARG;
    TLIBATTR* attributes = nullptr;
    if (FAILED(library->GetLibAttr(&attributes))) return TYPE_E_REGISTRYACCESS;
    const std::string libid = platform::GuidText(attributes->guid);
    const std::string versionKey =
        VersionKey(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum);
    char flags[8];
    std::snprintf(flags, sizeof flags, "%u", attributes->wLibFlags);
    library->ReleaseTLibAttr(attributes);
    BSTR helpString = nullptr;
    library->GetDocumentation(-1, nullptr, &helpString, nullptr, nullptr);
    const std::string path = platform::NarrowText(fullPath);
    bool written = SetText(versionKey, "", platform::NarrowText(helpString)) &&
                   SetText(versionKey + "\\FLAGS", "", flags) &&
                   SetText(versionKey + "\\0\\win32", "", path) &&
                   SetText(versionKey + "\\HELPDIR", "",
                           helpDir != nullptr ? platform::NarrowText(helpDir) : Directory(path));
    SysFreeString(helpString);
    const std::string marshaller = platform::GuidText(CLSID_PSOAInterface);
    ForEachDualInterface(library, [&](const std::string& key, const std::string& name) {
        written = written && SetText(key, "", name) && SetText(key + "\\ProxyStubClsid", "", marshaller) &&
                  SetText(key + "\\ProxyStubClsid32", "", marshaller) &&
                  SetText(key + "\\TypeLib", "", libid) &&
                  SetText(key + "\\TypeLib", "Version", versionKey.substr(versionKey.rfind('\\') + 1));
    });
    return written ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT UnRegisterTypeLib(REFGUID libid, WORD majorVersion, WORD minorVersion, LCID, SYSKIND) {
    const std::string versionKey = VersionKey(libid, majorVersion, minorVersion);
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, versionKey.c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS)
        return TYPE_E_REGISTRYACCESS;
    RegCloseKey(open);
    // The interfaces are those of the registered file's library, when its module is loaded.
    const std::string path = GetText(versionKey + "\\0\\win32", "");
    const std::wstring widePath(path.begin(), path.end());
    ITypeLib* library = nullptr;
    if (!path.empty() && SUCCEEDED(LoadTypeLib(widePath.c_str(), &library))) {
        ForEachDualInterface(library, [](const std::string& key, const std::string&) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
        });
        library->Release();
    }
    if (RegDeleteTreeA(HKEY_CLASSES_ROOT, versionKey.c_str()) != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    RegDeleteKeyA(HKEY_CLASSES_ROOT,
                  ("TypeLib\\" + platform::GuidText(libid)).c_str());  // stays while versions remain
    return S_OK;
}
