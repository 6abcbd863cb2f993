// The byte-order primitives and the packet header's converter.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <numeric>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/structure_converters.h"

namespace {

using Bytes8 = std::array<uint8_t, 8>;
constexpr Bytes8 kCounting = {1, 2, 3, 4, 5, 6, 7, 8};

struct PrimitiveCase {
    const char* name;
    void (*swap)(int32_t mode, void* field);
    int32_t mode;
    Bytes8 expected;
};

TEST(BytePrimitives, ReverseTheirWidthExceptInTheCapiModes) {
    const PrimitiveCase cases[] = {
        // clang-format off
        {"16-bit, to network", SwapCapi16, PACK_TO_NETWORK, {2, 1, 3, 4, 5, 6, 7, 8}},
        {"32-bit, from network", SwapCapi32, PACK_FROM_NETWORK, {4, 3, 2, 1, 5, 6, 7, 8}},
        {"64-bit as two words kept in order", SwapCapi32x2, PACK_TO_NETWORK, {4, 3, 2, 1, 8, 7, 6, 5}},
        {"mode 7 converts like the network modes", SwapCapi32, 7, {4, 3, 2, 1, 5, 6, 7, 8}},
        {"CAPI receive", SwapCapi32x2, PACK_CAPI_RECEIVE, kCounting},
        {"CAPI send", SwapCapi16, PACK_CAPI_SEND, kCounting},
        // clang-format on
    };
    for (const PrimitiveCase& c : cases) {
        Bytes8 bytes = kCounting;
        c.swap(c.mode, bytes.data());
        EXPECT_EQ(bytes, c.expected) << c.name;
    }
    Bytes8 bytes = kCounting;
    SwapBytes16(bytes.data());
    SwapBytes32(bytes.data() + 4);
    EXPECT_EQ(bytes, (Bytes8{2, 1, 3, 4, 8, 7, 6, 5}));
}

TEST(PacketHeaderConverter, LeavesBytesZeroToElevenAndThePartFieldsAlone) {
    std::array<uint8_t, sizeof(CAPI_PACKET_HEADER)> original{};
    std::iota(original.begin(), original.end(), uint8_t{1});
    CAPI_PACKET_HEADER header;
    std::memcpy(&header, original.data(), sizeof header);

    PackCapiPacketHeader(PACK_TO_NETWORK, &header);

    std::array<uint8_t, sizeof(CAPI_PACKET_HEADER)> expected = original;
    for (size_t word = 12; word < 80; word += 4) {
        if (word == 64) continue;  // partCount and partIndex
        std::reverse(expected.begin() + word, expected.begin() + word + 4);
    }
    std::array<uint8_t, sizeof(CAPI_PACKET_HEADER)> converted{};
    std::memcpy(converted.data(), &header, sizeof header);
    EXPECT_EQ(converted, expected);

    PackCapiPacketHeader(PACK_CAPI_RECEIVE, &header);
    std::memcpy(converted.data(), &header, sizeof header);
    EXPECT_EQ(converted, expected);
}

TEST(StructureConverters, SecondSnapshotConvertersMatchTheFirst) {
    auto first = std::make_unique<CAPI_SNAPSHOT_LIST>();
    auto* raw = reinterpret_cast<uint8_t*>(first.get());
    for (size_t i = 0; i < sizeof(CAPI_SNAPSHOT_LIST); ++i) raw[i] = static_cast<uint8_t>(i * 7);
    auto second = std::make_unique<CAPI_SNAPSHOT_LIST>(*first);

    PackCapiSnapshotList(PACK_TO_NETWORK, first.get());
    PackCapiSnapshotList2(PACK_TO_NETWORK, second.get());
    EXPECT_EQ(std::memcmp(first.get(), second.get(), sizeof(CAPI_SNAPSHOT_LIST)), 0);

    PackCapiSnapshot(PACK_TO_NETWORK, &first->records[3]);
    PackCapiSnapshot2(PACK_TO_NETWORK, &second->records[3]);
    EXPECT_EQ(std::memcmp(first.get(), second.get(), sizeof(CAPI_SNAPSHOT_LIST)), 0);
}

}  // namespace
