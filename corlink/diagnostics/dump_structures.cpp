#include "corlink/diagnostics/dump_structures.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "corlink/diagnostics/dump_printer.h"

namespace {

constexpr uint32_t kDescriptorPasses = 64;

// The element descriptor texts of an advanced enclosure, in the order of each pass.
constexpr struct {
    const char* label;
    const char* field;
} kDescriptorKinds[] = {
    // clang-format off
    {"powerSupplyDesc ", "powerSupplyDesc"},     {"coolingElemDesc ", "coolingElemDesc"},
    {"tempSensorDesc ", "tempSensorDesc"},       {"voltageSensorDesc ", "voltageSensorDesc"},
    {"diskDriveDesc ", "diskDriveDesc"},         {"upsDesc ", "upsDesc"},
    {"portDesc ", "portDesc"},                   {"currentSensorDesc ", "currentSensorDesc"},
    {"portBypassDesc ", "portBypassDesc"},       {"enclServicesDesc ", "enclServicesDesc"},
    // clang-format on
};

// An unsigned field of 1, 2 or 4 bytes.
uint32_t Unsigned(const uint8_t* at, uint32_t size) {
    switch (size) {
        case 1: return at[0];
        case 2: {
            uint16_t value = 0;
            std::memcpy(&value, at, sizeof value);
            return value;
        }
        default: {
            uint32_t value = 0;
            std::memcpy(&value, at, sizeof value);
            return value;
        }
    }
}

int32_t Signed(const uint8_t* at, uint32_t size) {
    const uint32_t value = Unsigned(at, size);
    if (size == 2) return static_cast<int16_t>(value);
    if (size == 1) return static_cast<int8_t>(value);
    return static_cast<int32_t>(value);
}

class StructurePrinter {
  public:
    StructurePrinter(const capi::StructDesc& desc, const uint8_t* bytes) : desc_(desc), bytes_(bytes) {}

    // One row of the table, written by the structure's own printer (nested blocks open theirs).
    void Print(const DumpPrinter& printer, const DumpItem& item) const;

  private:
    DumpField Field(const char* path) const {
        DumpField found;
        LocateDumpField(desc_, path, &found);
        return found;
    }
    const uint8_t* At(const DumpField& field) const { return bytes_ + field.offset; }
    uint32_t Size(const DumpField& field) const { return field.row->elemSize * field.row->count; }
    uint32_t Number(const char* path) const {
        const DumpField field = Field(path);
        return field.row != nullptr ? Unsigned(At(field), field.row->elemSize) : 0;
    }
    // Elements of the field to walk: below the count member and the cap, never past the field.
    uint32_t Walked(const DumpItem& item, const DumpField& field) const {
        uint32_t n = item.countField != nullptr ? Number(item.countField) : field.row->count;
        if (item.count != 0) n = std::min(n, item.count);
        return std::min(n, field.row->count);
    }
    void Passes(const DumpPrinter& printer) const;
    void BusUnion(const DumpItem& item, const DumpField& field) const;

