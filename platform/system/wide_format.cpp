// The formatter of the wide printf family (Windows conventions, see wide_text.h).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/system/wide_text.h"

namespace {

constexpr int kMaxFields = 64;

enum class ArgType : uint8_t { None, Int, Int64, Double, Pointer };

enum class TextWidth : uint8_t { Default, Narrow, Wide };

struct Field {
    const WCHAR* start = nullptr;  // the '%'
    const WCHAR* end = nullptr;    // one past the conversion character
    char flags[8] = {};
    int width = -1;  // -1: none
    bool widthFromArg = false;
    int precision = -1;  // -1: none
    bool precisionFromArg = false;
    int size = 0;  // 0 default (32 bits), 16 'h', 64 "ll" / "I64"
    TextWidth text = TextWidth::Default;
    WCHAR conversion = 0;
    int index = -1;  // the argument's position (0-based)
};

union ArgValue {
    long long i;
    double d;
    const void* p;
};

ArgType TypeOf(const Field& f) {
    switch (f.conversion) {
        case L'd':
        case L'i':
        case L'u':
        case L'x':
        case L'X':
        case L'o':
        case L'c':
        case L'C': return f.size == 64 ? ArgType::Int64 : ArgType::Int;
        case L'e':
        case L'E':
        case L'f':
        case L'F':
        case L'g':
        case L'G':
        case L'a':
        case L'A': return ArgType::Double;
        case L's':
        case L'S':
        case L'p':
        case L'Z': return ArgType::Pointer;
        default: return ArgType::None;
    }
}

int ReadNumber(const WCHAR*& p) {
    int n = 0;
    while (*p >= L'0' && *p <= L'9') {
        if (n < 100000) n = n * 10 + (*p - L'0');
        ++p;
    }
    return n;
}

// Parses the field at p ('%'); false for a conversion this formatter does not know (it is then copied).
bool ParseField(const WCHAR* p, Field* f) {
    f->start = p++;
    const WCHAR* afterPercent = p;
    if (*p >= L'1' && *p <= L'9') {
        const WCHAR* q = p;
        int n = ReadNumber(q);
        if (*q == L'$') {
            f->index = n - 1;
            p = q + 1;
        } else {
            p = afterPercent;
        }
    }
    size_t nf = 0;
    while (std::wcschr(L"-+ #0", *p) != nullptr && *p != 0) {
        if (nf + 1 < sizeof f->flags) f->flags[nf++] = static_cast<char>(*p);
        ++p;
    }
    if (*p == L'*') {
        f->widthFromArg = true;
        ++p;
    } else if (*p >= L'0' && *p <= L'9') {
        f->width = ReadNumber(p);
    }
    if (*p == L'.') {
        ++p;
        if (*p == L'*') {
            f->precisionFromArg = true;
            ++p;
        } else {
            f->precision = ReadNumber(p);
        }
    }
    for (;;) {
        if (*p == L'h') {
            f->size = 16;
            f->text = TextWidth::Narrow;
            ++p;
        } else if (*p == L'l') {
            ++p;
            if (*p == L'l') {
                f->size = 64;
                ++p;
            } else {
                f->text = TextWidth::Wide;
            }
        } else if (*p == L'w') {
            f->text = TextWidth::Wide;
            ++p;
        } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            f->size = 64;
            p += 3;
        } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
            p += 3;
        } else {
            break;
        }
    }
    f->conversion = *p;
    if (TypeOf(*f) == ArgType::None) return false;
    f->end = p + 1;
    return true;
}

class Output {
  public:
    Output(WCHAR* out, size_t capacity) : out_(out), capacity_(capacity) {}
    void Put(WCHAR c) {
        if (length_ + 1 < capacity_) out_[length_] = c;
        ++length_;
    }
    void Finish() {
        if (capacity_ == 0) return;
        out_[length_ < capacity_ ? length_ : capacity_ - 1] = 0;
    }
    size_t length() const { return length_; }

  private:
    WCHAR* out_;
    size_t capacity_;
    size_t length_ = 0;
};

bool HasFlag(const Field& f, char flag) { return std::strchr(f.flags, flag) != nullptr; }

