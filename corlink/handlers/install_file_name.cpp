#include "corlink/handlers/install_file_name.h"

#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasParentComponent(const std::string& name) {
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool ReadInstallFileName(const uint8_t* field, size_t fieldSize, std::string* name) {
    const void* end = std::memchr(field, 0, fieldSize);
    if (end == nullptr) return false;
    const std::string text(reinterpret_cast<const char*>(field), static_cast<const uint8_t*>(end) - field);
    if (text.empty() || IsSeparator(text[0])) return false;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ':' || byte < 0x20 || byte == 0x7F) return false;
    }
    if (HasParentComponent(text)) return false;
    *name = text;
    return true;
}
