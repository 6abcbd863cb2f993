// One printer of the controller-database dump: it appends to the dump file through an opening of its own
// and writes its lines two columns deeper than the printer around it. The indentation level is one value
// for the whole process, kept from one dump to the next; dumps run under the state-change mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class DumpPrinter {
  public:
    DumpPrinter();   // opens the dump file for appending and adds 2 to the level
    ~DumpPrinter();  // subtracts 2 and closes
    DumpPrinter(const DumpPrinter&) = delete;
    DumpPrinter& operator=(const DumpPrinter&) = delete;

    // The blanks of the current level, "|", the text and a line break; flushed at once.
    void Line(const std::string& text) const;
    // A line two columns deeper, as the byte and word array printers write it.
    void DeeperLine(const std::string& text) const;

    // Value lines: the label, then the value in the form the dump's table gives.
    void Unsigned(const char* label, uint64_t value) const { Line(label + std::to_string(value)); }
    void Signed(const char* label, int64_t value) const { Line(label + std::to_string(value)); }
    // The text up to its first zero byte, never past `size` bytes.
    void Text(const char* label, const void* field, size_t size) const;
    // A password or community string: "********" unless it is empty.
    void Secret(const char* label, const void* field, size_t size) const;
    // A label line, then the bytes as two lower-case hexadecimal digits each.
    void Bytes(const char* label, const uint8_t* bytes, size_t count) const;
    // A label line, then each 32-bit word in lower-case hexadecimal with at least two digits.
    void Words(const char* label, const uint8_t* words, size_t count) const;

    static int& Level();

  private:
    void Write(int level, const std::string& text) const;
    FILE* file_;
};

std::string HexBytes(const uint8_t* bytes, size_t count);
