// A COM server library in miniature for the export test: its four entry points and one other function
// with external linkage.
#include <cstdint>

#define COM_ENTRY extern "C" __attribute__((visibility("default")))

extern "C" int32_t ProbeNotExported() { return 1; }

COM_ENTRY int32_t DllCanUnloadNow() { return ProbeNotExported(); }
COM_ENTRY int32_t DllGetClassObject(const void*, const void*, void** object) {
    *object = nullptr;
    return 0;
}
COM_ENTRY int32_t DllRegisterServer() { return 0; }
COM_ENTRY int32_t DllUnregisterServer() { return 0; }
