#include "corlink/capi/code_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corlink/capi/capi_codes.h"
#include "corlink/capi/capi_response.h"
#include "corlink/capi/code_name_tables.h"

namespace {

// Codes other parts of the library branch on.
static_assert(CAPI_COMMAND_U_GET_CONTROLLER_DATA == 1001 && CAPI_REPLY_U_GET_CONTROLLER_DATA == 2001);
static_assert(CAPI_REPLY_U_CREATE_ARRAY_START == 2050 && CAPI_REPLY_NEXT_PART == 2380);
static_assert(CAPI_REPLY_COMMAND_ALREADY_ACTIVE == 409 && CAPI_REPLY_INITIALIZE_COMPLETE == 340);
static_assert(CAPI_ERROR_OTHER_NOT_UP == 59 && CAPI_ERROR_OTHER_NOT_UP_BUT_LOCAL_SUCCESSFUL == 139);
static_assert(CAPI_ERROR_BAD_IDENTIFIER == 26 && CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND == 247);
static_assert(CAPI_EVENT_3RD_PARTY_DISK_BUS_RESET == 60 && CAPI_STATUS_NULL_POINTER == 6);

template <typename Code>
std::string Name(void (*nameFunction)(Code, char*, size_t), Code code) {
    char text[CAPI_NAME_TEXT_SIZE];
    std::memset(text, 'x', sizeof text);
    nameFunction(code, text, sizeof text);
    return text;
}

TEST(CapiCommandName, NamesPadsAndMarksUnknownCodes) {
    struct Case {
        int32_t code;
        const char* name;
    } cases[] = {
        // clang-format off
        {1204, "U_COMMIT_SNAPSHOTS             "},
        {1180, "U_MAP_UNMAP_PARTITION          "},
        {1233, "U_DMS_GET_POLICY_THRESHOLD_LIST"},
        {1001, "U_GET_CONTROLLER_DATA"},
        {28, "UPDATE_CONTROLLER"},
        {1, "NON_U_ABORT_UTILITY"},
        {108, "NON_U_GET_ARRAY_STATS"},
        {1281, "U_GET_FLEX_HOST_LIST"},
        {2, "----2----"},
        {1380, "----1380----"},
        {-1, "-----1----"},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(Name(CapiCommandName, c.code), c.name) << c.code;
}

TEST(CapiReturnCodeName, NamesWithCodeOrNoDecode) {
    struct Case {
        int32_t code;
        const char* name;
    } cases[] = {
        // clang-format off
        {0, "OK"},
        {1, "COMMAND_FAILED(1)"},
        {62, "BAD_CONTROLLER_MODE(62)"},
        {160, "BAD_CONTROLLER_MODE_OTHER(160)"},
        {161, "CAPI_ERROR_DG_DOES_NOT_SUPPORT_BCI_INTERFACE(161)"},
        {163, "CAPI_ERROR_CANT_SCRUB_WHEN_CRITICAL(163)"},
        {254, "CAPI_ERROR_ISCSI_PING_ALREADY_IN_PROGRESS(254)"},
        {4095, "---"},
        {8, "No decode(8)"},
        {146, "No decode(146)"},
        {255, "No decode(255)"},
        {-1, "No decode(-1)"},
        {-2, "No decode(-2)"},
        {10006, "No decode(10006)"},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(Name(CapiReturnCodeName, c.code), c.name) << c.code;
}

TEST(CapiReturnCodeName, StaysInsideASmallBuffer) {
    char text[8];
    CapiReturnCodeName(209, text, sizeof text);
    EXPECT_STREQ(text, "CAPI_ER");
}

TEST(CapiReplyName, ClassicFromTheTableAndUnifiedUnpadded) {
    struct Case {
        uint32_t code;
        const char* name;
    } cases[] = {
        // clang-format off
        {301, "CAPI_REPLY_ADD_DEDICATED_SPARE"},
        {300, "CAPI_REPLY_CAPI_VERSION_MISMATCH"},
        {400, "CAPI_REPLY_PUT_OFFLINE"},
        {2001, "CAPI_REPLY_U_GET_CONTROLLER_DATA"},
        {2180, "CAPI_REPLY_U_MAP_UNMAP_PARTITION"},
        {2281, "CAPI_REPLY_U_GET_FLEX_HOST_LIST"},
        {2380, ""},
        {2002 + 1000, ""},
        {1001, ""},
        {417, ""},
        {299, ""},
        {0xFFFFFFFFu, ""},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(Name(CapiReplyName, c.code), c.name) << c.code;
}

TEST(CapiNameTables, RowsFollowTheirPatternsAndExceptions) {
    struct Case {
        CapiNameTable table;
        uint32_t code;
        const char* text;
    } cases[] = {
        // clang-format off
        {CapiNameTable::Status, 0, "CAPI_STATUS_GOOD; value is 0."},
        {CapiNameTable::Status, 4, "CAPI_STATUS_COMMUNICATION_ERROR, value is 4."},
        {CapiNameTable::Status, 7, "CAPI_STATUS_FIRMWARE_DOWNLOAD_ERROR, value is 7."},
        {CapiNameTable::Reply, 300, "Reply: CAPI_REPLY_CAPI_VERSION_MISMATCH"},
        {CapiNameTable::Reply, 389, "Reply: CAPI_REPLY_RESERVED_389"},
        {CapiNameTable::Reply, 400, "Reply  CAPI_REPLY_PUT_OFFLINE"},
        {CapiNameTable::Reply, 401, "Reply  CAPI_REPLY_PUT_ONLINE"},
        {CapiNameTable::Reply, 416, "Reply: CAPI_REPLY_SCRUB_ARRAY_START"},
        {CapiNameTable::Event, 0, "Event: CAPI_EVENT_NO_EVENT"},
        {CapiNameTable::Event, 60, "Event: CAPI_EVENT_3RD_PARTY_DISK_BUS_RESET"},
        {CapiNameTable::Event, 223, "Event: CAPI_EVENT_DMS_SET_THRESHOLDS_LEVELS_COMPLETE"},
        {CapiNameTable::Error, 0, "Error: CAPI_NO_ERROR."},
        {CapiNameTable::Error, 1, "Error: CAPI_ERROR_COMMAND_FAILED."},
        {CapiNameTable::Error, 8, "Error: CAPI_ERROR_RESERVED_8."},
        {CapiNameTable::Error, 56, "Error: CAPI_ERROR_RESERVED_56."},
        {CapiNameTable::Error, 89, "Error: CAPI_ERROR_RESERVED_89."},
        {CapiNameTable::Error, 62, "Error: CAPI_ERROR_BAD_DUAL_SA_OPTION."},
        {CapiNameTable::Error, 96, "Error: CAPI_ERROR_A_CMM_IS_OFFLINE."},
        {CapiNameTable::Error, 97, "Error: CAPI_ERROR_A_CIM_IS_OFFLINE."},
        {CapiNameTable::Error, 137, "Error: CAPI_ERROR_POINT_TO_POINT_TOPOLOGY_ALLOWED_ONLY_IF_INTER"},
        {CapiNameTable::Error, 146, "Error: Error Not Defined"},
        {CapiNameTable::Error, 163, "Error: CAPI_ERROR_CANT_SCRUB_WHEN_CRITICAL."},
        {CapiNameTable::Error, 187, "Error: CAPI_ERROR_EXCEED_MAX_SNAPSHOT_PER_MASTER."},
        {CapiNameTable::Error, 188, "Error: CAPI_ERROR_MASTER_NOT_ASSOCIATED_WITH_SNAPSHOT"},
        {CapiNameTable::Error, 189, "Error: CAPI_ERROR_NON_ABORTABLE_UTILITY_RUNNING"},
        // clang-format on
    };
    for (const Case& c : cases) {
        const char* text = CapiNameTableText(c.table, c.code);
        ASSERT_NE(text, nullptr) << c.code;
        EXPECT_STREQ(text, c.text) << c.code;
    }
    EXPECT_EQ(std::strlen(CapiNameTableText(CapiNameTable::Error, 137)), CAPI_NAME_ROW_SIZE - 1);
}

TEST(CapiNameTables, CodesOutsideTheRowsHaveNoText) {
    struct Case {
        CapiNameTable table;
        uint32_t code;
    } cases[] = {
        // clang-format off
        {CapiNameTable::Status, 8},          {CapiNameTable::Reply, 299},
        {CapiNameTable::Reply, 417},         {CapiNameTable::Event, 224},
        {CapiNameTable::Error, 190},         {CapiNameTable::Status, 0xFFFFFFFFu},
        {CapiNameTable::Reply, 0xFFFFFFFFu}, {CapiNameTable::Error, 0x80000000u},
        // clang-format on
    };
    for (const Case& c : cases) EXPECT_EQ(CapiNameTableText(c.table, c.code), nullptr) << c.code;
}

TEST(PrintCapiResponse, PrintsEachKindOfCode) {
    struct Case {
        int32_t codeType;
        int32_t code;
        const char* output;
    } cases[] = {
        // clang-format off
        {0, 0, "Response: GOOD; no code.\n"},
        {1, 4, "Response: RETURN; code = 4(dec) or x4\nCAPI_STATUS_COMMUNICATION_ERROR, value is 4.\n"},
        {1, 8, "Response: RETURN; code = 8(dec) or x8\nReturn code is not defined.\n"},
        {1, -1, "Response: RETURN; code = -1(dec) or xFFFFFFFF\nReturn code is not defined.\n"},
        {2, 416, "Response: REPLY; code = 416(dec) or x1A0\nReply: CAPI_REPLY_SCRUB_ARRAY_START\n"},
        {2, 417, "Response: REPLY; code = 417(dec) or x1A1\nReply code is not defined.\n"},
        {3, 60, "Response: EVENT; code = 60(dec) or x3C\nEvent: CAPI_EVENT_3RD_PARTY_DISK_BUS_RESET\n"},
        {3, 224, "Event code is not defined.\n"},
        {3, -1, "Event code is not defined.\n"},
        {4, 146, "Response: ERROR; code = 146(dec) or x92\nError: Error Not Defined\n"},
        {4, 190, "Error code is not defined.\n"},
        {9, 5, "Response: unknown!\n\t CodeType = 9,  Code = 5(dec) or x5\n"},
        // clang-format on
    };
    for (const Case& c : cases) {
        const CAPI_RESPONSE response{c.codeType, c.code};
        testing::internal::CaptureStdout();
        PrintCapiResponse(&response);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output) << c.codeType << "," << c.code;
    }
}

}  // namespace
