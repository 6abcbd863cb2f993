// Each proxy request and reply buffer is described once, as a list of rows (offset, member, C type, element
// count, byte order), the way the CAPI structures are. From that list come the packed struct that handlers
// and clients read and write by field name, compile-time checks of its size and of every member's offset,
// and the row table from which the buffer's converter (PackRre<Command>) takes its byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

#include "corlink/capi_wire/struct_desc.h"

namespace rre_wire {

// How a row travels.
enum class Order : uint8_t {
    Host,       // in the host's order, as it is
    Net,        // big-endian: each 32-bit word reversed, a structure converted by its own description
    Count,      // the element count of a list row, converted with its list
    List,       // elements counted by a Count row, converted both ways
    ListOut,    // the same, converted only toward the network
    BigEndian,  // written and read big-endian by the code that fills it; no converter touches it
};

struct Row {
    const char* name;
    uint32_t offset;
    uint32_t elemSize;  // bytes of one element (the stride of a list)
    uint32_t count;     // elements (1 for a scalar; a list's capacity)
    Order order;
    const capi::StructDesc* record;  // structure rows: the element's description
    uint32_t countOffset;            // List, ListOut: where the Count row is
};

struct BufferDesc {
    const char* name;
    uint32_t size;
    const Row* rows;
    size_t rowCount;
};

template <class T>
struct Layout;  // Layout<T>::value

template <class C>
constexpr const capi::StructDesc* RecordOf() {
    using E = capi::Element<C>;
    if constexpr (std::is_class_v<E>) {
        return &capi::Desc<E>::value;
    } else {
        return nullptr;
    }
}

// A converted row is a 32-bit word or a described structure; a list's elements are structures.
template <class C, Order O>
constexpr bool OrderFits() {
    using E = capi::Element<C>;
    switch (O) {
        case Order::Net:
            return std::is_class_v<E> || std::is_same_v<E, uint32_t> || std::is_same_v<E, int32_t>;
        case Order::Count: return std::is_same_v<E, uint32_t>;
        case Order::BigEndian:
            return std::is_class_v<E> || std::is_same_v<E, uint32_t> || std::is_same_v<E, int32_t>;
        case Order::List:
        case Order::ListOut: return std::is_class_v<E>;
        case Order::Host: return true;
    }
    return false;
}

// The buffer in a byte buffer, read and written by field name.
template <class T>
T* BufferAs(uint8_t* buffer) {
    return reinterpret_cast<T*>(buffer);
}
template <class T>
const T* BufferAs(const uint8_t* buffer) {
    return reinterpret_cast<const T*>(buffer);
}

}  // namespace rre_wire

// ---- the byte-order column: the order, then how to find a list's count
#define RRE_ORDER_Host ::rre_wire::Order::Host, [](auto) { return 0u; }
#define RRE_ORDER_Net ::rre_wire::Order::Net, [](auto) { return 0u; }
#define RRE_ORDER_Count ::rre_wire::Order::Count, [](auto) { return 0u; }
#define RRE_ORDER_BigEndian ::rre_wire::Order::BigEndian, [](auto) { return 0u; }
#define RRE_ORDER_List(countMember) \
    ::rre_wire::Order::List,        \
        [](auto t) { return uint32_t(offsetof(typename decltype(t)::type, countMember)); }
#define RRE_ORDER_ListOut(countMember) \
    ::rre_wire::Order::ListOut,        \
        [](auto t) { return uint32_t(offsetof(typename decltype(t)::type, countMember)); }

// ---- expansions of one row F(S, offset, member, ctype, count, order)
#define RRE_ROW_MEMBER(S, off, m, ct, n, ord) typename ::capi::Dim<ct, n>::type m;
#define RRE_ROW_CHECK(S, off, m, ct, n, ord) RRE_ROW_CHECK_(S, off, m, ct, n, RRE_ORDER_##ord)
#define RRE_ROW_CHECK_(...) RRE_ROW_CHECK_N(__VA_ARGS__)
#define RRE_ROW_CHECK_N(S, off, m, ct, n, order, countAt)        \
    static_assert(offsetof(S, m) == (off), #S "." #m " offset"); \
    static_assert(::rre_wire::OrderFits<ct, order>(), #S "." #m " type does not fit its byte order");
#define RRE_ROW_DESC(S, off, m, ct, n, ord) RRE_ROW_DESC_(S, off, m, ct, n, RRE_ORDER_##ord)
#define RRE_ROW_DESC_(...) RRE_ROW_DESC_N(__VA_ARGS__)
#define RRE_ROW_DESC_N(S, off, m, ct, n, order, countAt) \
    ::rre_wire::Row{#m,                                  \
                    off,                                 \
                    sizeof(::capi::Element<ct>),         \
                    n,                                   \
                    order,                               \
                    ::rre_wire::RecordOf<ct>(),          \
                    countAt(std::type_identity<S>{})},

// Everything about buffer S comes from S##_ROWS.
#define RRE_BUFFER(S, SIZE)                                                                       \
    CAPI_PACKED_BEGIN struct CAPI_PACKED S { S##_ROWS(RRE_ROW_MEMBER, S) };                       \
    CAPI_PACKED_END                                                                               \
    static_assert(sizeof(S) == (SIZE), #S " size");                                               \
    static_assert(std::is_standard_layout_v<S> && std::is_trivially_copyable_v<S>, #S " layout"); \
    S##_ROWS(RRE_ROW_CHECK, S) template <>                                                        \
    struct rre_wire::Layout<S> {                                                                  \
        static constexpr ::rre_wire::Row rows[] = {S##_ROWS(RRE_ROW_DESC, S)};                    \
        static constexpr ::rre_wire::BufferDesc value{#S, SIZE, rows, std::size(rows)};           \
    };
