#include "corlink/capi_wire/converter.h"

namespace capi {
namespace {

const StructDesc* SelectVariant(const StructDesc& unionDesc, int32_t busType) {
    for (size_t i = 0; i < unionDesc.variantCount; ++i) {
        const UnionVariant& v = unionDesc.variants[i];
        if (v.selector == kAnySelector || v.selector == busType) return v.layout;
    }
    return nullptr;
}

void ConvertField(const FieldDesc& f, int32_t mode, uint8_t* base, int32_t busType) {
    uint8_t* p = base + f.offset;
    const size_t bytes = size_t{f.elemSize} * f.count;
    switch (f.kind) {
        case FieldKind::U16:
        case FieldKind::I16:
            for (size_t o = 0; o < bytes; o += 2) SwapBytes16(p + o);
            break;
        case FieldKind::U32:
        case FieldKind::I32:
            for (size_t o = 0; o < bytes; o += 4) SwapBytes32(p + o);
            break;
        case FieldKind::Ip16:
            for (size_t o = 0; o < bytes; o += 16) SwapBytes32(p + o + 12);
            break;
        case FieldKind::Struct:
        case FieldKind::Union:
            for (uint32_t e = 0; e < f.count; ++e)
                ConvertStruct(*f.nested, mode, p + size_t{e} * f.elemSize, busType);
            break;
        case FieldKind::U8:
        case FieldKind::I8:
        case FieldKind::Bytes:
        case FieldKind::Chars: break;  // single bytes and byte strings never convert
    }
}

}  // namespace

void ConvertStruct(const StructDesc& desc, int32_t mode, void* base, int32_t busType) {
    if (!PackModeConverts(mode)) return;
    auto* p = static_cast<uint8_t*>(base);
    if (desc.selectorOffset >= 0) {
        // The bus type is an 8-bit field: it reads the same before and after conversion.
        const uint8_t selector = p[desc.selectorOffset];
        busType = selector != 0 ? selector : desc.selectorIfZero;
    }
    if (desc.variantCount > 0) {
        if (const StructDesc* layout = SelectVariant(desc, busType)) ConvertStruct(*layout, mode, p, busType);
        return;
    }
    for (size_t i = 0; i < desc.fieldCount; ++i) {
        if (desc.fields[i].conv) ConvertField(desc.fields[i], mode, p, busType);
    }
}

void ConvertStructWithin(const StructDesc& desc, int32_t mode, void* base, size_t length, int32_t busType) {
    if (length >= desc.size) {
        ConvertStruct(desc, mode, base, busType);
        return;
    }
    if (!PackModeConverts(mode)) return;
    auto* p = static_cast<uint8_t*>(base);
    if (desc.selectorOffset >= 0 && static_cast<size_t>(desc.selectorOffset) < length) {
        const uint8_t selector = p[desc.selectorOffset];
        busType = selector != 0 ? selector : desc.selectorIfZero;
    }
    if (desc.variantCount > 0) {
        if (const StructDesc* layout = SelectVariant(desc, busType))
            ConvertStructWithin(*layout, mode, p, length, busType);
        return;
    }
    for (size_t i = 0; i < desc.fieldCount; ++i) {
        const FieldDesc& f = desc.fields[i];
        if (!f.conv || f.offset >= length) continue;
        if (f.offset + size_t{f.elemSize} * f.count <= length) {
            ConvertField(f, mode, p, busType);
            continue;
        }
        // A field cut short: its elements (or words of them) that are whole within the bytes present.
        for (uint32_t e = 0; e < f.count; ++e) {
            const size_t at = f.offset + size_t{e} * f.elemSize;
            if (at >= length) break;
            FieldDesc one = f;
            one.offset = static_cast<uint32_t>(at);
            one.count = 1;
            if (at + f.elemSize <= length) {
                ConvertField(one, mode, p, busType);
            } else if (f.nested != nullptr) {
                ConvertStructWithin(*f.nested, mode, p + at, length - at, busType);
            }
        }
    }
}

uint64_t ConvertRecords(const StructDesc& desc, int32_t mode, void* base, uint64_t count, size_t length) {
    const uint64_t fitting = desc.size == 0 ? 0 : length / desc.size;
    const uint64_t records = count < fitting ? count : fitting;
    auto* p = static_cast<uint8_t*>(base);
    for (uint64_t r = 0; r < records; ++r) ConvertStruct(desc, mode, p + r * desc.size, kNoBusType);
    return records;
}

}  // namespace capi