    const capi::StructDesc& desc_;
    const uint8_t* bytes_;
};

void StructurePrinter::Print(const DumpPrinter& printer, const DumpItem& item) const {
    switch (item.show) {
        case Show::Label: return printer.Line(item.label);
        case Show::Bar: return printer.Line("");
        case Show::Passes: return Passes(printer);
        default: break;
    }
    const DumpField field = Field(item.field);
    if (field.row == nullptr) return;
    const uint8_t* at = At(field);
    const uint32_t elem = field.row->elemSize;
    switch (item.show) {
        case Show::N:
        case Show::U: return printer.Unsigned(item.label, Unsigned(at, elem));
        case Show::SN:
        case Show::I: return printer.Signed(item.label, Signed(at, elem));
        case Show::C: return printer.Line(item.label + std::string(1, static_cast<char>(at[0])));
        case Show::S: return printer.Text(item.label, at, Size(field));
        case Show::Secret: return printer.Secret(item.label, at, Size(field));
        case Show::Longs: {
            std::string text = item.label;
            for (uint32_t w = 0; w < Size(field) / 4; ++w) text += std::to_string(Unsigned(at + 4 * w, 4));
            return printer.Line(text);
        }
        case Show::HexLine: return printer.Line(item.label + HexBytes(at, Size(field)));
        case Show::Bytes: return printer.Bytes(item.label, at, Size(field));
        case Show::Words: return printer.Words(item.label, at, std::min(item.count, Size(field) / 4));
        case Show::ByteRows:
            printer.Line(item.label);
            for (uint32_t r = 0; r < field.row->count; ++r) printer.DeeperLine(HexBytes(at + r * elem, elem));
            return;
        case Show::Block: return DumpStructure(*field.row->nested, at);
        case Show::Blocks:
            for (uint32_t e = 0; e < Walked(item, field); ++e)
                DumpStructure(*field.row->nested, at + e * elem);
            return;
        case Show::Values:
            for (uint32_t e = 0; e < Walked(item, field); ++e)
                printer.Unsigned(item.label, Unsigned(at + e * elem, 4));
            return;
        case Show::Variant: return;  // a union's layout: printed by DumpStructure
        case Show::BusUnion: return BusUnion(item, field);
        case Show::IpLine: {
            const uint32_t version = Number(item.countField);
            if (version == 4) printer.Bytes(item.label, at + Size(field) - 4, 4);
            if (version == 6) printer.Bytes(item.label, at, Size(field));
            return;
        }
        case Show::Pairs: {
            const DumpField blocks = Field(item.second);
            if (blocks.row == nullptr) return;
            const uint32_t n = std::min(Walked(item, field), blocks.row->count);
            for (uint32_t e = 0; e < n; ++e) {
                printer.Bytes(item.label, at + e * elem, elem);
                DumpStructure(*blocks.row->nested, At(blocks) + e * blocks.row->elemSize);
            }
            return;
        }
        case Show::Label:
        case Show::Bar:
        case Show::Passes: return;
    }
}

// Each pass prints the text at its index of every kind that has that many texts.
void StructurePrinter::Passes(const DumpPrinter& printer) const {
    for (uint32_t pass = 0; pass < kDescriptorPasses; ++pass) {
        for (const auto& kind : kDescriptorKinds) {
            const DumpField field = Field(kind.field);
            if (field.row == nullptr || pass >= field.row->count) continue;
            printer.Text(kind.label, At(field) + pass * field.row->elemSize, field.row->elemSize);
        }
    }
}

// The union's heading, then the block of the layout that the bus type selects (none for a layout
// the dump does not print).
void StructurePrinter::BusUnion(const DumpItem& item, const DumpField& field) const {
    const capi::StructDesc& unionDesc = *field.row->nested;
    const int32_t busType = static_cast<int32_t>(Number(item.countField));
    DumpPrinter printer;
    printer.Line(unionDesc.name);
    for (size_t v = 0; v < unionDesc.variantCount; ++v) {
        const capi::UnionVariant& variant = unionDesc.variants[v];
        if (variant.selector == busType && FindDumpTable(*variant.layout) != nullptr) {
            DumpStructure(*variant.layout, At(field));
        }
    }
}

}  // namespace

bool LocateDumpField(const capi::StructDesc& desc, const char* path, DumpField* found) {
    const capi::StructDesc* current = &desc;
    uint32_t base = 0;
    std::string_view rest = path != nullptr ? path : "";
    while (current != nullptr && current->fields != nullptr) {
        const size_t dot = rest.find('.');
        const std::string_view name = rest.substr(0, dot);
        const capi::FieldDesc* row = nullptr;
        for (size_t f = 0; f < current->fieldCount && row == nullptr; ++f) {
            if (name == current->fields[f].name) row = &current->fields[f];
        }
        if (row == nullptr) return false;
        if (dot == std::string_view::npos) {
            *found = {row, base + row->offset};
            return true;
        }
        base += row->offset;
        current = row->nested;
        rest = rest.substr(dot + 1);
    }
    return false;
}

void DumpStructure(const capi::StructDesc& desc, const uint8_t* bytes) {
    const DumpTable* table = FindDumpTable(desc);
    if (table == nullptr) return;
    DumpPrinter printer;
    printer.Line(table->heading);
    const StructurePrinter structure(desc, bytes);
    for (const DumpItem& item : table->items) {
        if (item.show == Show::Variant) {
            for (size_t v = 0; v < desc.variantCount; ++v) {
                if (std::strcmp(desc.variants[v].member, item.field) == 0)
                    DumpStructure(*desc.variants[v].layout, bytes);
            }
            continue;
        }
        structure.Print(printer, item);
    }
}