// Text of `length` characters read through at(i), padded to the field's width.
template <class At>
void PutPadded(Output& out, const Field& f, int width, size_t length, At at) {
    const size_t pad = width > 0 && static_cast<size_t>(width) > length ? width - length : 0;
    const bool left = HasFlag(f, '-');
    if (!left)
        for (size_t i = 0; i < pad; ++i) out.Put(L' ');
    for (size_t i = 0; i < length; ++i) out.Put(at(i));
    if (left)
        for (size_t i = 0; i < pad; ++i) out.Put(L' ');
}

void PutText(Output& out, const Field& f, int width, int precision, const void* text, bool wide) {
    static const char kNull[] = "(null)";
    const size_t limit = precision >= 0 ? static_cast<size_t>(precision) : SIZE_MAX;
    if (text == nullptr) {
        text = kNull;
        wide = false;
    }
    if (wide) {
        const WCHAR* w = static_cast<const WCHAR*>(text);
        size_t n = 0;
        while (n < limit && w[n] != 0) ++n;
        PutPadded(out, f, width, n, [&](size_t i) { return w[i]; });
    } else {
        const unsigned char* s = static_cast<const unsigned char*>(text);
        size_t n = 0;
        while (n < limit && s[n] != 0) ++n;
        PutPadded(out, f, width, n, [&](size_t i) { return static_cast<WCHAR>(s[i]); });
    }
}

void PutNumber(Output& out, const Field& f, int width, int precision, const ArgValue& v) {
    char printfFormat[32];
    size_t n = 0;
    printfFormat[n++] = '%';
    for (const char* c = f.flags; *c != 0; ++c) printfFormat[n++] = *c;
    printfFormat[n++] = '*';
    printfFormat[n++] = '.';
    printfFormat[n++] = '*';
    const char conversion = static_cast<char>(f.conversion);
    char text[512];
    int length;
    const int w = width < 0 ? 0 : (width > 400 ? 400 : width);
    const int pr = precision > 400 ? 400 : precision;
    if (conversion == 'p') {
        char pointer[32];
        std::snprintf(pointer, sizeof pointer, "%p", v.p);
        length = std::snprintf(text, sizeof text, HasFlag(f, '-') ? "%-*s" : "%*s", w, pointer);
    } else if (TypeOf(f) == ArgType::Double) {
        printfFormat[n++] = conversion;
        printfFormat[n] = 0;
        length = std::snprintf(text, sizeof text, printfFormat, w, pr, v.d);
    } else {
        printfFormat[n++] = 'l';
        printfFormat[n++] = 'l';
        printfFormat[n++] = conversion;
        printfFormat[n] = 0;
        const bool isSigned = conversion == 'd' || conversion == 'i';
        long long value = v.i;
        if (f.size == 16) {
            value = isSigned ? static_cast<long long>(static_cast<short>(value))
                             : static_cast<long long>(static_cast<unsigned short>(value));
        } else if (f.size != 64) {
            value = isSigned ? static_cast<long long>(static_cast<int>(value))
                             : static_cast<long long>(static_cast<unsigned int>(value));
        }
        length = std::snprintf(text, sizeof text, printfFormat, w, pr, value);
    }
    if (length < 0) return;
    for (int i = 0; i < length && i < static_cast<int>(sizeof text) - 1; ++i)
        out.Put(static_cast<WCHAR>(static_cast<unsigned char>(text[i])));
}

void PutField(Output& out, const Field& f, int width, int precision, const ArgValue& v) {
    switch (f.conversion) {
        case L's':
        case L'S': {
            // Wide printf: %s wide, %S narrow; a size prefix names the width outright.
            bool wide = f.conversion == L's';
            if (f.text == TextWidth::Narrow) wide = false;
            if (f.text == TextWidth::Wide) wide = true;
            PutText(out, f, width, precision, v.p, wide);
            return;
        }
        case L'c':
        case L'C': {
            WCHAR c = f.conversion == L'c' && f.text != TextWidth::Narrow
                          ? static_cast<WCHAR>(v.i)
                          : static_cast<WCHAR>(static_cast<unsigned char>(v.i));
            if (f.text == TextWidth::Wide) c = static_cast<WCHAR>(v.i);
            PutPadded(out, f, width, 1, [&](size_t) { return c; });
            return;
        }
        default: PutNumber(out, f, width, precision, v);
    }
}

}  // namespace

