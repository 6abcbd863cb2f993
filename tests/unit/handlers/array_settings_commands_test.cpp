// The array and partition list and settings commands through rreExecCommand against the default fabric
// (one pair, arrays vd01 and vd02 with two partitions each): requests built and converted as a client does,
// replies converted back, and the fabric's model showing each change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/executor/executor.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

class ArraySettingsCommandsTest : public ProxyCommandTest {};

INSTANTIATE_TEST_SUITE_P(Reach, ArraySettingsCommandsTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

TEST_P(ArraySettingsCommandsTest, ArrayListReturnsBothArraysInNetworkOrderAndShowsANewName) {
    Reply list = List(RRE_GET_ARRAY_LIST, kHandleA);
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.code, 0u);
    ASSERT_EQ(BigEndianAt(list.buffer, 12), 2u);
    EXPECT_EQ(Word(list.buffer, 8), 0u) << "reserved bytes are answered 0";
    EXPECT_EQ(list.replyLength, static_cast<int32_t>(16 + 2 * sizeof(CAPI_ARRAY)));
    const size_t second = 16 + sizeof(CAPI_ARRAY);
    EXPECT_EQ(TextAt(list.buffer, 16 + offsetof(CAPI_ARRAY, name), 32), "vd01");
    EXPECT_EQ(TextAt(list.buffer, second + offsetof(CAPI_ARRAY, name), 32), "vd02");
    EXPECT_EQ(BigEndianAt(list.buffer, 16 + offsetof(CAPI_ARRAY, numDrives)), 5u);
    EXPECT_EQ(BigEndianAt(list.buffer, second + offsetof(CAPI_ARRAY, numDrives)), 2u);

    // A name longer than a name field is cut to 31 characters.
    const sim::StorageSystem pair = Pair();
    const Reply renamed = Exec(RRE_SET_ARRAY_NAME, 80, kHandleA, [&](std::vector<uint8_t>& b) {
        std::memcpy(b.data() + 16, pair.arrays[1].serial.data(), 32);
        std::memset(b.data() + 48, 'n', 32);
    });
    EXPECT_EQ(renamed.status, 0);
    EXPECT_EQ(renamed.code, 0u);
    list = List(RRE_GET_ARRAY_LIST, kHandleB);
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(TextAt(list.buffer, second + offsetof(CAPI_ARRAY, name), 32), std::string(31, 'n'));
    EXPECT_EQ(Pair().arrays[1].name, std::string(31, 'n'));
}

TEST_P(ArraySettingsCommandsTest, SettingsReachTheFabric) {
    const sim::StorageSystem pair = Pair();
    const uint8_t* partition = pair.partitions[0].serial.data();
    const uint8_t* array = pair.arrays[0].serial.data();
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].arrays[0].quarantined = true; });
    using Fill = std::function<void(std::vector<uint8_t>&)>;
    using Check = std::function<bool(const sim::StorageSystem&)>;
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        uint32_t id;
        Fill fill;
        Check changed;
    } cases[] = {
        // clang-format off
        {"SET_PART_NAME", RRE_SET_PART_NAME, 80, kHandleA,
         [&](auto& b) {
             std::memcpy(b.data() + 16, partition, 16);
             std::memcpy(b.data() + 48, "renamed", 8);
         },
         [](const auto& p) { return p.partitions[0].name == "renamed"; }},
        {"CHANGE_PART_LUN", RRE_CHANGE_PART_LUN, 48, kHandleB,
         [&](auto& b) {
             b[12] = 9;
             std::memcpy(b.data() + 16, partition, 16);
         },
         [](const auto& p) { return p.partitions[0].lun == 9; }},
        {"EXPAND_PART", RRE_EXPAND_PART, 312, kHandleA,
         [&](auto& b) {
             std::memcpy(b.data() + 16 + offsetof(CAPI_ARRAY_PARTITION_PARAMS, partitionSerialNumber), partition, 16);
             PutWord(b, 16 + offsetof(CAPI_ARRAY_PARTITION_PARAMS, size), 0x7FFFFFF0);
             PutWord(b, 16 + offsetof(CAPI_ARRAY_PARTITION_PARAMS, size) + 4, 1);
         },
         [](const auto& p) { return p.partitions[0].blocks == 0x17FFFFFF0ull; }},
        {"CHANGE_PARTITION_DESCRIPTION: a length above the field is clamped", RRE_CHANGE_PARTITION_DESCRIPTION, 312,
         kHandleA,
         [&](auto& b) {
             std::memcpy(b.data() + 97, partition, 16);
             const uint16_t length = 300;  // host order on the wire
             std::memcpy(b.data() + 130, &length, sizeof length);
             std::memset(b.data() + 168, 'd', 128);
         },
         [](const auto& p) { return p.partitions[0].description == std::string(128, 'd'); }},
        {"VERIFY_ARRAY", RRE_VERIFY_ARRAY, 48, kHandleA,
         [&](auto& b) {
             b[12] = 1;
             std::memcpy(b.data() + 16, array, 32);
         },
         [](const auto& p) { return p.arrays[0].utilityRunning == sim::kUtilityVerify; }},
        {"SET_PREFERRED_OWNER through B", RRE_SET_PREFERRED_OWNER, 48, kHandleB,
         [&](auto& b) { std::memcpy(b.data() + 12, array, 32); },
         [](const auto& p) { return p.arrays[0].preferredOwner == 0; }},
        {"REVIVE_ARRAY", RRE_REVIVE_ARRAY, 48, kHandleA, [&](auto& b) { std::memcpy(b.data() + 16, array, 32); },
         [](const auto& p) { return !p.arrays[0].quarantined; }},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Exec(c.code, c.length, c.id, c.fill);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, 0u);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(c.length));
        EXPECT_EQ(Word(reply.buffer, 8), c.id) << "the request's id comes back";
        EXPECT_TRUE(c.changed(Pair()));
    }
    // The proxy re-read the controller after the change: the list shows the verification running.
    const Reply list = List(RRE_GET_ARRAY_LIST, kHandleA);
    EXPECT_EQ(list.buffer[16 + offsetof(CAPI_ARRAY, utilityRunning)], sim::kUtilityVerify);
}

