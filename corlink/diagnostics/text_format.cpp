#include "corlink/diagnostics/text_format.h"

#include <cassert>
#include <cstdio>
#include <cstring>

namespace {

// One conversion of a format: its text without length modifiers ("%-16.16s") and its letter.
struct Conversion {
    char conversion[32];
    char letter;
    const char* end;  // the format after the conversion
};

// Parses the conversion that starts at `percent` (which points at a '%' that is not "%%").
Conversion ParseConversion(const char* percent) {
    Conversion c{};
    size_t n = 0;
    const char* p = percent;
    c.conversion[n++] = *p++;
    while (*p != '\0' && std::strchr("-+ #0123456789.", *p) != nullptr) {
        if (n < sizeof(c.conversion) - 2) c.conversion[n++] = *p;
        ++p;
    }
    while (*p != '\0' && std::strchr("hlLqjzt", *p) != nullptr) ++p;
    c.letter = *p;
    if (*p != '\0') {
        c.conversion[n++] = *p++;
    }
    c.conversion[n] = '\0';
    c.end = p;
    return c;
}

bool IsTextConversion(char letter) { return letter == 's'; }
bool IsNumberConversion(char letter) { return letter != '\0' && std::strchr("diuxXoc", letter) != nullptr; }

void AppendConversion(std::string& out, const Conversion& c, const FormatArg* arg) {
    assert(arg != nullptr && (arg->IsText() ? IsTextConversion(c.letter) : IsNumberConversion(c.letter)));
    if (arg == nullptr) return;
    auto print = [&](char* buffer, size_t size) -> int {
        if (IsTextConversion(c.letter) && arg->IsText())
            return std::snprintf(buffer, size, c.conversion, arg->Text());
        if (!IsNumberConversion(c.letter) || arg->IsText()) return 0;
        if (c.letter == 'd' || c.letter == 'i' || c.letter == 'c') {
            return std::snprintf(buffer, size, c.conversion,
                                 static_cast<int>(static_cast<int32_t>(arg->Number())));
        }
        return std::snprintf(buffer, size, c.conversion, static_cast<unsigned>(arg->Number()));
    };
    char fragment[256];
    const int length = print(fragment, sizeof(fragment));
    if (length <= 0) return;
    if (static_cast<size_t>(length) < sizeof(fragment)) {
        out.append(fragment, static_cast<size_t>(length));
        return;
    }
    std::string large(static_cast<size_t>(length) + 1, '\0');
    print(large.data(), large.size());
    large.resize(static_cast<size_t>(length));
    out += large;
}

}  // namespace

std::string TextFormat(const char* format, const FormatArg* args, size_t count) {
    std::string out;
    size_t next = 0;
    const char* p = format;
    while (*p != '\0') {
        const char* percent = std::strchr(p, '%');
        if (percent == nullptr) {
            out += p;
            break;
        }
        out.append(p, static_cast<size_t>(percent - p));
        if (percent[1] == '%') {
            out += '%';
            p = percent + 2;
            continue;
        }
        const Conversion c = ParseConversion(percent);
        AppendConversion(out, c, next < count ? &args[next] : nullptr);
        ++next;
        p = c.end;
    }
    assert(next >= count);
    return out;
}

std::string TextFormat(const char* format, std::initializer_list<FormatArg> args) {
    return TextFormat(format, args.begin(), args.size());
}
