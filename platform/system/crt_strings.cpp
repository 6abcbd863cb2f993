#include "platform/system/crt_strings.h"

namespace {
int LowerAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
}  // namespace

int _stricmp(const char* a, const char* b) {
    const auto* p = reinterpret_cast<const unsigned char*>(a);
    const auto* q = reinterpret_cast<const unsigned char*>(b);
    for (;; ++p, ++q) {
        int diff = LowerAscii(*p) - LowerAscii(*q);
        if (diff != 0 || *p == '\0') return diff;
    }
}
