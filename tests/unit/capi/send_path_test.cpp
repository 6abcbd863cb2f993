// The send path over the scripted transport: results, exchanges, the virtual sleeps it asked for, its
// counters and its reports.
#include <algorithm>
#include <functional>

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "tests/unit/capi/library_fixture.h"

namespace {

using testsupport::FakeTransport;

class SendPathTest : public CapiLibraryTest {};

struct ScriptCase {
    const char* name;
    uint32_t command;
    std::function<void(FakeTransport&)> script;
    int32_t result;
    size_t exchanges;
    std::vector<uint32_t> sleeps;
};

TEST_F(SendPathTest, ScriptedReplies) {
    auto reply = [](uint32_t code, int32_t rc) {
        return [code, rc](FakeTransport& f) { f.Reply(Reply(code, rc)); };
    };
    auto silent = [](int times) {
        return [times](FakeTransport& f) {
            for (int i = 0; i < times; ++i) f.Silence();
        };
    };
    const ScriptCase cases[] = {
        // clang-format off
        {"success", 1001, reply(2001, 0), 0, 1, {}},
        {"other not up counts as success", 1001, reply(2001, 59), 0, 1, {}},
        {"other not up but local success", 1001, reply(2001, 139), 0, 1, {}},
        {"refused is final", 1001, reply(2001, 2), 2, 1, {}},
        {"no reply three times", 1001, silent(3), -1, 3, {6000, 6000}},
        {"command failed is retried", 1001,
         [](FakeTransport& f) {
             for (int i = 0; i < 3; ++i) f.Reply(Reply(2001, 1));
         },
         1, 3, {6000, 6000}},
        {"lock not granted then success", 1001,
         [](FakeTransport& f) {
             f.Reply(Reply(2001, 119));
             f.Reply(Reply(2001, 0));
         },
         0, 2, {6000}},
        {"other not set is retried for controller data only", 1002, reply(2002, 118), 118, 1, {}},
        {"commit snapshots retries at once", 1204, silent(3), -1, 3, {}},
        {"unified event commands are tried once", 1021, silent(3), -1, 1, {}},
        {"unified event command failure", 1020, reply(2020, 1), 1, 1, {}},
        // clang-format on
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTransport transport(2);
        CAPI_Initialize();
        uint8_t done = 0;
        CAPI_HANDLE handle = 0;
        for (uint32_t i = 0; i < 2; ++i) {
            CAPI_FindNextController(i == 0, &done, &handle, &table.context(i), table.sendBuffer(i),
                                    table.eventBuffer(i));
        }
        clock->ClearSleeps();
        const CapiCommandCounters before = CapiCounters();
        c.script(transport);
        EXPECT_EQ(Send(c.command), c.result);
        EXPECT_EQ(transport.sent().size(), c.exchanges);
        EXPECT_EQ(clock->Sleeps(), c.sleeps);
        EXPECT_EQ(CapiCounters().okcommands - before.okcommands, c.result == 0 ? 1 : 0);
        EXPECT_EQ(CapiCounters().failcommands - before.failcommands, c.result == 0 ? 0 : 1);
    }
}

TEST_F(SendPathTest, HandleZeroIsRefusedWithoutAnyTrace) {
    const CapiCommandCounters before = CapiCounters();
    std::string line = CapiLastResultLine();
    EXPECT_EQ(Send(1001, 0), CAPI_RESULT_NO_HANDLE);
    EXPECT_TRUE(fake.sent().empty());
    EXPECT_EQ(CapiCounters().okcommands, before.okcommands);
    EXPECT_EQ(CapiCounters().failcommands, before.failcommands);
    EXPECT_EQ(CapiLastResultLine(), line);
    EXPECT_EQ(EventRecords(), 0u);
}

TEST_F(SendPathTest, AlreadyActiveBacksOffWithoutCountingTries) {
    for (int i = 0; i < 3; ++i) fake.AlreadyActive();
    fake.Reply(Reply(2001));
    const int32_t active = CapiCounters().activecommands;
    EXPECT_EQ(Send(1001), 0);
    EXPECT_EQ(fake.sent().size(), 4u);
    EXPECT_EQ(CapiCounters().activecommands - active, 3);
    ASSERT_EQ(clock->Sleeps().size(), 3u);
    for (uint32_t wait : clock->Sleeps()) {
        EXPECT_GE(wait, 500u);
        EXPECT_LE(wait, 1400u);
        EXPECT_EQ(wait % 100, 0u);
    }
}

TEST_F(SendPathTest, OnlyAReplyOfThisTryMakesItBackOff) {
    // The last exchange ended with reply 409; this command's tries never reach the controller.
    table.context(0).lmxIob.replyCode = CAPI_REPLY_COMMAND_ALREADY_ACTIVE;
    table.context(0).linkBusy = 1;
    const int32_t active = CapiCounters().activecommands;
    EXPECT_EQ(Send(1010), CAPI_STATUS_LINK_BUSY);
    EXPECT_EQ(CapiCounters().activecommands, active);
    EXPECT_EQ(clock->Sleeps(), (std::vector<uint32_t>{6000, 6000}));
}

TEST_F(SendPathTest, FailuresAreReportedOncePerCommandUntilAnotherIsReported) {
    fake.Reply(Reply(2001, 2));
    EXPECT_EQ(Send(1001), 2);
    EXPECT_EQ(
        std::string(CapiLastResultLine()),
        "BuildAndSendPacket: CAPI_COMMAND_U_GET_CONTROLLER_DATA BAD result NOT_SUPPORTED(2) 0 seconds  ");
    EXPECT_EQ(EventRecords(), 1u);
    EXPECT_NE(EventLog().find(
                  "\tcorlink4\t4\t0x40000201\tBuildAndSendPacket: CAPI_COMMAND_U_GET_CONTROLLER_DATA BAD "
                  "result NOT_SUPPORTED(2) 0 seconds  \t02000000\n"),
              std::string::npos)
        << EventLog();
    fake.Reply(Reply(2001, 2));
    Send(1001);
    EXPECT_EQ(EventRecords(), 1u);
    fake.Reply(Reply(2002, 2));
    Send(1002);
    fake.Reply(Reply(2001, 2));
    Send(1001);
    EXPECT_EQ(EventRecords(), 3u);
}

TEST_F(SendPathTest, SlowCommandsAreNotedAndReported) {
    for (uint32_t seconds : {11u, 31u}) {
        onDelivery = [this, seconds] { clock->Advance(seconds * 1000ull); };
        fake.Reply(Reply(2003));
        EXPECT_EQ(Send(1003), 0);
        EXPECT_NE(std::string(CapiLastResultLine()).find(" seconds CAPI timeout "), std::string::npos);
        EXPECT_EQ(EventRecords(), seconds > 30 ? 1u : 0u);
    }
}

TEST_F(SendPathTest, StopRequestEndsTheCommandBeforeTheNextTry) {
    onDelivery = [] { g_StopFlag = 1; };
    fake.Reply(Reply(2001, 1));
    EXPECT_EQ(Send(1001), CAPI_RESULT_STOPPING);
    EXPECT_EQ(fake.sent().size(), 1u);
}

TEST_F(SendPathTest, RediscoveryRetargetsTheRemainingTriesBySerialNumber) {
    s_discoveryEnabled = true;
    // The rebuild finds controller 1's serial number in entry 1 and another controller in entry 0.
    table.onRebuild([this] {
        std::swap(ProcessorDeviceOf(table.context(0)), ProcessorDeviceOf(table.context(1)));
        ProcessorDeviceOf(table.context(0)).responds = 1;
        ProcessorDeviceOf(table.context(1)).responds = 1;
    });
    fake.Silence();
    fake.Reply(Reply(2001, 0, kSecond));
    EXPECT_EQ(Send(1001, kFirst), 0);
    ASSERT_EQ(fake.sent().size(), 2u);
    EXPECT_EQ(fake.sent()[0].address.controllerHandle, kFirst);
    EXPECT_EQ(fake.sent()[1].address.controllerHandle, kSecond);
    EXPECT_EQ(table.rebuilds(), 1u);
    EXPECT_EQ(clock->Sleeps(), std::vector<uint32_t>{6000});
}

TEST_F(SendPathTest, ALostControllerIsRebuiltThreeTimesThenGivenUp) {
    s_discoveryEnabled = true;
    table.onRebuild([this] { ProcessorDeviceOf(table.context(0)).controllerSerialNumber[5] = 0x77; });
    EXPECT_EQ(Send(1001, kFirst), -1);
    EXPECT_EQ(table.rebuilds(), 3u);  // once for the whole command: the controller is then declared lost
    EXPECT_EQ(fake.sent().size(), 3u);
    EXPECT_EQ(clock->Sleeps(), (std::vector<uint32_t>{10000, 10000, 6000, 6000}));
    EXPECT_NE(std::string(CapiLastResultLine()).find(",controller lost"), std::string::npos);
}

TEST_F(SendPathTest, ShortObjectIdIsWidenedWithZeros) {
    std::vector<uint8_t> include(100, 0xAA);
    fake.Reply(Reply(2005));
    Send(1005, kFirst, 21, include.data());
    ASSERT_EQ(fake.sent().size(), 1u);
    const std::vector<uint8_t>& bytes = fake.sent()[0].bytes;
    ASSERT_GE(bytes.size(), 80u + 72u);
    EXPECT_TRUE(std::all_of(bytes.begin() + 80, bytes.begin() + 112, [](uint8_t b) { return b == 0xAA; }));
    EXPECT_TRUE(std::all_of(bytes.begin() + 112, bytes.begin() + 152, [](uint8_t b) { return b == 0; }));
}

}  // namespace
