// The process's COM class table: class objects registered by the program (or a test) under their class
// IDs, CoCreateInstance and CoGetClassObject over it, and the registry form of a GUID. Classes are not
// loaded from the registry's InprocServer32 entries: a program that wants a library's class loads the
// library and asks its DllGetClassObject.
#pragma once

#include <string>

#include "platform/com/com_unknown.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_ALL =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Registers a class object (it gets a reference) for the contexts given; the cookie revokes it. A class
// registered twice is answered by the later registration until that is revoked.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD clsContext, DWORD flags,
                              LPDWORD cookie);
// Drops the registration and its reference; CO_E_OBJNOTREG for an unknown cookie.
HRESULT CoRevokeClassObject(DWORD cookie);
// The registered class object asked for iid; REGDB_E_CLASSNOTREG when no registration serves the context.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void* serverInfo, REFIID iid, void** object);
// CreateInstance of the registered class object's IClassFactory.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid, void** object);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case; the characters written with the terminator (39),
// or 0 when size is below that.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int size);

namespace platform {
// The same registry form as narrow text, for registry keys and log lines.
std::string GuidText(REFGUID guid);
}  // namespace platform

// A new random GUID (version 4) from the system's secure generator; E_FAIL when the generator failed.
HRESULT CoCreateGuid(GUID* guid);
