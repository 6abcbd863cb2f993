// GET_EVENT over a TCP session against the default fabric, whose pair's log holds one crafted record per
// event code: each request kind answers its records with the texts of the reviewed golden file. The entry
// builder on its own: records of no known controller and empty records.
#include "corlink/handlers/event_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/diagnostics/event_text.h"
#include "corlink/executor/executor.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/server/configuration.h"
#include "sim/model/event_log.h"
#include "tests/support/event_records.h"
#include "tests/unit/database/fabric_database_fixture.h"
#include "tests/unit/server/served_session.h"

namespace {

using simtest::Reach;

constexpr uint32_t kHandleA = 0x100;
constexpr char kUser[] = "eventuser";
constexpr char kPassword[] = "Ev3nt-Reader_x9";
constexpr uint32_t kReply = 2;
constexpr uint32_t kRequestLength = 444;

uint32_t HostWord(const std::vector<uint8_t>& buffer, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, buffer.data() + offset, sizeof value);
    return value;
}

struct EventReply {
    uint32_t dataLen = 0;
    int32_t status = -1;
    uint32_t code = 0;
    uint32_t count = 0;
    std::vector<CAPI_EVENT_RECORD> records;
    std::vector<std::string> texts;
};

// What a request asks for.
struct EventQuery {
    bool first = false;
    bool last = false;
    uint32_t sequence = 0;
    uint32_t rangeFirst = 0;
    uint32_t rangeLast = 0;
};

class EventCommandsTest : public FabricDatabaseTest {
  protected:
    void SetUp() override {
        FabricDatabaseTest::SetUp();
        g_FirstDiscovery = 0;
        ASSERT_EQ(rreInitialize(), 0u);
        std::strcpy(g_ProxyUser, kUser);
        std::strcpy(g_ProxyPassword, kPassword);

        const int clientFd = served_.Start();
        ASSERT_GE(clientFd, 0);
        client_ = std::make_unique<sessiontest::RawClient>(clientFd);
        ASSERT_EQ(client_->Login(kUser, kPassword).at(0), 1u);
    }
    void TearDown() override {
        client_->Close();
        served_.Join();
        ClearProxyConfig();
        rreTerminate();
        FabricDatabaseTest::TearDown();
    }

    // Puts the crafted records into the pair's log: sequence numbers 1 to 238 carry codes 0 to 237.
    void LogCraftedRecords() {
        fabric_->Edit([](sim::FabricModel& model) {
            for (const CAPI_EVENT_RECORD& record : testsupport::CraftedEventRecords(0)) {
                const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
                sim::Event event{
                    record.eventCode, {}, 0, 0, std::vector<uint8_t>(bytes, bytes + sizeof record)};
                std::memcpy(event.params, record.params, sizeof event.params);
                sim::AppendEvent(model.systems[0], std::move(event));
            }
        });
    }

    // GET_EVENT as a client sends it, and the reply read back into host order.
    EventReply GetEvent(const EventQuery& query, uint32_t controllerId = kHandleA) {
        std::vector<uint8_t> request(kRequestLength, 0);
        const uint32_t words[] = {controllerId, query.sequence, query.rangeFirst, query.rangeLast};
        std::memcpy(request.data() + 8, &words[0], 4);
        request[12] = query.first ? 1 : 0;
        request[13] = query.last ? 1 : 0;
        std::memcpy(request.data() + 16, &words[1], 4);
        std::memcpy(request.data() + 24, &words[2], 8);
        PackRreBuffer(RRE_GET_EVENT, PACK_TO_NETWORK, request.data(), request.size());
        EventReply reply;
        if (!client_->SendRequest(RRE_GET_EVENT, request)) return reply;
        sessiontest::Message m;
        if (!client_->Read(&m, 20000) || m.dataType != kReply || m.opCode != RRE_GET_EVENT) return reply;
        reply.dataLen = m.dataLen;
        reply.status = static_cast<int32_t>(sessiontest::WordAt(m.data, 0));
        reply.code = sessiontest::WordAt(m.data, 4);
        if (reply.status != 0) return reply;
        PackRreBuffer(RRE_GET_EVENT, PACK_FROM_NETWORK, m.data.data(), m.data.size());
        reply.count = HostWord(m.data, 20);
        for (uint32_t i = 0;
             i < reply.count && EVENT_REPLY_ENTRIES_AT + (i + 1) * EVENT_ENTRY_SIZE <= m.data.size(); ++i) {
            const uint8_t* entry = m.data.data() + EVENT_REPLY_ENTRIES_AT + i * EVENT_ENTRY_SIZE;
            CAPI_EVENT_RECORD record;
            std::memcpy(&record, entry, sizeof record);
            reply.records.push_back(record);
            const char* text = reinterpret_cast<const char*>(entry + sizeof record);
            reply.texts.emplace_back(text, strnlen(text, EVENT_ENTRY_TEXT_SIZE));
        }
        return reply;
    }

    sessiontest::ServedSession served_;
    std::unique_ptr<sessiontest::RawClient> client_;
};