TEST_P(ArraySettingsCommandsTest, RefusalsAndFailures) {
    const sim::StorageSystem pair = Pair();
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        uint32_t id;
        uint32_t trusted;
        int32_t status;
        uint32_t answer;
    } cases[] = {
        // clang-format off
        {"VERIFY_ARRAY with byte 12 zero", RRE_VERIFY_ARRAY, 48, kHandleA, 1, -1, RRE_ERROR_NO_CONTROLLER},
        {"unknown controller id", RRE_REVIVE_ARRAY, 48, 0x7700, 1, -1, RRE_ERROR_NO_CONTROLLER},
        {"untrusted caller of an unauthenticated system", RRE_REVIVE_ARRAY, 48, kHandleA, 0, -1,
         RRE_ERROR_NO_CONTROLLER},
        {"short request", RRE_SET_PART_NAME, 79, kHandleA, 1, -1, RRE_ERROR_WRONG_LENGTH},
        {"unknown array: the controller's code", RRE_SET_ARRAY_NAME, 80, kHandleA, 1, 0,
         static_cast<uint32_t>(CAPI_ERROR_BAD_IDENTIFIER)},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Exec(c.code, c.length, c.id, nullptr, c.trusted);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.code, c.answer);
        EXPECT_EQ(reply.replyLength, c.status == 0 ? static_cast<int32_t>(c.length) : 8);
    }
    for (uint32_t code : {RRE_GET_ARRAY_LIST, RRE_GET_ARRAY_PARTITION}) {
        std::vector<uint8_t> buffer(kSessionBuffer);
        Rre rre{code, 8, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
        rreExecCommand(&rre);
        EXPECT_EQ(BigEndianAt(buffer, 4), RRE_ERROR_BAD_LENGTH) << code;
    }
    EXPECT_EQ(Pair().arrays[0].name, pair.arrays[0].name);
}

// Whether changes are refused is read from the addressed controller's own record, never from the record
// another controller sent last.
TEST_P(ArraySettingsCommandsTest, ChangeRefusalReadsTheAddressedControllersOwnRecord) {
    const int32_t a = FindControllerByClientId(kHandleA);
    const int32_t b = FindControllerByClientId(kHandleB);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    auto setRefused = [](CAPI_UNIFIED_CONTROLLER& record, uint8_t value) {
        for (auto& half : record.controllers) reinterpret_cast<uint8_t*>(&half)[321] = value;
    };
    setRefused(g_ControllerDb[static_cast<uint32_t>(a)].unifiedController, 1);
    setRefused(g_ControllerDb[static_cast<uint32_t>(b)].unifiedController, 0);
    setRefused(g_UnifiedControllerBuffer, 1);
    const sim::StorageSystem pair = Pair();
    auto rename = [&](uint32_t id) {
        return Exec(RRE_SET_ARRAY_NAME, 80, id, [&](std::vector<uint8_t>& buf) {
            std::memcpy(buf.data() + 16, pair.arrays[0].serial.data(), 32);
            std::memcpy(buf.data() + 48, "x", 2);
        });
    };
    const Reply throughA = rename(kHandleA);
    EXPECT_EQ(throughA.status, -1);
    EXPECT_EQ(throughA.code, RRE_ERROR_CHANGE_REFUSED);
    EXPECT_EQ(Pair().arrays[0].name, "vd01");
    const Reply throughB = rename(kHandleB);
    EXPECT_EQ(throughB.status, 0);
    EXPECT_EQ(Pair().arrays[0].name, "x");
}

