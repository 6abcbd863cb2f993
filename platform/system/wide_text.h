// Wide text as the Windows C runtime and system calls know it: WCHAR strings, the wide printf family with
// the Windows conventions, and the conversions between wide text and the ANSI code page.
//
// The wide printf conventions differ from the C library's: in a wide format %s and %c take wide text, %S
// and %C narrow text (%hs, %hc, %ls, %lc, %ws name the width explicitly), the "l" size means 32 bits,
// "ll" and "I64" 64 bits, and fields may be numbered ("%2$08X"). One formatter serves every wide printf
// here; it renders text arguments itself, so no byte or character that a conversion cannot represent ever
// makes it fail.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "platform/win_types.h"

using WCHAR = wchar_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;

// The count for _vsnwprintf_s that asks for truncation instead of failure.
constexpr size_t _TRUNCATE = static_cast<size_t>(-1);

// Formats into buffer (sizeInWords characters with the terminator). count is the most characters to write
// or _TRUNCATE. A text that does not fit is cut and terminated; the result is then -1, otherwise the length.
int _vsnwprintf_s(WCHAR* buffer, size_t sizeInWords, size_t count, const WCHAR* format, va_list args);
// The same with numbered fields ("%1$s"); numbered and unnumbered fields are not mixed in one format.
// Returns the length written, or -1 when the text was cut (it is terminated in either case).
int _vswprintf_p(WCHAR* buffer, size_t sizeInWords, const WCHAR* format, va_list args);

// The ANSI code page here is Latin-1: each byte is the character of the same value; a wide character above
// 0xFF becomes '?'.
constexpr UINT CP_ACP = 0;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

// cbMultiByte or cchWideChar of -1: the text is terminated and the terminator is converted too. A size of
// 0 for the output asks for the length needed. 0 with ERROR_INSUFFICIENT_BUFFER when the output is too
// small (nothing useful is written then).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int cbMultiByte, LPWSTR wideChar,
                        int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar, int cchWideChar, LPSTR multiByte,
                        int cbMultiByte, LPCSTR defaultChar, BOOL* usedDefaultChar);

namespace platform {
// Wide text up to its terminator in the ANSI code page, for the wide calls that stand on their narrow
// twins: a character above 0xFF becomes '?', as with WideCharToMultiByte. A null text gives the empty text.
std::string NarrowText(LPCWSTR text);
// The one formatter behind the wide printf family: writes at most capacity characters with the terminator
// (nothing when capacity is 0) and returns the length the whole text has.
size_t FormatWide(WCHAR* out, size_t capacity, const WCHAR* format, va_list args);
}  // namespace platform
