#include "corlink/database/unified_conversion.h"

#include <cstddef>
#include <cstring>

#include "corlink/foundation/log.h"

namespace {

constexpr uint32_t kHalfOffsets[2] = {
    offsetof(CAPI_UNIFIED_CONTROLLER, controllers),
    offsetof(CAPI_UNIFIED_CONTROLLER, controllers) + sizeof(CAPI_UNIFIED_CONTROLLER_DATA)};

// Where a copied field comes from.
enum class From : uint8_t {
    Common,  // the block common to both controllers
    Own,     // the controller's own half
    Other,   // the mate's half
    Zero,    // a zero byte
};

struct FieldRow {
    uint32_t dst;
    uint32_t size;  // 0: NUL-terminated text, bounded by kTextBound
    From from;
    uint32_t src;
};

constexpr uint32_t kTextBound = 32;  // the serial number fields on both sides

// Controller-wide fields, copied in this order.
constexpr FieldRow kControllerRows[] = {
    // clang-format off
    {0, 4, From::Own, 0},              // configSequenceNumber
    {4, 16, From::Common, 276},        // cacheSize and the counts after it
    {20, 8, From::Own, 324},           // capabilities
    {28, 16, From::Common, 292},       // CAPI_MEMORY x4
    // first controller parameters
    {44, 8, From::Common, 6136},
    {52, 1, From::Zero, 0},
    {53, 3, From::Common, 6145},
    {56, 1, From::Zero, 0},
    {57, 4, From::Common, 6149},
    {63, 1, From::Common, 6155},
    {66, 1, From::Common, 6158},
    {68, 180, From::Common, 6160},     // RAID parameters
    {248, 1, From::Common, 0},         // network interface
    {249, 3, From::Own, 4},
    {252, 2, From::Own, 108},
    {254, 6, From::Own, 8},
    {260, 4, From::Own, 18824},
    {264, 4, From::Own, 15000},
    {268, 4, From::Own, 18828},
    {272, 4, From::Own, 15004},
    {276, 4, From::Common, 7364},
    {280, 4, From::Own, 18832},
    {292, 4, From::Common, 6340},      // debugLogConfig
    {300, 9, From::Common, 6348},      // swFeaturesDisabled
    {316, 2, From::Common, 6357},      // syncCacheMode
    {320, 4, From::Common, 6344},      // autoWTPreferences
    // second controller parameters
    {328, 8, From::Common, 9212},
    {336, 1, From::Zero, 0},
    {337, 3, From::Common, 9221},
    {340, 1, From::Zero, 0},
    {341, 4, From::Common, 9225},
    {347, 1, From::Common, 9231},
    {350, 1, From::Common, 9234},
    {352, 180, From::Common, 9236},
    {532, 1, From::Common, 0},
    {533, 3, From::Own, 4},
    {536, 2, From::Own, 108},
    {538, 6, From::Own, 8},
    {544, 4, From::Own, 18824},
    {548, 4, From::Own, 15000},
    {552, 4, From::Own, 18828},
    {556, 4, From::Own, 15004},
    {560, 4, From::Common, 7364},
    {564, 4, From::Own, 18832},
    {576, 4, From::Common, 9416},
    {584, 9, From::Common, 9424},
    {600, 2, From::Common, 9433},
    {604, 4, From::Common, 9420},
    // failover record
    {688, 0, From::Other, 11960},      // otherSerialNumber (text)
    {782, 1, From::Other, 321},        // otherState
    {798, 1, From::Own, 321},          // MyState
    // identity
    {21428, 120, From::Own, 11800},    // manufacturer to cpldRevision
    {21548, 52, From::Own, 11940},     // loaderRevision and serialNumber
    {21600, 11, From::Own, 11992},     // serialNumberLength to daughterBoard1Type
    {21611, 1, From::Common, 1143},
    {21612, 3, From::Common, 1140},    // linkType, raidCapable, routerCapable
    // RAID record
    {21616, 8, From::Common, 208},
    {21624, 4, From::Own, 312},        // numDrives
    {21628, 4, From::Common, 220},     // numPoolSpares
    {21632, 4, From::Own, 316},        // numArrays
    {21636, 12, From::Common, 224},    // min/max drives per RAID level
    {21940, 4, From::Common, 272},     // maxOwnedArraysPerController
    {21944, 4, From::Own, 12336},      // totalNumArrayPartitions
    {22068, 20, From::Own, 11920},     // cpld2Revision
    {22088, 12, From::Common, 1144},   // maxDmepMemoryBufferSize
    {22100, 4, From::Own, 332},        // capabilities3
    {22104, 128, From::Common, 1156},  // CAPI_CONTROLLER_EXTRA_B
    {22232, 44, From::Own, 12004},     // currentNodeWWN
    {22312, 256, From::Common, 1320},  // CAPI_CONTROLLER_EXTRA_C
    {22592, 12, From::Common, 1576},
    // clang-format on
};

// Where a channel field comes from.
enum class ChannelFrom : uint8_t {
    Channel,  // the unified channel
    Block1,   // the channel's first 148-byte parameter record
    Block2,   // its second
    Own,      // the own half, the same for every channel
    Summary,  // the channel's 52-byte summary in the common block
};

struct ChannelRow {
    uint32_t dst;
    uint32_t size;
    ChannelFrom from;
    uint32_t src;
};

constexpr ChannelRow kChannelRows[] = {
    // clang-format off
    {4, 1, ChannelFrom::Channel, 4},
    {5, 1, ChannelFrom::Channel, 5},
    {136, 624, ChannelFrom::Channel, 8},
    {760, 104, ChannelFrom::Block1, 0},
    {864, 1, ChannelFrom::Block1, 104},
    {866, 1, ChannelFrom::Own, 17580},
    {867, 1, ChannelFrom::Own, 17581},
    {868, 2, ChannelFrom::Own, 17584},
    {871, 1, ChannelFrom::Block1, 105},
    {882, 2, ChannelFrom::Own, 17588},
    {894, 2, ChannelFrom::Own, 17592},
    {988, 104, ChannelFrom::Block2, 0},
    {1092, 1, ChannelFrom::Block2, 104},
    {1094, 1, ChannelFrom::Own, 21404},
    {1095, 1, ChannelFrom::Own, 21405},
    {1096, 2, ChannelFrom::Own, 21408},
    {1099, 1, ChannelFrom::Block2, 105},
    {1110, 2, ChannelFrom::Own, 21412},
    {1122, 2, ChannelFrom::Own, 21416},
    {1216, 1, ChannelFrom::Summary, 0},
    {1218, 1, ChannelFrom::Channel, 632},
    {1219, 1, ChannelFrom::Summary, 1},
    {1220, 1, ChannelFrom::Channel, 633},
    {1221, 1, ChannelFrom::Channel, 634},
    {1222, 1, ChannelFrom::Channel, 635},
    {1223, 1, ChannelFrom::Channel, 636},
    {1232, 1, ChannelFrom::Channel, 637},
    {1233, 1, ChannelFrom::Channel, 638},
    // clang-format on
};

// One of the two channel families: where its records sit on each side.
struct ChannelFamily {
    uint32_t dst;      // first CAPI_CHANNEL in CAPI_CONTROLLER
    uint32_t channel;  // first CAPI_UNIFIED_CHANNEL in the half
    uint32_t block1;   // first parameter record of the first block in the half
    uint32_t block2;   // ... of the second block
    uint32_t summary;  // first summary in the common block
};

constexpr ChannelFamily kChannelFamilies[] = {
    // clang-format off
    {884, 792, 15212, 19036, 308},      // host channels
    {11156, 6296, 16396, 20220, 724},   // drive channels
    // clang-format on
};
constexpr uint32_t kChannels = 8;
constexpr uint32_t kChannelSize = 1284;
constexpr uint32_t kUnifiedChannelSize = 688;
constexpr uint32_t kParamsRecordSize = 148;
constexpr uint32_t kSummarySize = 52;

constexpr uint32_t kSerialNumberOffset = offsetof(CAPI_CONTROLLER, serialNumber);
constexpr uint32_t kSerialLengthOffset = offsetof(CAPI_CONTROLLER, serialNumberLength);

void CopyText(uint8_t* out, const uint8_t* in) {
    const size_t length = strnlen(reinterpret_cast<const char*>(in), kTextBound);
    std::memcpy(out, in, length);
    if (length < kTextBound) out[length] = 0;
}

void ConvertChannels(const uint8_t* own, const uint8_t* common, uint8_t* out) {
    for (const ChannelFamily& family : kChannelFamilies) {
        for (uint32_t i = 0; i < kChannels; ++i) {
            uint8_t* channel = out + family.dst + i * kChannelSize;
            for (const ChannelRow& row : kChannelRows) {
                const uint8_t* source = nullptr;
                switch (row.from) {
                    case ChannelFrom::Channel: source = own + family.channel + i * kUnifiedChannelSize; break;
                    case ChannelFrom::Block1: source = own + family.block1 + i * kParamsRecordSize; break;
                    case ChannelFrom::Block2: source = own + family.block2 + i * kParamsRecordSize; break;
                    case ChannelFrom::Own: source = own; break;
                    case ChannelFrom::Summary: source = common + family.summary + i * kSummarySize; break;
                }
                std::memcpy(channel + row.dst, source + row.src, row.size);
            }
        }
    }
}

}  // namespace

