// The library's COM entries under HKEY_CLASSES_ROOT as the registration writes them.
#include "provider/vss/com_registration.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files/registry.h"
#include "platform/system/module_library.h"
#include "tests/support/test_root.h"

namespace {

constexpr const char* kServerKey = "CLSID\\{122E0BAB-DAE0-4285-B708-EB497440927A}\\InprocServer32";

bool KeyExists(const char* key) {
    HKEY open = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &open) != ERROR_SUCCESS) return false;
    RegCloseKey(open);
    return true;
}

TEST(ComRegistration, AModulePathThatWasNotFoundWritesNoServerEntry) {
    testsupport::TestRoot root;
    for (const char* path : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(RegisterComServer(path), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
        EXPECT_FALSE(KeyExists(kServerKey));
    }
}

}  // namespace
