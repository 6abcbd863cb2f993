// printf-style formatting from a format string held in a table, with 32-bit arguments checked against
// their conversions one by one.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// One argument: a 32-bit number (printed by %d, %i, %u, %x, %X or %c) or a text (printed by %s).
class FormatArg {
  public:
    FormatArg(uint32_t number) : number_(number) {}                             // NOLINT: implicit on purpose
    FormatArg(int32_t number) : number_(static_cast<uint32_t>(number)) {}       // NOLINT
    FormatArg(const std::string& text) : text_(text.c_str()), isText_(true) {}  // NOLINT
    FormatArg(const char* text) : text_(text), isText_(true) {}                 // NOLINT

    bool IsText() const { return isText_; }
    uint32_t Number() const { return number_; }
    const char* Text() const { return text_; }

  private:
    uint32_t number_ = 0;
    const char* text_ = "";
    bool isText_ = false;
};

// Formats `format` with printf conventions, except that a length modifier (l) is ignored: every number
// is 32 bits, as in the controllers' event texts. The formats are the program's own: a conversion
// without an argument of its kind (a number for %s, a text for a number, none left) or an argument left
// over is a fault of the caller (asserted; in a release build the conversion prints nothing).
std::string TextFormat(const char* format, std::initializer_list<FormatArg> args);
std::string TextFormat(const char* format, const FormatArg* args, size_t count);
