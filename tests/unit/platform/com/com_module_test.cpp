// A library made a COM server exports its four entry points and nothing else.
#include <gtest/gtest.h>

#include "platform/kernel/last_error.h"
#include "platform/system/module_library.h"

TEST(ComModuleTest, ExportsOnlyTheFourEntryPoints) {
    HMODULE module = LoadLibraryA(COM_MODULE_PROBE);
    ASSERT_NE(module, nullptr);
    for (const char* name :
         {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}) {
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    }
    EXPECT_EQ(GetProcAddress(module, "ProbeNotExported"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(module));
}
