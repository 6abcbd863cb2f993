// The one byte-order converter behind every structure converter: it walks a structure's description
// and reverses each 16- and 32-bit field whose row is marked converted, recursing into nested
// structures and into the union layout that the bus type selects.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/struct_desc.h"

namespace capi {

// No bus type known: a union converts only a layout that every bus type selects.
constexpr int32_t kNoBusType = -1;

// Converts one structure of desc.size bytes at base in place (nothing in the CAPI modes).
void ConvertStruct(const StructDesc& desc, int32_t mode, void* base, int32_t busType = kNoBusType);

// Converts the fields of one structure that lie whole within the `length` bytes at base: a structure cut
// short by the bytes present converts what it holds, word by word, and the rest stays as it is.
void ConvertStructWithin(const StructDesc& desc, int32_t mode, void* base, size_t length,
                         int32_t busType = kNoBusType);

// Converts up to `count` consecutive records, the record size as stride, but only records that lie
// whole within the `length` bytes at base. Returns the number of records converted.
uint64_t ConvertRecords(const StructDesc& desc, int32_t mode, void* base, uint64_t count, size_t length);

template <class T>
void Convert(int32_t mode, T* structure, int32_t busType = kNoBusType) {
    ConvertStruct(Desc<T>::value, mode, structure, busType);
}

}  // namespace capi
