// Every proxy buffer format against the words its converter must reverse, transcribed from the converter
// family's table (data/buffer_words.txt), with the embedded CAPI structures' words taken from the
// independent converted-word map: toward the network exactly those words change, and the way back restores
// the buffer. Every buffer's rows tile it and agree with its format.
#include "corlink/proxy_wire/buffer_wire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_array.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/unit/capi_wire/convmap.h"

namespace {

using rre_wire::BufferFormat;
using rre_wire::Order;
using rre_wire::Row;

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

const std::map<std::string, convmap::MapLine>& Convmap() {
    static const std::map<std::string, convmap::MapLine> map = convmap::Load(CORLINK_CONVMAP_FILE);
    EXPECT_FALSE(map.empty()) << "no structure map at " << CORLINK_CONVMAP_FILE;
    return map;
}

// The unified controller picks its channels' union layout by the bus type at its byte 308; the test
// buffers set it to 9 (iSCSI).
constexpr uint32_t kUnifiedBusTypeAt = 308;
constexpr uint8_t kIscsiBusType = 9;

// One buffer's words to reverse, and what its test buffer needs before converting.
struct Expectation {
    std::vector<std::pair<size_t, uint32_t>> words;  // offset, width
    std::vector<size_t> counts;                      // list counts, set to kListElements in host order
    std::vector<size_t> busTypes;                    // unified controllers' bus-type bytes
    bool oneWay = false;                             // a list converted only toward the network
};

constexpr uint32_t kListElements = 2;

void AddStructure(const std::string& name, size_t base, Expectation* e) {
    auto it = Convmap().find(name);
    ASSERT_NE(it, Convmap().end()) << name;
    if (name == "CAPI_UNIFIED_CONTROLLER") e->busTypes.push_back(base + kUnifiedBusTypeAt);
    for (const convmap::Word& w : it->second.words) {
        if (w.width != 0) {
            e->words.emplace_back(base + w.offset, w.width);
        } else {
            AddStructure("CAPI_iSCSI_INFO", base + w.offset, e);
        }
    }
}

// "NAME@offset*count/stride" (count and stride optional): `count` structures from `offset`.
void AddStructures(const std::string& item, Expectation* e, uint32_t countOverride = 0) {
    const size_t at = item.find('@');
    const std::string name = item.substr(0, at);
    std::string rest = item.substr(at + 1);
    uint32_t count = 1;
    uint32_t stride = 0;
    const size_t star = rest.find('*');
    if (star != std::string::npos) {
        const size_t slash = rest.find('/');
        count = std::stoul(rest.substr(star + 1, slash - star - 1));
        stride = std::stoul(rest.substr(slash + 1));
        rest = rest.substr(0, star);
    }
    const size_t offset = std::stoul(rest);
    if (countOverride != 0) count = std::min(count, countOverride);
    for (uint32_t k = 0; k < count; ++k) AddStructure(name, offset + size_t{k} * stride, e);
}

// The items of one line: h (the head), wN (the word at N), NAME@... (structures), list:C:NAME@...
// and listout:C:NAME@... (a list counted at C), words:a,b,c@offset*count/stride (words of records).
Expectation Expect(std::istringstream& items) {
    Expectation e;
    std::string item;
    while (items >> item) {
        if (item == "h") {
            e.words.emplace_back(0, 4);
            e.words.emplace_back(4, 4);
        } else if (item[0] == 'w' && item.rfind("words:", 0) != 0) {
            e.words.emplace_back(std::stoul(item.substr(1)), 4);
        } else if (item.rfind("list", 0) == 0) {
            const size_t first = item.find(':');
            const size_t second = item.find(':', first + 1);
            const size_t count = std::stoul(item.substr(first + 1, second - first - 1));
            e.counts.push_back(count);
            e.words.emplace_back(count, 4);
            e.oneWay = e.oneWay || item.rfind("listout", 0) == 0;
            AddStructures(item.substr(second + 1), &e, kListElements);
        } else if (item.rfind("words:", 0) == 0) {
            const size_t at = item.find('@');
            const size_t star = item.find('*');
            const size_t slash = item.find('/');
            const size_t base = std::stoul(item.substr(at + 1, star - at - 1));
            const uint32_t count = std::stoul(item.substr(star + 1, slash - star - 1));
            const uint32_t stride = std::stoul(item.substr(slash + 1));
            std::istringstream offsets(item.substr(6, at - 6));
            std::string offset;
            std::vector<size_t> inRecord;
            while (std::getline(offsets, offset, ',')) inRecord.push_back(std::stoul(offset));
            for (uint32_t k = 0; k < count; ++k) {
                for (size_t o : inRecord) e.words.emplace_back(base + size_t{k} * stride + o, 4);
            }
        } else {
            AddStructures(item, &e);
        }
    }
    return e;
}

size_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
}

// Each line of the word table: the buffer's name, its format and the words its converter reverses.
struct TableLine {
    std::string name;
    const BufferFormat* format;
    Expectation expected;
};

std::vector<TableLine> WordTable() {
    std::vector<TableLine> lines;
    std::ifstream in(CORLINK_BUFFER_WORDS_FILE);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream items(line);
        TableLine entry;
        items >> entry.name;
        entry.format = rre_wire::BufferFormatNamed(entry.name.c_str());
        entry.expected = Expect(items);
        lines.push_back(std::move(entry));
    }
    return lines;
}

