#include "platform/com/com_classes.h"

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/system/secure_random.h"
#include "platform/system/wide_text.h"

namespace {

struct Registration {
    CLSID clsid;
    IUnknown* classObject;
    DWORD context;
    DWORD cookie;
};

std::mutex g_lock;
std::vector<Registration> g_classes;  // guarded by g_lock; the latest registration last
DWORD g_nextCookie = 1;

// The class object serving clsid in the context, with a reference for the caller; null when none.
IUnknown* FindClassObject(REFCLSID clsid, DWORD context) {
    std::lock_guard<std::mutex> hold(g_lock);
    for (auto it = g_classes.rbegin(); it != g_classes.rend(); ++it) {
        if (it->clsid == clsid && (it->context & context) != 0) {
            it->classObject->AddRef();
            return it->classObject;
        }
    }
    return nullptr;
}

}  // namespace

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD clsContext, DWORD,
                              LPDWORD cookie) {
    if (classObject == nullptr || cookie == nullptr) return E_INVALIDARG;
    classObject->AddRef();
    std::lock_guard<std::mutex> hold(g_lock);
    *cookie = g_nextCookie++;
    g_classes.push_back({clsid, classObject, clsContext, *cookie});
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
    IUnknown* revoked = nullptr;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        for (auto it = g_classes.begin(); it != g_classes.end(); ++it) {
            if (it->cookie == cookie) {
                revoked = it->classObject;
                g_classes.erase(it);
                break;
            }
        }
    }
    if (revoked == nullptr) return CO_E_OBJNOTREG;
    revoked->Release();  // outside the table's lock: the last release runs the object's destructor
    return S_OK;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void*, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    IUnknown* classObject = FindClassObject(clsid, clsContext);
    if (classObject == nullptr) return REGDB_E_CLASSNOTREG;
    const HRESULT result = classObject->QueryInterface(iid, object);
    classObject->Release();
    return result;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT result =
        CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(result)) return result;
    result = factory->CreateInstance(outer, iid, object);
    factory->Release();
    return result;
}

int StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
    constexpr int kChars = 39;
    if (text == nullptr || size < kChars) return 0;
    char narrow[kChars + 1];
    std::snprintf(narrow, sizeof narrow, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    for (int i = 0; i < kChars; ++i) text[i] = static_cast<OLECHAR>(static_cast<unsigned char>(narrow[i]));
    return kChars;
}

std::string platform::GuidText(REFGUID guid) {
    WCHAR text[39] = {};
    StringFromGUID2(guid, text, 39);
    return platform::NarrowText(text);
}

HRESULT CoCreateGuid(GUID* guid) {
    if (guid == nullptr) return E_INVALIDARG;
    if (!platform::SecureRandomBytes(guid, sizeof *guid)) return E_FAIL;
    guid->Data3 = static_cast<WORD>((guid->Data3 & 0x0FFF) | 0x4000);    // version 4
    guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);  // the RFC 4122 variant
    return S_OK;
}