namespace platform {

size_t FormatWide(WCHAR* out, size_t capacity, const WCHAR* format, va_list args) {
    Output output(out, capacity);
    if (format == nullptr) {
        output.Finish();
        return 0;
    }
    // First pass: the fields, and whether they are numbered.
    Field fields[kMaxFields];
    int fieldCount = 0;
    bool numbered = false;
    for (const WCHAR* p = format; *p != 0 && fieldCount < kMaxFields;) {
        if (*p != L'%') {
            ++p;
            continue;
        }
        if (p[1] == L'%') {
            p += 2;
            continue;
        }
        Field f;
        if (!ParseField(p, &f)) {
            ++p;
            continue;
        }
        if (f.index >= 0) numbered = true;
        fields[fieldCount++] = f;
        p = f.end;
    }
    // Fetch the arguments in their order: numbered fields by number, others one after the other with
    // their '*' width and precision first.
    ArgValue values[kMaxFields] = {};
    int widths[kMaxFields];
    int precisions[kMaxFields];
    if (numbered) {
        ArgType types[kMaxFields] = {};
        int highest = -1;
        for (int i = 0; i < fieldCount; ++i) {
            const int at = fields[i].index;
            if (at < 0 || at >= kMaxFields) continue;
            types[at] = TypeOf(fields[i]);
            if (at > highest) highest = at;
        }
        ArgValue byPosition[kMaxFields] = {};
        for (int at = 0; at <= highest; ++at) {
            switch (types[at]) {
                case ArgType::Int64: byPosition[at].i = va_arg(args, long long); break;
                case ArgType::Double: byPosition[at].d = va_arg(args, double); break;
                case ArgType::Pointer: byPosition[at].p = va_arg(args, const void*); break;
                default: byPosition[at].i = va_arg(args, int); break;  // an unused position: one word
            }
        }
        for (int i = 0; i < fieldCount; ++i) {
            const int at = fields[i].index;
            values[i] = at >= 0 && at < kMaxFields ? byPosition[at] : ArgValue{};
            widths[i] = fields[i].width;
            precisions[i] = fields[i].precision;
        }
    } else {
        for (int i = 0; i < fieldCount; ++i) {
            widths[i] = fields[i].widthFromArg ? va_arg(args, int) : fields[i].width;
            precisions[i] = fields[i].precisionFromArg ? va_arg(args, int) : fields[i].precision;
            switch (TypeOf(fields[i])) {
                case ArgType::Int64: values[i].i = va_arg(args, long long); break;
                case ArgType::Double: values[i].d = va_arg(args, double); break;
                case ArgType::Pointer: values[i].p = va_arg(args, const void*); break;
                default: values[i].i = va_arg(args, int); break;
            }
        }
    }
    // Second pass: the text.
    int next = 0;
    for (const WCHAR* p = format; *p != 0;) {
        if (next < fieldCount && p == fields[next].start) {
            PutField(output, fields[next], widths[next], precisions[next], values[next]);
            p = fields[next].end;
            ++next;
            continue;
        }
        if (p[0] == L'%' && p[1] == L'%') {
            output.Put(L'%');
            p += 2;
            continue;
        }
        output.Put(*p++);
    }
    output.Finish();
    return output.length();
}

}  // namespace platform

int _vsnwprintf_s(WCHAR* buffer, size_t sizeInWords, size_t count, const WCHAR* format, va_list args) {
    if (buffer == nullptr || sizeInWords == 0) return -1;
    size_t capacity = sizeInWords;
    if (count != _TRUNCATE && count + 1 < capacity) capacity = count + 1;
    const size_t length = platform::FormatWide(buffer, capacity, format, args);
    return length < capacity ? static_cast<int>(length) : -1;
}

int _vswprintf_p(WCHAR* buffer, size_t sizeInWords, const WCHAR* format, va_list args) {
    if (buffer == nullptr || sizeInWords == 0) return -1;
    const size_t length = platform::FormatWide(buffer, sizeInWords, format, args);
    return length < sizeInWords ? static_cast<int>(length) : -1;
}
