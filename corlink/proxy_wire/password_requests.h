// The buffers of VERIFY_PASSWORD (97) and SET_PASSWORD (98): the places of their fields, from the
// buffer's description.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/proxy_wire/buffers_controller.h"

constexpr uint32_t PASSWORD_REQUEST_LENGTH = sizeof(RRE_PASSWORD_BUFFER);
constexpr uint32_t PASSWORD_REQUEST_UNIQUE_SN_OFFSET = offsetof(RRE_PASSWORD_BUFFER, UniqueSN);
constexpr uint32_t PASSWORD_REQUEST_PASSWORD_OFFSET = offsetof(RRE_PASSWORD_BUFFER, password);
constexpr uint32_t PASSWORD_REQUEST_TEXT_SIZE = sizeof(RRE_PASSWORD_BUFFER::password);
