// Each CAPI structure is described once, as a list of rows (offset, member, C type, element count,
// kind, conversion flag, dump label, dump form). From that list come the packed struct, compile-time
// checks of its size and of every member's offset, and the field table that the generic byte-order
// converter walks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace capi {

// How the converter treats one row.
enum class FieldKind : uint8_t {
    U8,
    I8,
    U16,
    I16,
    U32,
    I32,
    Bytes,   // carried as they are
    Chars,   // text, carried as it is
    Struct,  // nested structure, converted by its own description
    Union,   // bus-type union, converted as the layout the selector picks
    Ip16,    // 16-byte address field whose last 4 bytes are one converted 32-bit word (the IPv4 form)
};

// Room for the field dump: labels and value forms are filled where the dump needs them.
enum class DumpForm : uint8_t { None };

struct StructDesc;

struct FieldDesc {
    const char* name;
    uint32_t offset;
    uint32_t elemSize;  // bytes of one element
    uint32_t count;     // elements (1 for a scalar)
    FieldKind kind;
    bool conv;
    const StructDesc* nested;  // Struct and Union rows
    const char* dumpLabel;     // null: not printed
    DumpForm dumpForm;
};

// One layout of a union and the selector value that picks it.
constexpr int32_t kAnySelector = -2;
struct UnionVariant {
    int32_t selector;  // kAnySelector: picked whatever the selector
    const char* member;
    const StructDesc* layout;
};

struct StructDesc {
    const char* name;
    uint32_t size;
    const FieldDesc* fields;
    size_t fieldCount;
    const UnionVariant* variants;  // unions only
    size_t variantCount;
    // Offset of the 8-bit bus type that selects the unions below this structure (-1: none), and
    // the value that stands for a selector byte of 0 there.
    int32_t selectorOffset;
    uint8_t selectorIfZero;
};

template <class T>
struct Desc;  // Desc<T>::value

// T[N], or plain T when N is 1, so that scalars stay scalars.
template <class T, size_t N>
struct Dim {
    using type = T[N];
};
template <class T>
struct Dim<T, 1> {
    using type = T;
};

template <class C>
using Element = std::remove_all_extents_t<C>;

template <class C, FieldKind K>
constexpr const StructDesc* NestedDesc() {
    if constexpr (K == FieldKind::Struct || K == FieldKind::Union) {
        return &Desc<Element<C>>::value;
    } else {
        return nullptr;
    }
}

// The C type of a row must fit its kind (catches a transcribed width that disagrees with the kind).
template <class C, FieldKind K>
constexpr bool KindFits() {
    using E = Element<C>;
    switch (K) {
        case FieldKind::U8: return std::is_same_v<E, uint8_t>;
        case FieldKind::I8: return std::is_same_v<E, int8_t>;
        case FieldKind::U16: return std::is_same_v<E, uint16_t>;
        case FieldKind::I16: return std::is_same_v<E, int16_t>;
        case FieldKind::U32: return std::is_same_v<E, uint32_t>;
        case FieldKind::I32: return std::is_same_v<E, int32_t>;
        case FieldKind::Bytes: return sizeof(E) == 1 && std::is_trivially_copyable_v<E>;
        case FieldKind::Chars: return std::is_same_v<E, char>;
        case FieldKind::Ip16: return std::is_same_v<C, uint8_t[16]>;
        case FieldKind::Struct:
        case FieldKind::Union: return std::is_class_v<E> || std::is_union_v<E>;
    }
    return false;
}

inline constexpr bool Yes = true;
inline constexpr bool No = false;

}  // namespace capi

// No padding anywhere: every structure is a wire format.
#if defined(_MSC_VER)
#define CAPI_PACKED_BEGIN __pragma(pack(push, 1))
#define CAPI_PACKED_END __pragma(pack(pop))
#define CAPI_PACKED
#else
#define CAPI_PACKED_BEGIN
#define CAPI_PACKED_END
#define CAPI_PACKED __attribute__((packed))
#endif

// ---- expansions of one row F(S, offset, member, ctype, count, kind, conv, dumpLabel, dumpForm)
#define CAPI_ROW_MEMBER(S, off, m, ct, n, k, cv, lbl, fm) typename ::capi::Dim<ct, n>::type m;
#define CAPI_ROW_CHECK(S, off, m, ct, n, k, cv, lbl, fm)         \
    static_assert(offsetof(S, m) == (off), #S "." #m " offset"); \
    static_assert(::capi::KindFits<ct, ::capi::FieldKind::k>(), #S "." #m " type does not fit its kind");
#define CAPI_ROW_DESC(S, off, m, ct, n, k, cv, lbl, fm)               \
    ::capi::FieldDesc{#m,                                             \
                      off,                                            \
                      sizeof(ct),                                     \
                      n,                                              \
                      ::capi::FieldKind::k,                           \
                      ::capi::cv,                                     \
                      ::capi::NestedDesc<ct, ::capi::FieldKind::k>(), \
                      lbl,                                            \
                      ::capi::DumpForm::fm},

#define CAPI_STRUCT_WITH_SELECTOR(S, SIZE, SELECTOR_OFFSET, SELECTOR_IF_ZERO)                        \
    CAPI_PACKED_BEGIN struct CAPI_PACKED S { S##_FIELDS(CAPI_ROW_MEMBER, S) };                       \
    CAPI_PACKED_END                                                                                  \
    static_assert(sizeof(S) == (SIZE), #S " size");                                                  \
    static_assert(std::is_standard_layout_v<S> && std::is_trivially_copyable_v<S>, #S " layout");    \
    S##_FIELDS(CAPI_ROW_CHECK, S) template <>                                                        \
    struct capi::Desc<S> {                                                                           \
        static constexpr ::capi::FieldDesc fields[] = {S##_FIELDS(CAPI_ROW_DESC, S)};                \
        static constexpr ::capi::StructDesc value{#S,      SIZE, fields,          std::size(fields), \
                                                  nullptr, 0,    SELECTOR_OFFSET, SELECTOR_IF_ZERO}; \
    };

// Everything about structure S comes from S##_FIELDS.
#define CAPI_STRUCT(S, SIZE) CAPI_STRUCT_WITH_SELECTOR(S, SIZE, -1, 0)

// ---- unions: one row V(U, selector, member, layout) per layout
#define CAPI_VARIANT_MEMBER(U, sel, m, layout) layout m;
#define CAPI_VARIANT_SIZE_CHECK(U, sel, m, layout) \
    static_assert(sizeof(layout) == sizeof(U), #U "." #m " size");
#define CAPI_VARIANT_DESC(U, sel, m, layout) ::capi::UnionVariant{sel, #m, &::capi::Desc<layout>::value},

#define CAPI_UNION(U, SIZE)                                                                      \
    CAPI_PACKED_BEGIN union CAPI_PACKED U { U##_VARIANTS(CAPI_VARIANT_MEMBER, U) };              \
    CAPI_PACKED_END                                                                              \
    static_assert(sizeof(U) == (SIZE), #U " size");                                              \
    U##_VARIANTS(CAPI_VARIANT_SIZE_CHECK, U) template <>                                         \
    struct capi::Desc<U> {                                                                       \
        static constexpr ::capi::UnionVariant variants[] = {U##_VARIANTS(CAPI_VARIANT_DESC, U)}; \
        static constexpr ::capi::StructDesc value{                                               \
            #U, SIZE, nullptr, 0, variants, std::size(variants), -1, 0};                         \
    };
