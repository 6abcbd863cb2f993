#include "platform/com/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// The length prefix in front of the text.
constexpr size_t kPrefix = sizeof(uint64_t);  // keeps the text aligned for WCHAR

uint32_t* PrefixOf(BSTR text) { return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(text) - kPrefix); }

}  // namespace

BSTR SysAllocString(const WCHAR* text) {
    if (text == nullptr) return nullptr;
    const size_t length = std::wcslen(text);
    char* block = static_cast<char*>(std::malloc(kPrefix + (length + 1) * sizeof(WCHAR)));
    if (block == nullptr) return nullptr;
    const uint32_t bytes = static_cast<uint32_t>(length * sizeof(WCHAR));
    std::memcpy(block, &bytes, sizeof bytes);
    BSTR string = reinterpret_cast<BSTR>(block + kPrefix);
    std::memcpy(string, text, (length + 1) * sizeof(WCHAR));
    return string;
}

void SysFreeString(BSTR text) {
    if (text != nullptr) std::free(PrefixOf(text));
}

UINT SysStringLen(BSTR text) {
    return text == nullptr ? 0 : static_cast<UINT>(*PrefixOf(text) / sizeof(WCHAR));
}
