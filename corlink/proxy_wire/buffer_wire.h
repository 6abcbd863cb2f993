// The wire format of every proxy command buffer: which rows of the buffer's description travel
// big-endian (PackRre<Command>), read from the descriptions in buffers_*.h. Converting is a byte reversal,
// so the same walk serves both directions; only a count-driven list cares which way it goes, because its
// count must be read in host order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "corlink/proxy_wire/buffer_desc.h"

namespace rre_wire {

// The codes that share one buffer format (0-126).
struct CodeSet {
    uint64_t bits[2] = {};
    constexpr CodeSet(std::initializer_list<uint32_t> codes) {
        for (uint32_t c : codes) bits[c / 64] |= uint64_t{1} << (c % 64);
    }
    constexpr bool Has(uint32_t code) const {
        return code < 128 && (bits[code / 64] >> (code % 64) & 1) != 0;
    }
};

struct BufferFormat {
    const char* converter;  // PackRre<Command>
    CodeSet codes;
    const BufferDesc* layout;  // the buffer's description
    uint32_t length;           // bytes the buffer spans: the larger of request and reply
    bool head;                 // status and code converted
};

// Every buffer format of the proxy's command set.
std::span<const BufferFormat> AllBufferFormats();
// The format of a command code's buffer, or null for a code without a converter.
const BufferFormat* BufferFormatOf(uint32_t code);
// The format named PackRre<Command>, or null.
const BufferFormat* BufferFormatNamed(const char* converter);

// Converts the `length` bytes at buffer in place by the format: every converted row as far as it lies within
// them (a structure cut short converts the words it holds); a list whose count exceeds its capacity or the
// bytes present converts only the elements that fit whole.
void Pack(const BufferFormat& format, int32_t mode, uint8_t* buffer, size_t length);

}  // namespace rre_wire

// The converter of a command code's buffer over its whole declared length; no-op for a code without one.
void PackRreBuffer(uint32_t code, int32_t mode, uint8_t* buffer);
// The same over the bytes the caller holds (a reply read from the network may be shorter).
void PackRreBuffer(uint32_t code, int32_t mode, uint8_t* buffer, size_t length);
