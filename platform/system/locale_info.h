// What the system says of its locales. This machine has one: English, United States, code page 1252.
#pragma once

#include "platform/win_types.h"

using LCID = DWORD;
using LCTYPE = DWORD;

constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCTYPE LOCALE_IDEFAULTCODEPAGE = 0x000B;
constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;
constexpr LCTYPE LOCALE_SENGCOUNTRY = 0x1002;

constexpr DWORD ERROR_INVALID_FLAGS = 1004;

// The text of one item with its terminator; returns the characters written with the terminator (the size
// needed when size is 0), or 0 with ERROR_INSUFFICIENT_BUFFER or ERROR_INVALID_FLAGS.
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int size);
