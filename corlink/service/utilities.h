// Text, number and error-text helpers shared by several parts of the proxy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "corlink/service/log.h"

// The file's content as UTF-8 (a UTF-16 file, marked FF FE or FE FF, is converted; a UTF-8 mark is
// dropped); empty when the file cannot be read.
std::string ReadTextFileUtf8(const char* path);
// printf-style formatting into a string of any length.
std::string FormatString(const char* format, ...) CORLINK_PRINTF(1, 2);
// The system's text for the last error and " (0x<code>)"; empty when it does not fit. Returns 1.
int GetSystemErrorText(char* buffer, uint32_t size);
// Exactly `count` bytes from hexadecimal digits (an optional 0x prefix); 1 on success, else 0.
int HexStringToBytes(const char* text, uint32_t count, uint8_t* bytes);
