// The include types of a CAPI command packet: for each type the structure it carries and the rule that
// gives its length from the command's param1.
#pragma once

#include <cstdint>

enum class IncludeSizeRule : uint8_t {
    Fixed,     // one structure of `bytes` bytes
    Records,   // param1 records of `bytes` bytes each
    RawBytes,  // param1 bytes, carried unchanged (`bytes` is 1)
};

struct CapiIncludeType {
    uint32_t type;
    IncludeSizeRule rule;
    uint32_t bytes;
    const char* structure;  // the CAPI structure's name; nullptr for raw bytes and types without one
    bool converted;         // whether the include converter applies the structure's converter
};

// The row of an include type, or nullptr for 0 and every type that carries no include.
const CapiIncludeType* FindCapiIncludeType(uint32_t includeType);

// The number of include bytes a command carries. Computed in 64 bits: a record count from a caller
// can never wrap the size round to a small number.
uint64_t CapiIncludeSize(uint32_t includeType, uint32_t param1);
