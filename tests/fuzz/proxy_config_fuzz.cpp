// The reader of "corlink4.conf" over arbitrary file contents: no overrun, and the kept texts stay within
// their limits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "corlink/server/configuration.h"
#include "corlink/server/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    g_IpsMode = (data[0] & 1) != 0;  // the first byte chooses the run mode, the rest is the file
    FILE* file = fmemopen(const_cast<uint8_t*>(data + 1), size - 1, "r");
    if (file == nullptr) return 0;
    ClearProxyConfig();
    ReadProxyConfigLines(file);
    fclose(file);
    if (strnlen(g_ProxyUser, sizeof(g_ProxyUser)) > static_cast<size_t>(PROXY_USER_MAX)) abort();
    if (strnlen(g_ProxyPassword, sizeof(g_ProxyPassword)) > static_cast<size_t>(PROXY_PASSWORD_MAX)) abort();
    if (g_IpsMode && g_ListenAddress != 0) abort();
    return 0;
}
