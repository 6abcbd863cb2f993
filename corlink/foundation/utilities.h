// Text, number and error-text helpers shared by several parts of the proxy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "corlink/foundation/log.h"

// The file's content as UTF-8 (a UTF-16 file, marked FF FE or FE FF, is converted; a UTF-8 mark is
// dropped); empty when the file cannot be read.
std::string ReadTextFileUtf8(const char* path);
// printf-style formatting into a string of any length.
std::string FormatString(const char* format, ...) CORLINK_PRINTF(1, 2);
// The system's text for the last error and " (0x<code>)"; empty when it does not fit. Returns 1.
int GetSystemErrorText(char* buffer, uint32_t size);
// Exactly `count` bytes from hexadecimal digits (an optional 0x prefix); 1 on success, else 0.
int HexStringToBytes(const char* text, uint32_t count, uint8_t* bytes);

// Conversions kept with the library for completeness (the proxy itself does not call them).
// Text to a 64-bit integer as the run-time library reads one: leading white space, a sign, base 0
// (decimal, 0 octal, 0x hexadecimal) or 2 to 36; stops at the first other character and gives its position
// in *end (the text itself for another base). On overflow the result is the largest value of the type and
// *ok is 0; otherwise *ok is 1.
int64_t TextToInt64(const char* text, const char** end, int base, int* ok);
uint64_t TextToUint64(const char* text, const char** end, int base, int* ok);
// With a 0x prefix the value of the last 8 hexadecimal digits (other characters count 0); else decimal.
uint32_t HexTextToUint32(const char* text);
// "a.b.c.d" to four bytes; 0 at a character that is neither a digit nor a dot, else 1.
int DottedTextToBytes(const char* text, uint8_t bytes[4]);
// Two lower-case digits per byte into `text`, which holds at least 2 x count + 1 characters.
void BytesToHexText(const uint8_t* bytes, uint32_t count, char* text);
// "%d.%d.%d.%d" into a 17-byte buffer.
void BytesToDottedText(const uint8_t bytes[4], char text[17]);
// Windows version flags, read once: 6.0 or later, 6.1 or later, 6.2 or later.
bool IsWindows2008OrLater();
bool IsWindows7OrLater();
bool IsWindows8OrLater();
// Creates (or empties) `outputFile`, runs "<program> <arguments>" with its standard output there and waits
// for it to end, then appends a note of the command line. 1 when the command ran, 0 when the file could not
// be created or the command not started (logged).
int RunCommandIntoFile(const char* outputFile, const char* program, const char* arguments);
