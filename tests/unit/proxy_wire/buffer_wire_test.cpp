// Every proxy buffer format: toward the network exactly the head, the listed words and the listed
// structures change (each as its CAPI converter changes it alone), lists convert their counted elements and
// then the count, and the way back restores the buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "corlink/capi/byte_order.h"
#include "corlink/capi/capi_array.h"
#include "corlink/capi/converter.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"

namespace {

using rre_wire::BufferFormat;
using rre_wire::Item;
using rre_wire::ItemKind;

std::vector<uint8_t> Patterned(size_t length) {
    std::vector<uint8_t> buffer(length);
    for (size_t i = 0; i < length; ++i) buffer[i] = static_cast<uint8_t>(i * 7 + 3);
    return buffer;
}

void PutWord(std::vector<uint8_t>& buffer, size_t offset, uint32_t value) {
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}
uint32_t Word(const std::vector<uint8_t>& buffer, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, buffer.data() + offset, sizeof value);
    return value;
}
void Reverse(std::vector<uint8_t>& buffer, size_t offset) {
    std::reverse(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                 buffer.begin() + static_cast<std::ptrdiff_t>(offset + 4));
}

// The elements a list converts in a test buffer: two, or one where only one fits.
uint32_t TestCount(const Item& item) { return std::min<uint32_t>(item.count, 2); }

// The bytes each item spans, marked once: two items over the same bytes would undo each other.
bool ItemsOverlap(const BufferFormat& f) {
    std::vector<uint8_t> owner(f.length, 0);
    auto mark = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            if (owner[i]++ != 0) return false;
        }
        return true;
    };
    if (f.head && !mark(0, 8)) return true;
    for (const Item& item : f.items) {
        bool ok = true;
        switch (item.kind) {
            case ItemKind::None: break;
            case ItemKind::Words: ok = mark(item.offset, item.offset + 4 * item.count); break;
            case ItemKind::U64: ok = mark(item.offset, item.offset + 8); break;
            case ItemKind::Records: ok = mark(item.offset, item.offset + item.record->size * item.count); break;
            case ItemKind::Counted:
                ok = mark(item.countOffset, item.countOffset + 4) &&
                     mark(item.offset, item.offset + item.stride * item.count);
                break;
        }
        if (!ok) return true;
    }
    return false;
}

// What the buffer must look like toward the network, each part converted on its own.
std::vector<uint8_t> ExpectedToNetwork(const BufferFormat& f, std::vector<uint8_t> buffer) {
    if (f.head) {
        Reverse(buffer, 0);
        Reverse(buffer, 4);
    }
    for (const Item& item : f.items) {
        switch (item.kind) {
            case ItemKind::None: break;
            case ItemKind::Words:
                for (uint32_t w = 0; w < item.count; ++w) Reverse(buffer, item.offset + 4 * w);
                break;
            case ItemKind::U64:
                Reverse(buffer, item.offset);
                Reverse(buffer, item.offset + 4);
                break;
            case ItemKind::Records:
                for (uint32_t r = 0; r < item.count; ++r) {
                    capi::ConvertStruct(*item.record, PACK_TO_NETWORK, buffer.data() + item.offset + r * item.record->size);
                }
                break;
            case ItemKind::Counted:
                for (uint32_t e = 0; e < TestCount(item); ++e) {
                    capi::ConvertStruct(*item.record, PACK_TO_NETWORK, buffer.data() + item.offset + e * item.stride);
                }
                Reverse(buffer, item.countOffset);
                break;
        }
    }
    return buffer;
}

TEST(BufferWire, EveryFormatConvertsExactlyItsFieldsAndBack) {
    std::set<std::string> names;
    for (const BufferFormat& f : rre_wire::AllBufferFormats()) {
        SCOPED_TRACE(f.converter);
        names.insert(f.converter);
        EXPECT_FALSE(ItemsOverlap(f));

        std::vector<uint8_t> original = Patterned(f.length);
        bool oneWay = false;  // a list that converts only toward the network stays converted
        for (const Item& item : f.items) {
            if (item.kind != ItemKind::Counted) continue;
            PutWord(original, item.countOffset, TestCount(item));
            oneWay = oneWay || item.toNetworkOnly;
        }
        const std::vector<uint8_t> expected = ExpectedToNetwork(f, original);

        std::vector<uint8_t> buffer = original;
        rre_wire::Pack(f, PACK_TO_NETWORK, buffer.data(), buffer.size());
        EXPECT_TRUE(buffer == expected);

        rre_wire::Pack(f, PACK_FROM_NETWORK, buffer.data(), buffer.size());
        if (!oneWay) {
            EXPECT_TRUE(buffer == original);
        }

        rre_wire::Pack(f, PACK_CAPI_SEND, buffer.data(), buffer.size());  // the CAPI modes convert nothing
        if (!oneWay) {
            EXPECT_TRUE(buffer == original);
        }
    }
    EXPECT_EQ(names.size(), 70u);  // one per buffer shape of the command set
}

