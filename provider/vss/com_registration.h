// The library's COM registration under HKEY_CLASSES_ROOT: its AppID, its class with the two ProgIDs and the
// in-process server entry naming the library's file, and its type library with the dual interface.
#pragma once

#include "platform/com/com_results.h"

// Writes every entry, the class's key written afresh; the first failure as an HRESULT. A missing or empty
// module path writes nothing and fails with ERROR_MOD_NOT_FOUND.
HRESULT RegisterComServer(const char* modulePath);
// Removes the same entries (the AppID and CLSID keys themselves stay); entries already gone are no
// failure. The first failure as an HRESULT, the other entries still removed.
HRESULT UnregisterComServer();
