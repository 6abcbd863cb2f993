// Reading one registry value of the provider's keys with its type and size checked.
#pragma once

#include "platform/files/registry.h"
#include "platform/system/wide_text.h"

// A REG_SZ value of at most capacity - 1 characters is copied and terminated; false for a missing value,
// another type, or a longer text (the destination is then unchanged).
bool ReadRegistryString(HKEY key, const WCHAR* name, WCHAR* destination, size_t capacity);

enum class RegistryDword { Read, Missing, WrongType, WrongLength };
// Stores the value only when it is a REG_DWORD of 4 bytes.
RegistryDword ReadRegistryDword(HKEY key, const WCHAR* name, DWORD* destination);
