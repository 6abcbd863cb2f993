// The include converter of packet building and the reply converter of the receive path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/include_converter.h"
#include "corlink/capi/reply_converter.h"
#include "corlink/capi_wire/structure_converters.h"
#include "corlink/foundation/service_params.h"

namespace {

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i % 251);
    return bytes;
}

// The bytes after converting the first `records` records of `desc` one by one in mode 1.
std::vector<uint8_t> RecordsConverted(std::vector<uint8_t> bytes, const capi::StructDesc& desc,
                                      size_t records) {
    for (size_t r = 0; r < records; ++r)
        capi::ConvertStruct(desc, PACK_TO_NETWORK, bytes.data() + r * desc.size);
    return bytes;
}

CAPI_PACKET_HEADER ReplyHeader(uint32_t code, uint32_t param1 = 0, uint32_t param2 = 0,
                               uint32_t errorCode = 0) {
    CAPI_PACKET_HEADER header{};
    header.commandCode = code;
    header.param1 = param1;
    header.param2 = param2;
    header.errorCode = errorCode;
    return header;
}

struct ReplyCase {
    const char* what;
    uint32_t code, param1, param2, errorCode;
    const char* structure;
    size_t payloadRecords;  // payload length in records of the structure
    size_t payloadExtra;    // further bytes, less than a record
    size_t convertedRecords;
};

TEST(ReplyConverter, ConvertsTheRecordsTheHeaderCountsWithinThePayload) {
    const ReplyCase cases[] = {
        // clang-format off
        {"event range of five", 413, 5, 9, 0, "CAPI_EVENT_RECORD", 6, 0, 5},
        {"unified event range", 2025, 1, 1, 0, "CAPI_EVENT_RECORD", 2, 0, 1},
        {"event range backwards", 413, 9, 5, 0, "CAPI_EVENT_RECORD", 6, 0, 0},
        {"environmental processor, no error", 2110, 0, 0, 0, "CAPI_ENVIRON_PROCESSOR", 1, 0, 1},
        {"environmental processor, error", 2110, 0, 0, 44, "CAPI_ENVIRON_PROCESSOR", 1, 0, 0},
        {"drive list", 363, 3, 0, 0, "CAPI_DRIVE", 3, 0, 3},
        {"drive list counting past the payload", 363, 1000, 0, 0, "CAPI_DRIVE", 2, 100, 2},
        {"event range wider than the payload", 413, 0, 0xFFFFFFFF, 0, "CAPI_EVENT_RECORD", 3, 0, 3},
        {"controller cut short", 311, 0, 0, 0, "CAPI_CONTROLLER", 0, 23000, 0},
        {"unified controller", 2001, 0, 0, 0, "CAPI_UNIFIED_CONTROLLER", 1, 0, 1},
        {"enclosures", 2113, 2, 0, 0, "CAPI_DRIVE_ENCLOSURE", 2, 0, 2},
        {"partitions never change", 383, 4, 0, 0, "CAPI_ARRAY_PARTITION", 4, 0, 4},
        // clang-format on
    };
    for (const ReplyCase& c : cases) {
        const capi::StructDesc& desc = *capi::FindStructureConverter(c.structure)->desc;
        const std::vector<uint8_t> original = Pattern(c.payloadRecords * desc.size + c.payloadExtra);
        std::vector<uint8_t> payload = original;
        const CAPI_PACKET_HEADER header = ReplyHeader(c.code, c.param1, c.param2, c.errorCode);

        PackReplyStruct(&header, payload.data(), payload.size(), PACK_TO_NETWORK);
        EXPECT_TRUE(payload == RecordsConverted(original, desc, c.convertedRecords)) << c.what;

        PackReplyStruct(&header, payload.data(), payload.size(), PACK_FROM_NETWORK);
        PackReplyStruct(&header, payload.data(), payload.size(), PACK_CAPI_RECEIVE);
        EXPECT_TRUE(payload == original) << c.what;
    }
}

