// The buffers of VERIFY_PASSWORD (97) and SET_PASSWORD (98): 76 bytes in and out, a storage system's
// UniqueSN and a password as NUL-padded texts; only status and code travel big-endian.
#pragma once

#include <cstdint>

constexpr uint32_t PASSWORD_REQUEST_LENGTH = 76;
constexpr uint32_t PASSWORD_REQUEST_UNIQUE_SN_OFFSET = 12;
constexpr uint32_t PASSWORD_REQUEST_PASSWORD_OFFSET = 44;
constexpr uint32_t PASSWORD_REQUEST_TEXT_SIZE = 32;
