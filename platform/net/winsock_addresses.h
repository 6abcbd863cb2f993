// Winsock's byte-order helpers and dotted IPv4 text.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

constexpr ULONG INADDR_NONE = 0xFFFFFFFF;

uint32_t htonl(uint32_t value);
uint32_t ntohl(uint32_t value);
uint16_t htons(uint16_t value);
uint16_t ntohs(uint16_t value);
// The address of dotted text ("127.0.0.1") in network order; INADDR_NONE for text that is not one.
ULONG inet_addr(const char* text);
