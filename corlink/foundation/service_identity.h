// The identity of the proxy's Windows service.
#pragma once

constexpr const char* SERVICE_NAME = "corlink4";
constexpr const char* SERVICE_DISPLAY_NAME = "DODO Rivoz 4";
// The service's key in the local machine hive.
constexpr const char* SERVICE_KEY = "SYSTEM\\CurrentControlSet\\Services\\corlink4";
