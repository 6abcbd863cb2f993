// WMI result objects as bytes, for a WMI provider that answers in another process (the simulated fabric's
// server): a count of objects, each a count of named values; a value is a tag and its payload. Decoding
// trusts nothing: every count and length is bounded by the bytes left, objects nest at most kMaxWmiDepth.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/devices/wmi.h"

namespace platform::wmi_wire {

inline constexpr int kMaxWmiDepth = 4;

std::vector<uint8_t> Encode(const std::vector<WmiObjectRef>& objects);
// False when the bytes are not a whole, well-formed encoding.
bool Decode(const uint8_t* bytes, size_t length, std::vector<WmiObjectRef>* objects);

}  // namespace platform::wmi_wire
