// Every structure converter against the converted-word map made independently from the tables: in
// the network modes exactly the listed words are byte-reversed and no other byte moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "corlink/capi_wire/structure_converters.h"
#include "tests/unit/capi_wire/convmap.h"

namespace {

using convmap::MapLine;
using convmap::Word;

const std::map<std::string, MapLine>& Convmap() {
    static const std::map<std::string, MapLine> map = convmap::Load(CORLINK_CONVMAP_FILE);
    EXPECT_FALSE(map.empty()) << "no structure map at " << CORLINK_CONVMAP_FILE;
    return map;
}

// The layout each bus type selects for a channel information union.
const char* UnionLayout(int busType) {
    switch (busType) {
        case 6: return "CAPI_FC_INFO";
        case 7: return "CAPI_CHANNEL_TYPE7_INFO";
        case 9: return "CAPI_iSCSI_INFO";
        default: return nullptr;  // 8 (SAS) and unknown types convert nothing
    }
}

void AddWords(const std::string& structure, uint32_t base, int busType, std::vector<Word>* out) {
    auto it = Convmap().find(structure);
    if (it == Convmap().end()) return;  // a structure without converted words
    for (const Word& w : it->second.words) {
        if (w.width != 0) {
            out->push_back({base + w.offset, w.width, 0});
        } else if (const char* layout = UnionLayout(busType)) {
            AddWords(layout, base + w.offset, busType, out);
        }
    }
}

// Channel bus type sits 1080 bytes after the channel's information union (136 and 1216); the unified
// controller takes one bus type for all its channels from byte 308, 6 when that byte is 0.
constexpr uint32_t kChannelBusTypeAfterUnion = 1080;
constexpr uint32_t kUnifiedBusTypeOffset = 308;

bool TakesBusType(const std::string& structure) {
    return structure == "CAPI_CHANNEL_INFO_UNION" || structure == "CAPI_UNIFIED_CHANNEL" ||
           structure == "CAPI_UNIFIED_CONTROLLER_DATA";
}

// A buffer in which no 16- or 32-bit word reads the same reversed, with the bus-type bytes set.
std::vector<uint8_t> PatternFor(const std::string& structure, uint32_t size, uint8_t busType) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251);
    if (structure == "CAPI_UNIFIED_CONTROLLER") {
        bytes[kUnifiedBusTypeOffset] = busType;
    } else if (!TakesBusType(structure)) {
        auto it = Convmap().find(structure);
        if (it != Convmap().end()) {
            for (const Word& w : it->second.words) {
                if (w.width == 0) bytes[w.offset + kChannelBusTypeAfterUnion] = busType;
            }
        }
    }
    return bytes;
}

std::vector<uint8_t> Expected(const std::string& structure, const std::vector<uint8_t>& original,
                              int busType) {
    const int effective = structure == "CAPI_UNIFIED_CONTROLLER" && busType == 0 ? 6 : busType;
    std::vector<Word> words;
    AddWords(structure, 0, effective, &words);
    std::vector<uint8_t> expected = original;
    for (const Word& w : words)
        std::reverse(expected.begin() + w.offset, expected.begin() + w.offset + w.width);
    return expected;
}

size_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
}

std::vector<const capi::StructureConverter*> Converters() {
    size_t count = 0;
    const capi::StructureConverter* all = capi::AllStructureConverters(&count);
    std::vector<const capi::StructureConverter*> out;
    for (size_t i = 0; i < count; ++i) out.push_back(&all[i]);
    return out;
}

constexpr uint8_t kBusTypes[] = {0, 5, 6, 7, 8, 9, 10};

TEST(ConverterMap, EveryMappedStructureHasAConverterOfItsSize) {
    for (const auto& [name, line] : Convmap()) {
        const capi::StructureConverter* c = capi::FindStructureConverter(name.c_str());
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->desc->size, line.size) << name;
    }
}

TEST(ConverterMap, NetworkModeReversesExactlyTheListedWords) {
    for (const capi::StructureConverter* c : Converters()) {
        for (uint8_t busType : kBusTypes) {
            const std::vector<uint8_t> original = PatternFor(c->structure, c->desc->size, busType);
            std::vector<uint8_t> bytes = original;
            c->convert(PACK_TO_NETWORK, bytes.data(), busType);
            const std::vector<uint8_t> expected = Expected(c->structure, original, busType);
            ASSERT_TRUE(bytes == expected) << c->structure << " bus type " << int{busType}
                                           << ": first wrong byte at " << FirstDifference(bytes, expected);
        }
    }
}

TEST(ConverterMap, CapiModesChangeNothingAndNetworkModesUndoEachOther) {
    for (const capi::StructureConverter* c : Converters()) {
        const std::vector<uint8_t> original = PatternFor(c->structure, c->desc->size, 9);
        std::vector<uint8_t> bytes = original;
        c->convert(PACK_CAPI_RECEIVE, bytes.data(), 9);
        c->convert(PACK_CAPI_SEND, bytes.data(), 9);
        ASSERT_TRUE(bytes == original) << c->structure;

        c->convert(PACK_TO_NETWORK, bytes.data(), 9);
        std::vector<uint8_t> otherMode = original;
        c->convert(7, otherMode.data(), 9);  // any mode but the two CAPI modes converts
        ASSERT_TRUE(bytes == otherMode) << c->structure;
        c->convert(PACK_FROM_NETWORK, bytes.data(), 9);
        ASSERT_TRUE(bytes == original) << c->structure;
        c->convert(PACK_TO_NETWORK, bytes.data(), 9);
        c->convert(PACK_TO_NETWORK, bytes.data(), 9);
        ASSERT_TRUE(bytes == original) << c->structure;
    }
}

}  // namespace
