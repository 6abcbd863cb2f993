// The field-by-field dump of the CAPI structures: each printed structure has a table of lines in the
// dump's own order, labels and forms (they differ from the fields' order and names), walked over the
// structure's bytes with the fields found by name in the structure's description.
#pragma once

#include <cstdint>
#include <span>

#include "corlink/capi_wire/struct_desc.h"

class DumpPrinter;

enum class Show : uint8_t {
    N,         // an 8- or 16-bit field, unsigned decimal
    SN,        // a 16-bit field, signed decimal
    I,         // a 32-bit field, signed decimal
    U,         // a 32-bit field, unsigned decimal
    C,         // the field's one byte itself
    S,         // text up to its first zero byte, within the field
    Secret,    // a password or community string, masked
    Longs,     // the label and each 32-bit word of the field in unsigned decimal, nothing between them
    HexLine,   // the label and the field's bytes in hexadecimal, on one line at this level
    Bytes,     // a label line and the field's bytes
    Words,     // a label line and the field's 32-bit words (count: at most that many)
    ByteRows,  // a label line and one byte line per element of the field
    Label,     // a label line alone
    Bar,       // the blanks and "|" alone
    Block,     // the nested structure's block (the first element of an array field)
    Blocks,    // a block per element, while below `countField` and `count`
    Values,    // a U line per element of a word array, while below `countField`
    Variant,   // the block of the union's layout named by `field`
    BusUnion,  // the union's heading and the block of the layout its bus type selects
    IpLine,    // by the record's IP version (countField) 4 or 6: the address's last 4 or all 16 bytes; else
               // nothing
    Pairs,     // for each index below `countField`: a byte line of `field` and a block of `second`
    Passes,    // the enclosure's element descriptor texts, pass by pass
};

struct DumpItem {
    Show show;
    const char* label = nullptr;
    const char* field = nullptr;  // member path within the structure, "a.b" for nested members
    uint32_t count = 0;           // see Show
    // Blocks, Values, Pairs: the member holding the count; BusUnion: the bus type
    const char* countField = nullptr;
    const char* second = nullptr;  // Pairs: the list of blocks
};

struct DumpTable {
    const char* heading;
    const capi::StructDesc* desc;
    std::span<const DumpItem> items;
};

// Prints the structure whose description this is, from its bytes: heading, lines and nested blocks at
// the next level; nothing when the structure has no table.
void DumpStructure(const capi::StructDesc& desc, const uint8_t* bytes);

template <class T>
void DumpStructure(const T& record) {
    DumpStructure(capi::Desc<T>::value, reinterpret_cast<const uint8_t*>(&record));
}

// The table of a structure, or null.
const DumpTable* FindDumpTable(const capi::StructDesc& desc);
std::span<const DumpTable> AllDumpTables();

// Where a member path ("a.b") of a structure lies: its row and its offset from the structure's start.
struct DumpField {
    const capi::FieldDesc* row = nullptr;
    uint32_t offset = 0;
};
bool LocateDumpField(const capi::StructDesc& desc, const char* path, DumpField* found);