void ConvertUnifiedController(const CAPI_UNIFIED_CONTROLLER* unified, CAPI_CONTROLLER* out, uint8_t ab) {
    auto* dst = reinterpret_cast<uint8_t*>(out);
    std::memset(dst, 0, sizeof(CAPI_CONTROLLER));
    if (ab > 1) {
        DebugPrint("ERROR: assertion failed! (0) at %s line %d\n", __FILE__, __LINE__);
        return;
    }
    out->failover.failoverId = ab;

    const auto* record = reinterpret_cast<const uint8_t*>(unified);
    const uint8_t* common = record;
    const uint8_t* own = record + kHalfOffsets[ab];
    const uint8_t* other = record + kHalfOffsets[1 - ab];
    for (const FieldRow& row : kControllerRows) {
        const uint8_t* base = row.from == From::Common ? common : row.from == From::Own ? own : other;
        if (row.from == From::Zero) {
            dst[row.dst] = 0;
        } else if (row.size == 0) {
            CopyText(dst + row.dst, base + row.src);
        } else {
            std::memcpy(dst + row.dst, base + row.src, row.size);
        }
    }
    if (dst[kSerialLengthOffset] == 0) {
        dst[kSerialLengthOffset] = static_cast<uint8_t>(
            strnlen(reinterpret_cast<const char*>(dst + kSerialNumberOffset), kTextBound));
    }
    ConvertChannels(own, common, dst);
}