TEST_P(ArraySettingsCommandsTest, PartitionListCarriesTheIndexAndStopsAtTheBuffer) {
    const Reply all = List(RRE_GET_ARRAY_PARTITION, kHandleA);
    ASSERT_EQ(all.status, 0);
    EXPECT_EQ(all.code, 0u);
    EXPECT_EQ(BigEndianAt(all.buffer, 8), static_cast<uint32_t>(FindControllerByClientId(kHandleA)));
    const uint32_t n = BigEndianAt(all.buffer, 12);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(all.replyLength, static_cast<int32_t>(16 + n * sizeof(CAPI_ARRAY_PARTITION)));
    EXPECT_EQ(TextAt(all.buffer, 16 + offsetof(CAPI_ARRAY_PARTITION, name), 32), "data01");

    const Reply cut = List(RRE_GET_ARRAY_PARTITION, kHandleA, 16 + 2 * sizeof(CAPI_ARRAY_PARTITION) + 100);
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.code, 0xFFFFFFFFu) << "an incomplete list is answered -1";
    EXPECT_EQ(BigEndianAt(cut.buffer, 12), 2u);
    EXPECT_EQ(cut.replyLength, static_cast<int32_t>(16 + 2 * sizeof(CAPI_ARRAY_PARTITION)));
}

// While the controller does not answer, the stored lists are not answered as the current truth: the code
// carries the failed refresh, and the answer is current again once the controller is back.
TEST_P(ArraySettingsCommandsTest, ListsThatCouldNotBeRefreshedAreNotAnsweredAsCurrent) {
    fabric_->SetControllerCondition(0, 0, sim::HalfState::Refusing, 0, CAPI_ERROR_COMMAND_FAILED);
    for (uint32_t code : {RRE_GET_ARRAY_LIST, RRE_GET_ARRAY_PARTITION}) {
        const Reply reply = List(code, kHandleA);
        EXPECT_EQ(reply.status, 0) << code;
        EXPECT_NE(reply.code, 0u) << code;
    }
    fabric_->SetControllerCondition(0, 0, sim::HalfState::Up, 0, 0);
    for (uint32_t code : {RRE_GET_ARRAY_LIST, RRE_GET_ARRAY_PARTITION}) {
        const Reply reply = List(code, kHandleA);
        EXPECT_EQ(reply.status, 0) << code;
        EXPECT_EQ(reply.code, 0u) << code;
    }
}

}  // namespace

namespace {

// The back-off percentage goes out inside the controller parameters the pair reports, to the system named
// by its UniqueSN; a system nobody has, or one an untrusted caller has not authenticated, gets nothing.
TEST_P(ArraySettingsCommandsTest, BackoffPercentSetsTheNamedSystemsParameters) {
    std::vector<CAPI_UNIFIED_PARAMS> sent;
    fabric_->SetHandler(
        CAPI_COMMAND_U_SET_CONTROLLER_PARAMS, [&](const sim::CapiRequest& request, sim::StorageSystem&, int) {
            CAPI_UNIFIED_PARAMS params;
            std::memset(&params, 0, sizeof params);
            std::memcpy(&params, request.include, std::min<size_t>(request.includeLength, sizeof params));
            sent.push_back(params);
            return sim::CapiAnswer{};
        });
    auto setBackoff = [&](const char* uniqueSn, uint32_t trusted) {
        return Exec(
            RRE_SET_ARRAY_BACKOFFPERCENT, 48, 0,
            [&](std::vector<uint8_t>& b) {
                std::memcpy(b.data() + 12, uniqueSn, std::strlen(uniqueSn));
                PutWord(b, 44, 35);
            },
            trusted);
    };
    const Reply done = setBackoff("3C4D5E", 1);
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.code, 0u);
    EXPECT_EQ(Word(done.buffer, 44), 35u);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].common.raidParams.createArrayBackoffPercent, 35u);
    EXPECT_EQ(sent[0].common.performanceTuningFlags,
              g_UnifiedControllerBuffer.common.params1.performanceTuningFlags);

    const Reply unknown = setBackoff("NOSUCH", 1);
    EXPECT_EQ(unknown.status, 0);
    EXPECT_EQ(unknown.code, 0xFFFFFFFFu);
    const Reply untrusted = setBackoff("3C4D5E", 0);
    EXPECT_EQ(untrusted.status, -1);
    EXPECT_EQ(untrusted.code, RRE_ERROR_NO_CONTROLLER);
    EXPECT_EQ(sent.size(), 1u);
}

}  // namespace
