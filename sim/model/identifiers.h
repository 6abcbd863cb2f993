// The identifiers the fabric's model shares: SCSI addresses as the host sees them, serial numbers and
// world wide names, and their hexadecimal text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

using Serial6 = std::array<uint8_t, 6>;
using Serial16 = std::array<uint8_t, 16>;
using Wwn = std::array<uint8_t, 8>;

// Where a LUN sits as the host sees it: "\\.\Scsi<adapter>:" and bus (path id), target, LUN.
struct ScsiAddress {
    uint8_t adapter = 0;
    uint8_t bus = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
    bool operator==(const ScsiAddress&) const = default;
};

// Upper-case hexadecimal text of some bytes ("%02X" each).
std::string HexText(const uint8_t* bytes, size_t count);
template <size_t N>
std::string HexText(const std::array<uint8_t, N>& bytes) {
    return HexText(bytes.data(), N);
}
// Exactly `count` bytes from their hexadecimal text (either case, an optional 0x prefix). False when the text
// is anything else; the bytes are then zero, except those already read before a digit that is not
// hexadecimal.
bool BytesFromHexText(std::string_view text, uint8_t* bytes, size_t count);

}  // namespace sim