TEST(BufferWire, CommandsFindTheFormatOfTheirShape) {
    const struct {
        uint32_t code;
        const char* converter;
    } cases[] = {
        {RRE_SET_PART_NAME, "PackRreSetName"},     {RRE_SET_ARRAY_NAME, "PackRreSetName"},
        {RRE_DELETE_ARRAY, "PackRreFreeCache"},    {RRE_RESCAN_ALL_BUS, "PackRreSilenceAlarm"},
        {RRE_REMEMBER_INITIATOR_SECRET, "PackRreAuthDbRecord"}, {RRE_RESET_SNAPSHOT, "PackRreDeletePart"},
    };
    for (const auto& c : cases) {
        const BufferFormat* f = rre_wire::BufferFormatOf(c.code);
        ASSERT_NE(f, nullptr) << c.code;
        EXPECT_STREQ(f->converter, c.converter);
    }
    // These write their network words themselves.
    for (uint32_t code : {RRE_GET_CONTROLLERHANDLEDB, RRE_GET_ARRAY_PARTITION, RRE_GET_PROGRESS, RRE_GET_VERSION,
                          RRE_SET_DISCOVERY_FLAG, RRE_GET_DRIVE_ENCLOSURES, RRE_EXT_MASK_READFILE}) {
        EXPECT_EQ(rre_wire::BufferFormatOf(code), nullptr) << code;
    }
}

// A count from the network never walks past its capacity or the bytes the caller holds.
TEST(BufferWire, ListCountsAreClampedToCapacityAndLength) {
    const size_t twoAndABit = 16 + 2 * sizeof(CAPI_ARRAY) + 100;
    std::vector<uint8_t> reply = Patterned(twoAndABit);
    std::vector<uint8_t> original = reply;
    reply[12] = 0x7F;  // a huge count, big-endian
    PackRreBuffer(RRE_GET_ARRAY_LIST, PACK_FROM_NETWORK, reply.data(), reply.size());
    EXPECT_EQ(Word(reply, 12), 0x7F5E656Cu);  // the count is read in host order and kept
    for (size_t r = 0; r < 2; ++r) {
        EXPECT_NE(std::memcmp(reply.data() + 16 + r * sizeof(CAPI_ARRAY), original.data() + 16 + r * sizeof(CAPI_ARRAY),
                              sizeof(CAPI_ARRAY)),
                  0);
    }
    EXPECT_EQ(std::memcmp(reply.data() + 16 + 2 * sizeof(CAPI_ARRAY), original.data() + 16 + 2 * sizeof(CAPI_ARRAY), 100),
              0);

    std::vector<uint8_t> event = Patterned(444);
    PutWord(event, 20, 5);  // one 412-byte entry fits
    std::vector<uint8_t> sent = event;
    PackRreBuffer(RRE_GET_EVENT, PACK_TO_NETWORK, event.data(), event.size());
    PackRreBuffer(RRE_GET_EVENT, PACK_FROM_NETWORK, event.data(), event.size());
    EXPECT_TRUE(event == sent);
}

TEST(BufferWire, HostOrderFieldsStayAsTheyAre) {
    // The drive list converts its drives only on the way out; a client's request needs the id alone.
    std::vector<uint8_t> drives = Patterned(16 + 2 * 212);
    PutWord(drives, 12, 2);
    std::vector<uint8_t> before = drives;
    PackRreBuffer(RRE_GET_DRIVE_LIST, PACK_FROM_NETWORK, drives.data(), drives.size());
    EXPECT_EQ(std::memcmp(drives.data() + 12, before.data() + 12, drives.size() - 12), 0);
    EXPECT_NE(Word(drives, 8), Word(before, 8));

    // The description length of CHANGE_PARTITION_DESCRIPTION and bytes 8-11 of SET_ARRAY_BACKOFFPERCENT.
    std::vector<uint8_t> description = Patterned(312);
    before = description;
    PackRreBuffer(RRE_CHANGE_PARTITION_DESCRIPTION, PACK_TO_NETWORK, description.data());
    EXPECT_EQ(std::memcmp(description.data() + 12, before.data() + 12, 300), 0);
    std::vector<uint8_t> backoff = Patterned(48);
    before = backoff;
    PackRreBuffer(RRE_SET_ARRAY_BACKOFFPERCENT, PACK_TO_NETWORK, backoff.data());
    EXPECT_EQ(Word(backoff, 8), Word(before, 8));
    EXPECT_NE(Word(backoff, 44), Word(before, 44));

    // GET_CONTROLLER's reply travels in host order, head included.
    std::vector<uint8_t> controller = Patterned(4);
    before = controller;
    PackRreBuffer(RRE_GET_CONTROLLER, PACK_TO_NETWORK, controller.data());
    EXPECT_TRUE(controller == before);
}

}  // namespace
