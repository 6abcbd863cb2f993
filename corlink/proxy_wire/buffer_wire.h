// The wire format of every proxy command buffer as data: which 32-bit words, 64-bit values and CAPI
// structures of the buffer travel big-endian. One description per buffer shape (PackRre<Command>), read by
// the CAPI structure converter for the structures it holds. Converting is a byte reversal, so the same
// walk serves both directions; only a count-driven list cares which way it goes, because its count must
// be read in host order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "corlink/capi/struct_desc.h"

namespace rre_wire {

enum class ItemKind : uint8_t {
    None,     // end of the item list
    Words,    // `count` consecutive 32-bit words
    U64,      // a CAPI_U64: two 32-bit words, each reversed in place
    Records,  // `count` structures, one after the other
    Counted,  // a list whose element count is the 32-bit word at countOffset, clamped to `count`
};

struct Item {
    ItemKind kind = ItemKind::None;
    uint32_t offset = 0;
    uint32_t count = 1;                        // Words, Records: how many; Counted: the list's capacity
    const capi::StructDesc* record = nullptr;  // Records, Counted
    uint32_t stride = 0;                       // Counted: bytes per element (the record may be shorter)
    uint32_t countOffset = 0;                  // Counted
    bool toNetworkOnly = false;                // Counted: the list converts only toward the network
};

// The codes that share one buffer shape (0-126).
struct CodeSet {
    uint64_t bits[2] = {};
    constexpr CodeSet(std::initializer_list<uint32_t> codes) {
        for (uint32_t c : codes) bits[c / 64] |= uint64_t{1} << (c % 64);
    }
    constexpr bool Has(uint32_t code) const { return code < 128 && (bits[code / 64] >> (code % 64) & 1) != 0; }
};

constexpr size_t kMaxItems = 5;

struct BufferFormat {
    const char* converter;  // PackRre<Command>
    CodeSet codes;
    uint32_t length;        // bytes the buffer spans: the larger of request and reply
    bool head;              // status and code converted first
    Item items[kMaxItems];
};

// Every buffer format of the proxy's command set.
std::span<const BufferFormat> AllBufferFormats();
// The format of a command code's buffer, or null for a code without a converter.
const BufferFormat* BufferFormatOf(uint32_t code);
// The format named PackRre<Command>, or null.
const BufferFormat* BufferFormatNamed(const char* converter);

// Converts the `length` bytes at buffer in place by the format; a list whose count exceeds its capacity or
// the bytes present converts only the elements that fit.
void Pack(const BufferFormat& format, int32_t mode, uint8_t* buffer, size_t length);

}  // namespace rre_wire

// The converter of a command code's buffer over its whole declared length; no-op for a code without one.
void PackRreBuffer(uint32_t code, int32_t mode, uint8_t* buffer);
// The same over the bytes the caller holds (a reply read from the network may be shorter).
void PackRreBuffer(uint32_t code, int32_t mode, uint8_t* buffer, size_t length);