std::string LoggedFor(uint32_t code) {
    const bool console = g_DebugConsole;
    g_DebugConsole = true;  // the debug log echoes to the standard output
    std::vector<uint8_t> payload(64);
    const CAPI_PACKET_HEADER header = ReplyHeader(code);
    testing::internal::CaptureStdout();
    PackReplyStruct(&header, payload.data(), payload.size(), PACK_CAPI_RECEIVE);
    std::string text = testing::internal::GetCapturedStdout();
    g_DebugConsole = console;
    return text;
}

TEST(ReplyConverter, LogsRepliesItDoesNotConvert) {
    const struct {
        uint32_t code;
        const char* line;
    } cases[] = {
        // clang-format off
        {324, "CAPI_REPLY_SET_CACHE_PARAMS do not need pack\n"},
        {387, "CAPI_REPLY_CHANGE_HOSTWARDEN_TYPE do not need pack\n"},
        {400, "CAPI_REPLY_PUT_OFFLINE do not need pack\n"},
        {2203, "CAPI_REPLY_U_CREATE_SNAPSHOTS do not need pack\n"},
        {2162, "CAPI_REPLY_U_CHANGE_HOSTWARDEN_TYPE do not need pack\n"},
        {2200, "!!!BUGBUGBUG!!! pack not implemented! command = 2200\n"},
        {409, "!!!BUGBUGBUG!!! pack not implemented! command = 409\n"},
        {2500, "!!!BUGBUGBUG!!! Error command code: 2500\n"},
        {320, "!!!BUGBUGBUG!!! Error command code: 320\n"},
        {0, "!!!BUGBUGBUG!!! Error command code: 0\n"},
        {2081, ""},
        {2355, ""},
        {311, ""},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(LoggedFor(c.code), c.line) << c.code;
}

TEST(ReplyConverter, NamesAReplyToAnUnnamedCommandByItsCode) {
    EXPECT_EQ(LoggedFor(2045), "CAPI_REPLY_2045 do not need pack\n");
}

TEST(IncludeConverter, ConvertsNothingInTheSendModeAndNeverWalksPastTheInclude) {
    const struct {
        uint32_t type;
        uint32_t param1;
        size_t length;
    } cases[] = {
        // clang-format off
        {20, 3, 3 * 212},           // three drive records
        {20, 0xFFFFFFFF, 2 * 212},  // a count far beyond the include
        {1, 0, 23656},
        {1, 0, 100},  // shorter than its structure: untouched
        {5, 100, 100},
        {80, 1, 41896},
        {0, 0, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> original = Pattern(c.length);
        std::vector<uint8_t> include = original;
        PackIncludeStruct(c.type, include.data(), c.param1, include.size());
        EXPECT_TRUE(include == original) << c.type;
    }
}

TEST(IncludeConverter, MapsTypesToTheirStructures) {
    const struct {
        uint32_t type;
        const char* structure;  // nullptr: nothing converts
        bool records;
    } cases[] = {
        // clang-format off
        {1, "CAPI_CONTROLLER", false}, {20, "CAPI_DRIVE", true},
        {24, "CAPI_ARRAY", true},      {50, "CAPI_UNIFIED_CONTROLLER", false},
        {77, "CAPI_DMS_POLICY", true}, {76, "CAPI_DMS_POLICY", false},
        {5, nullptr, false},           {80, nullptr, false},
        {85, nullptr, false},          {97, nullptr, false},
        {102, nullptr, false},         {48, nullptr, false},
        {0, nullptr, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        const capi::IncludeConversion* conversion = capi::FindIncludeConversion(c.type);
        if (c.structure == nullptr) {
            EXPECT_EQ(conversion, nullptr) << c.type;
            continue;
        }
        ASSERT_NE(conversion, nullptr) << c.type;
        EXPECT_STREQ(conversion->desc->name, c.structure);
        EXPECT_EQ(conversion->records, c.records) << c.type;
    }
}

}  // namespace
