// The PackRre converters as a client uses them, with nothing but the wire libraries linked: toward the
// network the head and the command's words turn big-endian, and the way back restores the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/reply_head.h"

namespace {

uint32_t HostWord(const std::vector<uint8_t>& buffer, size_t offset) {
    uint32_t word = 0;
    std::memcpy(&word, buffer.data() + offset, sizeof word);
    return word;
}

uint32_t BigEndianWord(const std::vector<uint8_t>& buffer, size_t offset) {
    return (uint32_t{buffer[offset]} << 24) | (uint32_t{buffer[offset + 1]} << 16) |
           (uint32_t{buffer[offset + 2]} << 8) | buffer[offset + 3];
}

TEST(ProxyWireConverters, TurnTheirWordsBigEndianAndBack) {
    const struct {
        const char* name;
        void (*pack)(int32_t, uint8_t*);
        uint32_t length;
        std::vector<size_t> words;  // offsets of the words that travel big-endian
        size_t hostOrderWord;       // offset of a word that stays in host order
    } cases[] = {
        // clang-format off
        {"GET_STORAGESYSTEMS", PackRreGetStorageSystems, RRE_STORAGE_SYSTEMS_LENGTH,
         {0, 4, RRE_STORAGE_SYSTEMS_COUNT_OFFSET, RRE_STORAGE_SYSTEMS_TABLE_OFFSET + 112},
         RRE_STORAGE_SYSTEMS_TABLE_OFFSET + 392 + 32},  // the second record's systemName
        {"GET_NEED_UPDATE_CONTROLLER", PackRreNeedUpdateController, RRE_NEED_UPDATE_LENGTH, {0, 4},
         RRE_NEED_UPDATE_UNIQUE_SN_OFFSET},
        {"GET_UNIFIED_CONTROLLER_DATA", PackRreGetUnifiedControllerData, RRE_UNIFIED_CONTROLLER_DATA_LENGTH,
         {0, 4, RRE_UNIFIED_CONTROLLER_ID_OFFSET}, RRE_UNIFIED_CONTROLLER_DATA_LENGTH - 4},
        // clang-format on
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> original(c.length);
        for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<uint8_t>(i * 7 + 3);
        std::vector<uint8_t> buffer = original;

        c.pack(PACK_TO_NETWORK, buffer.data());
        for (size_t offset : c.words) {
            EXPECT_EQ(BigEndianWord(buffer, offset), HostWord(original, offset)) << c.name << " " << offset;
        }
        EXPECT_EQ(HostWord(buffer, c.hostOrderWord), HostWord(original, c.hostOrderWord)) << c.name;

        c.pack(PACK_FROM_NETWORK, buffer.data());
        EXPECT_EQ(buffer, original) << c.name;
    }
}

TEST(ProxyWireConverters, ReplyHeadIsStatusThenCode) {
    std::vector<uint8_t> head = {0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x08, 0x0A, 0x07};
    PackRreHeader(PACK_FROM_NETWORK, head.data());
    EXPECT_EQ(static_cast<int32_t>(HostWord(head, 0)), -1);
    EXPECT_EQ(HostWord(head, 4), RRE_ERROR_UNKNOWN_COMMAND);
    PackRreHeader(PACK_CAPI_RECEIVE, head.data());  // the CAPI modes convert nothing
    EXPECT_EQ(HostWord(head, 4), RRE_ERROR_UNKNOWN_COMMAND);
}

}  // namespace
