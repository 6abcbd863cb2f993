// The proxy's configuration file "corlink4.conf" as the provider finds and reads it: the address, port,
// version and the proxy user's name and password.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kProxyUserChars = 32;      // the session copy, with its terminator
constexpr size_t kProxyPasswordChars = 48;  // the session copy, with its terminator

// What the file set. A key missing from a file keeps the value of an earlier read.
struct ProxyConfig {
    uint32_t version = 0;
    uint32_t address = 0;  // IPv4, network order
    uint16_t port = 0;
    char user[kProxyUserChars] = {};
    char password[kProxyPasswordChars] = {};
};

// Reads one file into config; 0 when it was opened, -1 when not. A user name longer than 31 or a password
// longer than 47 characters is refused (the value stays unset) and logged without the value.
int read_proxy_config(const char* path, ProxyConfig* config);
// The registry's ConfigurationFile value of the proxy's service into a 260-byte path buffer ("" when none).
void get_config_path_from_registry(char* path, size_t size);
// Tries the system directory, the path in the registry and SysWOW64, stopping at the first file that
// opens; -1 when none opens.
int find_proxy_config(ProxyConfig* config);
