// The keys and default values of "corlink4.conf", shared by its reader and its writer.
#pragma once

#include <cstdint>

namespace proxy_config {

// Keys are padded with blanks to 9 characters and compared exactly.
constexpr const char* kKeyVersion = "version  ";
constexpr const char* kKeyAddress = "ipaddress";
constexpr const char* kKeyUser = "username ";
constexpr const char* kKeyPassword = "password ";
constexpr const char* kKeyPort = "port     ";

constexpr const char* kFileName = "corlink4.conf";
constexpr int kDefaultVersion = 1;
constexpr const char* kLoopbackText = "127.0.0.1";
constexpr uint32_t kLoopbackAddress = 0x7F000001;  // host order
constexpr const char* kDefaultUser = "proxyuser";
constexpr uint16_t kDefaultPort = 1285;

}  // namespace proxy_config
