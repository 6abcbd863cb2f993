// Number and address conversions and the Windows version flags.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>

#include "corlink/foundation/log.h"
#include "corlink/foundation/utilities.h"
#include "platform/system/os_version.h"

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

struct Parsed {
    uint64_t magnitude = 0;
    bool negative = false;
    bool overflow = false;
};

// The common reader of both wrappers; `limit` is the largest magnitude the caller's type holds.
Parsed ReadInteger(const char* text, const char** end, int base, uint64_t limit) {
    Parsed parsed;
    if (end != nullptr) *end = text;
    if (text == nullptr || base < 0 || base == 1 || base > 36) return parsed;
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '+' || *p == '-') parsed.negative = *p++ == '-';
    const bool hexPrefix = p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16;
    if ((base == 0 || base == 16) && hexPrefix) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == '0' ? 8 : 10;
    }
    const char* digits = p;
    for (int d = DigitValue(*p); d < base; d = DigitValue(*++p)) {
        const uint64_t b = static_cast<uint64_t>(base);
        if (parsed.magnitude > (limit - static_cast<uint64_t>(d)) / b) {
            parsed.overflow = true;
        } else {
            parsed.magnitude = parsed.magnitude * b + static_cast<uint64_t>(d);
        }
    }
    if (end != nullptr) *end = p == digits ? text : p;
    return parsed;
}

struct VersionFlags {
    bool win2008;
    bool win7;
    bool win8;
};

const VersionFlags& Flags() {
    static const VersionFlags flags = [] {
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        GetVersionExA(&info);
        const DWORD major = info.dwMajorVersion;
        const DWORD minor = info.dwMinorVersion;
        const VersionFlags f{major >= 6, major > 6 || (major == 6 && minor >= 1),
                             major > 6 || (major == 6 && minor >= 2)};
        DebugPrint("win2008=%d win7=%d win8=%d major=%d minor=%d\n", f.win2008, f.win7, f.win8,
                   static_cast<int>(major), static_cast<int>(minor));
        return f;
    }();
    return flags;
}

}  // namespace

int64_t TextToInt64(const char* text, const char** end, int base, int* ok) {
    constexpr uint64_t kLargest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    const Parsed parsed = ReadInteger(text, end, base, kLargest);
    if (ok != nullptr) *ok = parsed.overflow ? 0 : 1;
    if (parsed.overflow) return std::numeric_limits<int64_t>::max();
    const auto value = static_cast<int64_t>(parsed.magnitude);
    return parsed.negative ? -value : value;
}

uint64_t TextToUint64(const char* text, const char** end, int base, int* ok) {
    const Parsed parsed = ReadInteger(text, end, base, std::numeric_limits<uint64_t>::max());
    if (ok != nullptr) *ok = parsed.overflow ? 0 : 1;
    if (parsed.overflow) return std::numeric_limits<uint64_t>::max();
    return parsed.negative ? 0 - parsed.magnitude : parsed.magnitude;
}

uint32_t HexTextToUint32(const char* text) {
    if (text == nullptr) return 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t value = 0;
        for (const char* p = text + 2; *p != '\0'; ++p) {
            const int d = DigitValue(*p);
            value = value << 4 | static_cast<uint32_t>(d < 16 ? d : 0);
        }
        return value;
    }
    uint32_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    return value;
}

int DottedTextToBytes(const char* text, uint8_t bytes[4]) {
    std::memset(bytes, 0, 4);
    if (text == nullptr) return 0;
    uint32_t part = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '.') {
            if (++part == 4) return 0;
        } else if (*p >= '0' && *p <= '9') {
            bytes[part] = static_cast<uint8_t>(bytes[part] * 10 + (*p - '0'));
        } else {
            return 0;
        }
    }
    return 1;
}

void BytesToHexText(const uint8_t* bytes, uint32_t count, char* text) {
    std::memset(text, 0, 2 * static_cast<size_t>(count) + 1);
    for (uint32_t i = 0; i < count; ++i) std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
}

void BytesToDottedText(const uint8_t bytes[4], char text[17]) {
    std::memset(text, 0, 17);
    std::snprintf(text, 17, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
}

bool IsWindows2008OrLater() { return Flags().win2008; }
bool IsWindows7OrLater() { return Flags().win7; }
bool IsWindows8OrLater() { return Flags().win8; }
