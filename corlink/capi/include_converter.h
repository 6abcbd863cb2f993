// The include converter of packet building: converts a command's include structure by its include
// type (always in the CAPI send mode, so that the packet code can call it unconditionally).
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/capi_wire/struct_desc.h"

namespace capi {

// How one include type is converted: once as its structure, or as param1 records of it.
struct IncludeConversion {
    uint32_t type;
    const StructDesc* desc;
    bool records;
};

// The conversion of an include type, or nullptr for a type that converts nothing (none, raw bytes,
// types without a structure converter).
const IncludeConversion* FindIncludeConversion(uint32_t includeType);

}  // namespace capi

// Converts the include at `include` (`includeLength` bytes: a record count never walks past them).
void PackIncludeStruct(uint32_t includeType, void* include, uint32_t param1, size_t includeLength);
