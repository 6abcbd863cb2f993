#include "corlink/foundation/utilities.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/windows_api.h"

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 code units up to the first zero unit, as UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<uint16_t>& units) {
    std::string out;
    for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
        uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string ReadTextFileUtf8(const char* path) {
    FILE* f = platform::OpenFile(path, "rb");
    if (f == nullptr) return {};
    std::string bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);

    auto starts = [&](const char* mark, size_t length) {
        return bytes.compare(0, length, mark, length) == 0;
    };
    const bool littleEndian = starts("\xFF\xFE", 2);
    const bool bigEndian = starts("\xFE\xFF", 2);
    if (littleEndian || bigEndian) {
        std::vector<uint16_t> units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            auto lo = static_cast<uint8_t>(bytes[littleEndian ? i : i + 1]);
            auto hi = static_cast<uint8_t>(bytes[littleEndian ? i + 1 : i]);
            units.push_back(static_cast<uint16_t>(lo | hi << 8));
        }
        return Utf16ToUtf8(units);
    }
    if (starts("\xEF\xBB\xBF", 3)) return bytes.substr(3);
    return bytes;
}

std::string FormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string out;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return out;
}

int GetSystemErrorText(char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return 1;
    buffer[0] = '\0';
    DWORD error = GetLastError();
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length != 0 && size >= length + 14) {
        text[length >= 2 ? length - 2 : 0] = '\0';  // drop the text's own line end
        std::snprintf(buffer, size, "%s (0x%x)", text, static_cast<unsigned>(error));
    }
    if (text != nullptr) LocalFree(text);
    return 1;
}

int HexStringToBytes(const char* text, uint32_t count, uint8_t* bytes) {
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    std::memset(bytes, 0, count);
    if (std::strlen(text) != static_cast<size_t>(count) * 2) return 0;
    for (uint32_t i = 0; i < count; ++i) {
        int hi = HexDigit(text[2 * i]);
        int lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return 0;
        bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return 1;
}
