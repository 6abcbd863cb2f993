// The classic controller record built from a pair's unified record: fields from the common block, the own
// half and the mate's half land where the classic layout has them, for either controller of the pair.
#include "corlink/database/unified_conversion.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>

namespace {

constexpr uint32_t kCommon = 0;
constexpr uint32_t kHalf[2] = {10436, 33084};

// A unified record whose every byte says where it is, with a serial number text in each half.
std::unique_ptr<CAPI_UNIFIED_CONTROLLER> PatternedRecord() {
    auto record = std::make_unique<CAPI_UNIFIED_CONTROLLER>();
    auto* bytes = reinterpret_cast<uint8_t*>(record.get());
    for (size_t i = 0; i < sizeof(CAPI_UNIFIED_CONTROLLER); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251 + 1);
    for (uint32_t half = 0; half < 2; ++half) {
        uint8_t* serial = bytes + kHalf[half] + 11960;
        std::memset(serial, 0, 32);
        std::memcpy(serial, half == 1 ? "00C0FF1A2B01" : "00C0FF1A2B02", 12);
    }
    return record;
}

struct Converted {
    explicit Converted(const CAPI_UNIFIED_CONTROLLER& unified, uint8_t ab) : record(new CAPI_CONTROLLER) {
        std::memset(record.get(), 0xEE, sizeof(CAPI_CONTROLLER));
        ConvertUnifiedController(&unified, record.get(), ab);
    }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(record.get()); }
    std::unique_ptr<CAPI_CONTROLLER> record;
};

class UnifiedConversionTest : public ::testing::Test {
  protected:
    const uint8_t* Source(uint32_t base, uint32_t offset) const {
        return reinterpret_cast<const uint8_t*>(unified.get()) + base + offset;
    }
    std::unique_ptr<CAPI_UNIFIED_CONTROLLER> unified = PatternedRecord();
};

TEST_F(UnifiedConversionTest, EachControllerGetsItsOwnHalfAndNamesItsMate) {
    const Converted a(*unified, 1);
    const Converted b(*unified, 0);
    EXPECT_EQ(a.record->failover.failoverId, 1);
    EXPECT_EQ(b.record->failover.failoverId, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(a.record->serialNumber), "00C0FF1A2B01");
    EXPECT_STREQ(reinterpret_cast<const char*>(a.record->failover.otherSerialNumber), "00C0FF1A2B02");
    EXPECT_STREQ(reinterpret_cast<const char*>(b.record->serialNumber), "00C0FF1A2B02");
    EXPECT_STREQ(reinterpret_cast<const char*>(b.record->failover.otherSerialNumber), "00C0FF1A2B01");
    EXPECT_EQ(a.record->failover.MyState, *Source(kHalf[1], 321));
    EXPECT_EQ(a.record->failover.otherState, *Source(kHalf[0], 321));
}

// Golden fields: classic offset, size, and where the bytes come from (own half, or the common block).
struct Golden {
    const char* field;
    uint32_t dst;
    uint32_t size;
    bool own;
    uint32_t src;
};

TEST_F(UnifiedConversionTest, GoldenFieldsComeFromTheirSources) {
    const Golden golden[] = {
        // clang-format off
        {"configSequenceNumber", 0, 4, true, 0},
        {"capabilities", 20, 8, true, 324},
        {"memory", 28, 16, false, 292},
        {"first RAID params", 68, 180, false, 6160},
        {"first netIf port bytes", 249, 3, true, 4},
        {"second netIf +32", 564, 4, true, 18832},
        {"second autoWTPreferences", 604, 4, false, 9420},
        {"manufacturer block", 21428, 120, true, 11800},
        {"RAID numDrives", 21624, 4, true, 312},
        {"RAID numArrays", 21632, 4, true, 316},
        {"capabilities3", 22100, 4, true, 332},
        {"extra C", 22312, 256, false, 1320},
        {"host channel 3 info", 884 + 3 * 1284 + 136, 624, true, 792 + 3 * 688 + 8},
        {"host channel 3 block 1", 884 + 3 * 1284 + 760, 104, true, 15212 + 3 * 148},
        {"drive channel 7 block 2 byte 105", 11156 + 7 * 1284 + 1099, 1, true, 20220 + 7 * 148 + 105},
        {"drive channel 5 summary bus type", 11156 + 5 * 1284 + 1216, 1, false, 724 + 5 * 52},
        {"host channel 0 state", 884 + 1218, 1, true, 792 + 632},
        // clang-format on
    };
    for (uint8_t ab : {uint8_t{1}, uint8_t{0}}) {
        const Converted out(*unified, ab);
        for (const Golden& g : golden) {
            const uint8_t* source = Source(g.own ? kHalf[ab] : kCommon, g.src);
            EXPECT_EQ(std::memcmp(out.bytes() + g.dst, source, g.size), 0) << g.field << " ab " << int(ab);
        }
        // Named zero bytes and bytes no row names stay zero.
        for (uint32_t zero : {52u, 56u, 336u, 340u, 62u, 21984u, 22276u, 23655u}) {
            EXPECT_EQ(out.bytes()[zero], 0) << zero;
        }
    }
}

TEST_F(UnifiedConversionTest, MissingSerialLengthIsTheTextLength) {
    reinterpret_cast<uint8_t*>(unified.get())[kHalf[1] + 11992] = 0;
    EXPECT_EQ(Converted(*unified, 1).record->serialNumberLength, 12);
    EXPECT_EQ(Converted(*unified, 0).record->serialNumberLength, *Source(kHalf[0], 11992));
}

TEST_F(UnifiedConversionTest, UnterminatedMateSerialStaysInsideItsField) {
    std::memset(reinterpret_cast<uint8_t*>(unified.get()) + kHalf[0] + 11960, 'X', 32);
    const Converted a(*unified, 1);
    EXPECT_EQ(std::memcmp(a.record->failover.otherSerialNumber, std::string(32, 'X').data(), 32), 0);
    EXPECT_EQ(a.record->failover.otherFirmwareRevision[0], 0);
}

TEST_F(UnifiedConversionTest, UnknownSideGivesAnAllZeroRecord) {
    const Converted out(*unified, 3);
    for (size_t i = 0; i < sizeof(CAPI_CONTROLLER); ++i) ASSERT_EQ(out.bytes()[i], 0) << i;
}

}  // namespace