// The buffer's first `length` bytes as the test sends them, and as they read once the table's words that
// lie whole within them are reversed.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> OriginalAndConverted(const Expectation& e,
                                                                           size_t length) {
    std::vector<uint8_t> original = Patterned(length);
    for (size_t count : e.counts) PutWord(original, count, kListElements);
    for (size_t busType : e.busTypes) {
        if (busType < length) original[busType] = kIscsiBusType;
    }
    std::vector<uint8_t> expected = original;
    for (const auto& [offset, width] : e.words) {
        if (offset + width > length) continue;
        std::reverse(expected.begin() + static_cast<std::ptrdiff_t>(offset),
                     expected.begin() + static_cast<std::ptrdiff_t>(offset + width));
    }
    return {original, expected};
}

TEST(BufferWire, EveryBufferConvertsExactlyTheWordsOfItsTableAndBack) {
    std::set<std::string> names;
    for (const TableLine& line : WordTable()) {
        const std::string& name = line.name;
        SCOPED_TRACE(name);
        names.insert(name);
        const BufferFormat* f = line.format;
        ASSERT_NE(f, nullptr);
        const Expectation& e = line.expected;
        const auto [original, expected] = OriginalAndConverted(e, f->length);

        std::vector<uint8_t> buffer = original;
        rre_wire::Pack(*f, PACK_TO_NETWORK, buffer.data(), buffer.size());
        ASSERT_TRUE(buffer == expected) << "first wrong byte at " << FirstDifference(buffer, expected);

        rre_wire::Pack(*f, PACK_FROM_NETWORK, buffer.data(), buffer.size());
        if (!e.oneWay) {
            EXPECT_TRUE(buffer == original) << "first wrong byte at " << FirstDifference(buffer, original);
        }
        rre_wire::Pack(*f, PACK_CAPI_SEND, buffer.data(), buffer.size());  // the CAPI modes convert nothing
        if (!e.oneWay) {
            EXPECT_TRUE(buffer == original);
        }
    }
    EXPECT_EQ(names.size(), rre_wire::AllBufferFormats().size());  // every format has its line
    EXPECT_EQ(names.size(), 70u);                                  // one per buffer shape of the command set
}

// A buffer shorter than its format (a reply cut short, a client's short request) converts exactly the
// table's words that lie whole within the bytes present, in the buffers without lists.
TEST(BufferWire, AShortBufferConvertsTheWordsItHolds) {
    for (const TableLine& line : WordTable()) {
        SCOPED_TRACE(line.name);
        ASSERT_NE(line.format, nullptr);
        if (!line.expected.counts.empty()) continue;  // lists convert whole records only
        const size_t full = line.format->length;
        std::set<size_t> cuts;
        for (size_t cut = 2; cut < std::min<size_t>(full, 600); cut += 2) cuts.insert(cut);
        for (size_t cut = 6; cut <= 64 && cut < full; cut += 2) cuts.insert(full - cut);
        for (size_t cut : cuts) {
            auto [original, expected] = OriginalAndConverted(line.expected, cut);
            std::vector<uint8_t> buffer = original;
            rre_wire::Pack(*line.format, PACK_TO_NETWORK, buffer.data(), buffer.size());
            ASSERT_TRUE(buffer == expected)
                << cut << " bytes, first wrong byte at " << FirstDifference(buffer, expected);
        }
    }
}

// The rows of a buffer follow one another from byte 0 to its end, and the format's head is its first row.
TEST(BufferWire, RowsTileEveryBufferAndAgreeWithItsFormat) {
    for (const BufferFormat& f : rre_wire::AllBufferFormats()) {
        SCOPED_TRACE(f.converter);
        const rre_wire::BufferDesc& layout = *f.layout;
        EXPECT_EQ(f.length, layout.size);
        uint64_t end = 0;
        for (size_t r = 0; r < layout.rowCount; ++r) {
            const Row& row = layout.rows[r];
            EXPECT_EQ(row.offset, end) << row.name;
            end = row.offset + uint64_t{row.elemSize} * row.count;
            if (row.record != nullptr) {
                EXPECT_EQ(row.elemSize, row.record->size) << row.name;
            }
        }
        EXPECT_EQ(end, layout.size);
        EXPECT_EQ(f.head, layout.rowCount > 0 && std::string(layout.rows[0].name) == "head" &&
                              layout.rows[0].order == Order::Net);
    }
}

TEST(BufferWire, CommandsFindTheFormatOfTheirShape) {
    const struct {
        uint32_t code;
        const char* converter;
    } cases[] = {
        // clang-format off
        {RRE_SET_PART_NAME, "PackRreSetName"},     {RRE_SET_ARRAY_NAME, "PackRreSetName"},
        {RRE_DELETE_ARRAY, "PackRreFreeCache"},    {RRE_RESCAN_ALL_BUS, "PackRreSilenceAlarm"},
        {RRE_REMEMBER_INITIATOR_SECRET, "PackRreAuthDbRecord"}, {RRE_RESET_SNAPSHOT, "PackRreDeletePart"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const BufferFormat* f = rre_wire::BufferFormatOf(c.code);
        ASSERT_NE(f, nullptr) << c.code;
        EXPECT_STREQ(f->converter, c.converter);
    }
    // These write their network words themselves.
    for (uint32_t code :
         {RRE_GET_CONTROLLERHANDLEDB, RRE_GET_ARRAY_PARTITION, RRE_GET_PROGRESS, RRE_GET_VERSION,
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
        EXPECT_NE(std::memcmp(reply.data() + 16 + r * sizeof(CAPI_ARRAY),
                              original.data() + 16 + r * sizeof(CAPI_ARRAY), sizeof(CAPI_ARRAY)),
                  0);
    }
    EXPECT_EQ(std::memcmp(reply.data() + 16 + 2 * sizeof(CAPI_ARRAY),
                          original.data() + 16 + 2 * sizeof(CAPI_ARRAY), 100),
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
