#include "corlink/diagnostics/dump_printer.h"

#include <cstring>

#include "corlink/foundation/service_params.h"
#include "platform/files/files.h"

namespace {

constexpr const char* kDumpFileName = "corlink.dat";
constexpr const char* kMasked = "********";

std::string FieldText(const void* field, size_t size) {
    const char* text = static_cast<const char*>(field);
    return std::string(text, strnlen(text, size));
}

}  // namespace

int& DumpPrinter::Level() {
    static int level = 0;
    return level;
}

DumpPrinter::DumpPrinter()
    : file_(platform::OpenFile((std::string(g_InstallDirectory) + kDumpFileName).c_str(), "a")) {
    Level() += 2;
}

DumpPrinter::~DumpPrinter() {
    Level() -= 2;
    if (file_ != nullptr) std::fclose(file_);
}

void DumpPrinter::Write(int level, const std::string& text) const {
    if (file_ == nullptr) return;
    if (level > 0) std::fprintf(file_, "%*s", level, "");
    std::fputc('|', file_);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void DumpPrinter::Line(const std::string& text) const { Write(Level(), text); }
void DumpPrinter::DeeperLine(const std::string& text) const { Write(Level() + 2, text); }

void DumpPrinter::Text(const char* label, const void* field, size_t size) const {
    Line(label + FieldText(field, size));
}

void DumpPrinter::Secret(const char* label, const void* field, size_t size) const {
    Line(std::string(label) + (FieldText(field, size).empty() ? "" : kMasked));
}

void DumpPrinter::Bytes(const char* label, const uint8_t* bytes, size_t count) const {
    Line(label);
    DeeperLine(HexBytes(bytes, count));
}

void DumpPrinter::Words(const char* label, const uint8_t* words, size_t count) const {
    Line(label);
    std::string text;
    char digits[16];
    for (size_t w = 0; w < count; ++w) {
        uint32_t word = 0;
        std::memcpy(&word, words + 4 * w, sizeof word);
        std::snprintf(digits, sizeof digits, "%02x", word);
        text += digits;
    }
    DeeperLine(text);
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}
