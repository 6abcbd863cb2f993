// The registry's wide calls: a string value is read as wide text (its size in bytes counts WCHARs), every
// other type as its bytes.
#pragma once

#include "platform/files/registry.h"
#include "platform/system/wide_text.h"

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