INSTANTIATE_TEST_SUITE_P(Reach, EventCommandsTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

TEST_P(EventCommandsTest, EveryCraftedRecordComesBackWithItsGoldenText) {
    LogCraftedRecords();
    const std::vector<std::string> golden =
        testsupport::ReadEventTextsGolden(testsupport::EventTextsGoldenPath());
    ASSERT_EQ(golden.size(), 238u);

    const EventReply reply = GetEvent({.rangeFirst = 1, .rangeLast = 238});
    ASSERT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    ASSERT_EQ(reply.count, 238u);
    EXPECT_EQ(reply.dataLen, EVENT_REPLY_ENTRIES_AT + 238 * EVENT_ENTRY_SIZE);
    ASSERT_EQ(reply.records.size(), 238u);
    for (uint32_t code = 0; code < 238; ++code) {
        EXPECT_EQ(reply.records[code].sequenceNumber, code + 1);
        EXPECT_EQ(reply.records[code].eventCode, code);
        EXPECT_EQ(reply.records[code].address.controllerHandle, kHandleA);
        EXPECT_EQ(testsupport::EventTextsGoldenLine(code, reply.texts[code]),
                  testsupport::EventTextsGoldenLine(code, golden[code]));
    }
}

TEST_P(EventCommandsTest, EachRequestKindAnswersItsEvents) {
    LogCraftedRecords();
    const std::vector<std::string> golden =
        testsupport::ReadEventTextsGolden(testsupport::EventTextsGoldenPath());
    const struct {
        const char* what;
        EventQuery query;
        std::vector<uint32_t> sequences;
    } cases[] = {
        // clang-format off
        {"the first event", {.first = true}, {1}},
        {"the last event", {.last = true}, {238}},
        {"the first flag before the last", {.first = true, .last = true}, {1}},
        {"one event by number", {.sequence = 42}, {42}},
        {"a number before a range", {.sequence = 7, .rangeFirst = 1, .rangeLast = 3}, {7}},
        {"a range of three", {.rangeFirst = 10, .rangeLast = 12}, {10, 11, 12}},
        {"a range past the log's end", {.rangeFirst = 237, .rangeLast = 500}, {237, 238}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const EventReply reply = GetEvent(c.query);
        ASSERT_EQ(reply.status, 0) << c.what;
        EXPECT_EQ(reply.code, 0u) << c.what;
        ASSERT_EQ(reply.count, c.sequences.size()) << c.what;
        EXPECT_EQ(reply.dataLen, EVENT_REPLY_ENTRIES_AT + c.sequences.size() * EVENT_ENTRY_SIZE) << c.what;
        for (size_t i = 0; i < c.sequences.size(); ++i) {
            EXPECT_EQ(reply.records[i].sequenceNumber, c.sequences[i]) << c.what;
            EXPECT_EQ(reply.texts[i], golden[c.sequences[i] - 1]) << c.what;
        }
    }
}

// A refused event command answers status 0 with the controller's code and no events, also right after a
// command that returned some.
TEST_P(EventCommandsTest, RefusedEventCommandsAnswerNoEvents) {
    LogCraftedRecords();
    ASSERT_EQ(GetEvent({.rangeFirst = 1, .rangeLast = 5}).count, 5u);
    for (const EventQuery& query :
         {EventQuery{.sequence = 999}, EventQuery{.rangeFirst = 300, .rangeLast = 310}}) {
        const EventReply reply = GetEvent(query);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, static_cast<uint32_t>(CAPI_ERROR_NO_SUCH_EVENT));
        EXPECT_EQ(reply.count, 0u);
        EXPECT_EQ(reply.dataLen, EVENT_REPLY_ENTRIES_AT);
    }
    fabric_->Edit([](sim::FabricModel& model) { model.systems[0].events.clear(); });
    EXPECT_EQ(GetEvent({.first = true}).code, static_cast<uint32_t>(CAPI_ERROR_NO_SUCH_EVENT));

    const EventReply unknown = GetEvent({.first = true}, 0x7777);
    EXPECT_EQ(unknown.status, -1);
    EXPECT_EQ(unknown.code, static_cast<uint32_t>(RRE_ERROR_NO_CONTROLLER));
}

// Without a controller in the database a record still comes back, with an empty text; an empty record
// leaves its entry as it was.
TEST(FormatEvents, UnknownControllersGetAnEmptyTextAndEmptyRecordsAreSkipped) {
    testsupport::ResetProxyState();
    CAPI_EVENT_RECORD records[2] = {testsupport::EventRecordBuilder(3).Controller(0x4242).Record(),
                                    testsupport::EventRecordBuilder(3).Sequence(0).Record()};
    std::vector<uint8_t> entries(2 * EVENT_ENTRY_SIZE, 0xAA);
    FormatEvents(2, records, entries.data());
    EXPECT_EQ(std::memcmp(entries.data(), &records[0], sizeof records[0]), 0);
    for (size_t i = sizeof records[0]; i < EVENT_ENTRY_SIZE; ++i) ASSERT_EQ(entries[i], 0) << i;
    for (size_t i = EVENT_ENTRY_SIZE; i < entries.size(); ++i) ASSERT_EQ(entries[i], 0xAA) << i;
}

using testsupport::EventRecordBuilder;

TEST(EventTextEntryPoint, AnUnmappedControllerStillGetsItsText) {
    g_NumControllers = 0;
    char text[EVENT_TEXT_BUFFER_SIZE] = {};
    const CAPI_EVENT_RECORD record = EventRecordBuilder(1).Controller(0x4200).Record();
    EXPECT_EQ(FormatEventText(text, &record), 67);
    EXPECT_STREQ(text, "Vdisk critical: Unknown Vdisk, SN: 00000000000000000000000000000000");
}

}  // namespace
