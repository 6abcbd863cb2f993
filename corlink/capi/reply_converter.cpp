#include "corlink/capi/reply_converter.h"

#include <algorithm>
#include <iterator>

#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/capi_structures.h"
#include "corlink/capi_wire/converter.h"
#include "corlink/foundation/log.h"

namespace {

// How many records a reply carries, from its header.
enum class Count : uint8_t {
    One,
    Param1,
    EventRange,    // param2 - param1 + 1; none when param2 is below param1
    OneIfNoError,  // one, and only when the reply's errorCode is 0
};

struct ReplyConversion {
    uint32_t code;
    const capi::StructDesc* desc;  // null: byte data that never converts
    Count count;
};

template <class T>
constexpr const capi::StructDesc* D() {
    return &capi::Desc<T>::value;
}

constexpr ReplyConversion kReplyConversions[] = {
    // clang-format off
    {311, D<CAPI_CONTROLLER>(), Count::One},
    {336, D<CAPI_EVENT_RECORD>(), Count::One},
    {337, D<CAPI_EVENT_RECORD>(), Count::One},
    {338, D<CAPI_EVENT_RECORD>(), Count::One},
    {344, nullptr, Count::One},  // loop-back test data
    {346, nullptr, Count::One},  // maintenance data
    {363, D<CAPI_DRIVE>(), Count::Param1},
    {364, D<CAPI_ADVANCED_UNIT_MAPPING>(), Count::Param1},
    {374, D<CAPI_ARRAY>(), Count::Param1},
    {375, D<CAPI_HOST_TABLE>(), Count::One},
    {383, D<CAPI_ARRAY_PARTITION>(), Count::Param1},
    {385, D<CAPI_ARRAY_PARTITION>(), Count::Param1},
    {386, D<CAPI_KNOWN_HOST_LIST>(), Count::One},
    {390, D<CAPI_ADVANCED_NETWORK_INTERFACE>(), Count::One},
    {392, D<CAPI_ADVANCED_ENVIRONMENTALS>(), Count::One},
    {394, D<CAPI_HOST_NICKNAME_LIST>(), Count::One},
    {395, D<CAPI_DRIVE_ERROR_STATS>(), Count::One},
    {407, D<CAPI_DRIVE_ENCLOSURE>(), Count::Param1},
    {413, D<CAPI_EVENT_RECORD>(), Count::EventRange},
    {2001, D<CAPI_UNIFIED_CONTROLLER>(), Count::One},
    {2002, D<CAPI_ARRAY>(), Count::Param1},
    {2003, D<CAPI_UNIFIED_DRIVE>(), Count::Param1},
    {2020, D<CAPI_EVENT_RECORD>(), Count::One},
    {2021, D<CAPI_EVENT_RECORD>(), Count::One},
    {2022, D<CAPI_EVENT_RECORD>(), Count::One},
    {2025, D<CAPI_EVENT_RECORD>(), Count::EventRange},
    {2050, D<CAPI_CREATE_ARRAY_REPLY>(), Count::One},
    {2073, D<CAPI_ARRAY_PARTITION>(), Count::Param1},
    {2077, D<CAPI_ARRAY_PARTITION>(), Count::Param1},
    {2097, nullptr, Count::One},  // maintenance data
    {2098, D<CAPI_DRIVE_ERROR_STATS>(), Count::One},
    {2110, D<CAPI_ENVIRON_PROCESSOR>(), Count::OneIfNoError},
    {2113, D<CAPI_DRIVE_ENCLOSURE>(), Count::Param1},
    {2115, D<CAPI_ADVANCED_DRIVE_ENCLOSURE>(), Count::Param1},
    {2150, D<CAPI_HOST_TABLE>(), Count::One},
    {2163, D<CAPI_UNIFIED_KNOWN_HOST_LIST>(), Count::One},
    {2164, D<CAPI_HOST_NICKNAME_LIST>(), Count::One},
    {2181, D<CAPI_PARTITION_VIEW_TABLE>(), Count::One},
    {2182, D<CAPI_HOST_VIEW_TABLE>(), Count::One},
    {2201, D<CAPI_SNAPSHOT>(), Count::Param1},
    {2202, D<CAPI_SNAPSHOT_STATS>(), Count::Param1},
    {2210, D<CAPI_BACKING_STORE>(), Count::Param1},
    {2220, D<CAPI_MASTER_VOLUME>(), Count::Param1},
    {2230, D<CAPI_DMS_TAG>(), Count::One},
    {2233, D<CAPI_DMS_POLICY>(), Count::Param1},
    {2281, D<CAPI_FLEX_HOST_LIST>(), Count::One},
    // clang-format on
};

// Replies that carry nothing to convert: their name is logged.
constexpr uint32_t kNoPackNeeded[] = {
    301,  302,  303,  304,  306,  310,  312,  313,  314,  315,  318,  319,  321,  322,  323,  324,
    325,  328,  329,  330,  331,  332,  333,  334,  335,  340,  341,  345,  347,  348,  350,  354,
    355,  356,  357,  358,  359,  360,  361,  362,  365,  370,  371,  372,  373,  376,  377,  378,
    379,  380,  381,  382,  384,  387,  388,  391,  393,  400,  401,  402,  403,  404,  405,  406,
    2004, 2010, 2012, 2015, 2023, 2024, 2030, 2031, 2033, 2035, 2036, 2038, 2039, 2040, 2041, 2042,
    2043, 2044, 2045, 2046, 2051, 2052, 2053, 2054, 2055, 2056, 2057, 2058, 2059, 2060, 2062, 2070,
    2072, 2074, 2075, 2076, 2078, 2079, 2090, 2091, 2092, 2093, 2094, 2095, 2096, 2099, 2100, 2111,
    2112, 2114, 2122, 2132, 2151, 2152, 2162, 2165, 2203,
};

// Replies whose converter was never written.
constexpr uint32_t kNotImplemented[] = {
    305,  307,  308,  309,  316,  317,  339,  342,  343,  351,  366,  367,  368,  369,  396,  397,  398,
    399,  408,  409,  410,  411,  412,  414,  415,  2037, 2061, 2063, 2064, 2071, 2080, 2101, 2102, 2120,
    2121, 2130, 2131, 2133, 2166, 2170, 2171, 2200, 2204, 2205, 2206, 2221, 2222, 2223, 2231, 2232,
};

// Replies handled elsewhere without a word.
constexpr uint32_t kSilent[] = {2081, 2180, 2354, 2355};

// The reply names, "CAPI_REPLY_" and the classic reply's name or the unified command's name.
struct ReplyName {
    uint32_t code;
    const char* name;
};
#define CAPI_CLASSIC_REPLY_NAME(code, name) ReplyName{code, "CAPI_REPLY_" #name},
#define CAPI_UNIFIED_REPLY_NAME(code, name, padding) \
    ReplyName{(code) + CAPI_UNIFIED_REPLY_OFFSET, "CAPI_REPLY_" #name},
constexpr ReplyName kReplyNames[] = {CAPI_REPLY_LIST(CAPI_CLASSIC_REPLY_NAME)
                                         CAPI_UNIFIED_COMMAND_LIST(CAPI_UNIFIED_REPLY_NAME)};
#undef CAPI_CLASSIC_REPLY_NAME
#undef CAPI_UNIFIED_REPLY_NAME

template <size_t N>
bool Contains(const uint32_t (&codes)[N], uint32_t code) {
    return std::find(std::begin(codes), std::end(codes), code) != std::end(codes);
}

const ReplyConversion* FindConversion(uint32_t code) {
    for (const ReplyConversion& c : kReplyConversions) {
        if (c.code == code) return &c;
    }
    return nullptr;
}

const char* ReplyNameOf(uint32_t code) {
    for (const ReplyName& r : kReplyNames) {
        if (r.code == code) return r.name;
    }
    return nullptr;
}

uint64_t RecordCount(Count count, uint32_t param1, uint32_t param2, uint32_t errorCode) {
    switch (count) {
        case Count::One: return 1;
        case Count::Param1: return param1;
        case Count::EventRange: return param2 >= param1 ? uint64_t{param2} - param1 + 1 : 0;
        case Count::OneIfNoError: return errorCode == 0 ? 1 : 0;
    }
    return 0;
}

}  // namespace

void PackNotImplemented(uint32_t replyCode) {
    DebugPrint("!!!BUGBUGBUG!!! pack not implemented! command = %d\n", static_cast<int>(replyCode));
}

void PackReplyStruct(const CAPI_PACKET_HEADER* header, void* payload, size_t payloadLength, int32_t mode) {
    if (header == nullptr) return;
    const uint32_t code = header->commandCode;
    if (const ReplyConversion* conversion = FindConversion(code)) {
        if (conversion->desc == nullptr || payload == nullptr) return;
        const uint64_t count =
            RecordCount(conversion->count, header->param1, header->param2, header->errorCode);
        capi::ConvertRecords(*conversion->desc, mode, payload, count, payloadLength);
    } else if (Contains(kNoPackNeeded, code)) {
        if (const char* name = ReplyNameOf(code)) {
            DebugPrint("%s do not need pack\n", name);
        } else {
            DebugPrint("CAPI_REPLY_%u do not need pack\n", code);  // a unified command without a name
        }
    } else if (Contains(kNotImplemented, code)) {
        PackNotImplemented(code);
    } else if (!Contains(kSilent, code)) {
        DebugPrint("!!!BUGBUGBUG!!! Error command code: %d\n", static_cast<int>(code));
    }
}
