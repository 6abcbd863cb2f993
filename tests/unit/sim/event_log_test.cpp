// The pair's event log on the fabric: logged records come back with their own bytes, the log's sequence
// number and the addressed controller; clearing empties the log without reusing numbers; a range answers
// the events it holds with their first and last numbers.
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_event.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

constexpr uint32_t kIncludeEventRecord = 7;

CAPI_EVENT_RECORD Crafted(uint32_t code) {
    CAPI_EVENT_RECORD record;
    std::memset(&record, 0, sizeof record);
    record.sequenceNumber = 0xDEAD;  // the log gives its own
    record.eventCode = code;
    record.status = 9;
    record.params[0] = code * 10;
    std::memcpy(record.reserved56, "DRIVE-SN-0001", 13);
    return record;
}

std::vector<CAPI_EVENT_RECORD> RecordsOf(const std::vector<uint8_t>& reply) {
    std::vector<CAPI_EVENT_RECORD> records((reply.size() - 80) / sizeof(CAPI_EVENT_RECORD));
    if (!records.empty())
        std::memcpy(records.data(), reply.data() + 80, records.size() * sizeof(CAPI_EVENT_RECORD));
    return records;
}

using EventLogTest = FabricTest;
INSTANTIATE_TEST_SUITE_P(Reach, EventLogTest, ::testing::Values(Reach::InProcess, Reach::ThroughSocket),
                         ReachName);

TEST_P(EventLogTest, LoggedRecordsComeBackNumberedAndClearingKeepsCounting) {
    for (uint32_t code : {4u, 5u, 6u}) {
        const CAPI_EVENT_RECORD record = Crafted(code);
        const auto logged = HeaderOf(Exchange(
            kLunA, IncludeRequest(CAPI_COMMAND_U_LOG_EVENT, kIncludeEventRecord, &record, sizeof record, 0)));
        EXPECT_EQ(logged.errorCode, 0u);
    }
    const std::vector<uint8_t> last = Exchange(kLunB, RequestPacket(CAPI_COMMAND_U_GET_LAST_EVENT));
    ASSERT_EQ(HeaderOf(last).errorCode, 0u);
    const std::vector<CAPI_EVENT_RECORD> lastRecord = RecordsOf(last);
    ASSERT_EQ(lastRecord.size(), 1u);
    EXPECT_EQ(lastRecord[0].sequenceNumber, 3u);
    EXPECT_EQ(lastRecord[0].eventCode, 6u);
    EXPECT_EQ(lastRecord[0].status, 9u);
    EXPECT_EQ(lastRecord[0].params[0], 60u);
    EXPECT_EQ(std::memcmp(lastRecord[0].reserved56, "DRIVE-SN-0001", 13), 0);
    EXPECT_EQ(lastRecord[0].address.controllerHandle, 0x100u) << "the request's controller";

    std::vector<uint8_t> range = RequestPacket(CAPI_COMMAND_U_GET_MULTIPLE_EVENTS);
    CAPI_PACKET_HEADER head = HeaderOf(range);
    head.param1 = 2;
    head.param2 = 90;
    std::memcpy(range.data(), &head, sizeof head);
    const std::vector<uint8_t> ranged = Exchange(kLunA, range);
    EXPECT_EQ(HeaderOf(ranged).param1, 2u);
    EXPECT_EQ(HeaderOf(ranged).param2, 3u);
    ASSERT_EQ(RecordsOf(ranged).size(), 2u);
    EXPECT_EQ(RecordsOf(ranged)[0].eventCode, 5u);

    EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_CLEAR_EVENT_LOG))).errorCode, 0u);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_FIRST_EVENT))).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_NO_SUCH_EVENT));
    const CAPI_EVENT_RECORD again = Crafted(7);
    Exchange(kLunA, IncludeRequest(CAPI_COMMAND_U_LOG_EVENT, kIncludeEventRecord, &again, sizeof again, 0));
    const std::vector<CAPI_EVENT_RECORD> first =
        RecordsOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_FIRST_EVENT)));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].sequenceNumber, 4u);

    // A record cut short is refused.
    const auto cutShort =
        Exchange(kLunA, IncludeRequest(CAPI_COMMAND_U_LOG_EVENT, kIncludeEventRecord, &again, 100, 0));
    EXPECT_EQ(HeaderOf(cutShort).errorCode, static_cast<uint32_t>(CAPI_ERROR_COMMAND_FAILED));
}

}  // namespace
}  // namespace simtest
