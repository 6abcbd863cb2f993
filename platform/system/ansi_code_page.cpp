// Conversions between wide text and the ANSI code page (Latin-1 here).
#include "platform/kernel/last_error.h"
#include "platform/system/wide_text.h"

namespace {

// The characters of a text of `count` (-1: up to and with its terminator).
template <class C>
int SourceLength(const C* text, int count) {
    if (count >= 0) return count;
    int n = 0;
    while (text[n] != 0) ++n;
    return n + 1;
}

template <class From, class To, class CharMap>
int Convert(const From* source, int count, To* out, int capacity, CharMap convert) {
    if (source == nullptr || count < -1 || capacity < 0 || (capacity > 0 && out == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int length = SourceLength(source, count);
    if (capacity == 0) return length;
    if (length > capacity) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (int i = 0; i < length; ++i) out[i] = convert(source[i]);
    return length;
}

}  // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR multiByte, int cbMultiByte, LPWSTR wideChar, int cchWideChar) {
    return Convert(multiByte, cbMultiByte, wideChar, cchWideChar,
                   [](char c) { return static_cast<WCHAR>(static_cast<unsigned char>(c)); });
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR wideChar, int cchWideChar, LPSTR multiByte, int cbMultiByte,
                        LPCSTR defaultChar, BOOL* usedDefaultChar) {
    const char replacement = defaultChar != nullptr ? *defaultChar : '?';
    bool used = false;
    const int result = Convert(wideChar, cchWideChar, multiByte, cbMultiByte, [&](WCHAR c) {
        if (static_cast<uint32_t>(c) <= 0xFF) return static_cast<char>(c);
        used = true;
        return replacement;
    });
    if (usedDefaultChar != nullptr) *usedDefaultChar = used ? TRUE : FALSE;
    return result;
}

std::string platform::NarrowText(LPCWSTR text) {
    if (text == nullptr) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.pop_back();  // the terminator
    return narrow;
}
