// The transport slot and the library's entry points: initialise and the 340 report, enumeration,
// attach, poll, the reply callback; run on the scripted transport.
#include <gtest/gtest.h>

#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "platform/time/clock.h"
#include "tests/support/fake_controller_table.h"
#include "tests/support/fake_transport.h"
#include "tests/support/state_reset.h"

namespace {

using testsupport::FakeControllerTable;
using testsupport::FakeTransport;

struct CallbackCall {
    int who;
    uint32_t replyCode;
    int32_t returnCode;
    uint32_t handle;
};
std::vector<CallbackCall> g_Calls;

template <int Who>
void Recorder(uint32_t replyCode, int32_t returnCode, const CAPI_ADDRESS* address, uint32_t, uint32_t,
              uint32_t, uint32_t, void*) {
    g_Calls.push_back(
        {Who, replyCode, returnCode, address != nullptr ? uint32_t{address->controllerHandle} : 0xDEAD});
}

class TransportSlot : public ::testing::Test {
  protected:
    TransportSlot() {
        g_Calls.clear();
        CAPI_RegisterCallback(&Recorder<1>);
    }
    ~TransportSlot() override { testsupport::ResetCapiState(); }

    struct Found {
        int32_t result;
        CAPI_HANDLE handle;
        uint8_t done;
    };
    Found FindInto(uint32_t entry, uint8_t first) {
        Found found{-99, 0, 0xEE};
        found.result = CAPI_FindNextController(first, &found.done, &found.handle, &table.context(entry),
                                               table.sendBuffer(entry), table.eventBuffer(entry));
        return found;
    }

    platform::ScopedVirtualClock clock;  // the send path's waits cost nothing
    FakeControllerTable table;
};

TEST_F(TransportSlot, InitializeMakesTheSlotReadyAndReports340OncePerRun) {
    FakeTransport fake(2);
    ASSERT_EQ(CAPI_Initialize(), 0);
    EXPECT_EQ(g_LmxTable[0].state, LMX_STATE_READY);
    EXPECT_EQ(g_LmxTable[0].linkType, LMX_LINK_TYPE_SCSI);
    ASSERT_EQ(g_Calls.size(), 1u);
    EXPECT_EQ(g_Calls[0].replyCode, CAPI_REPLY_INITIALIZE_COMPLETE);
    EXPECT_EQ(g_Calls[0].returnCode, 0);
    EXPECT_EQ(g_Calls[0].handle, 0u);

    LmxInitComplete(&g_LmxTable[0], LMX_STATE_READY);  // a further completion in the same run
    EXPECT_EQ(g_Calls.size(), 1u);

    g_LmxTable[0].overrideCallback = &Recorder<3>;
    ASSERT_EQ(CAPI_Initialize(), 0);  // a new run reports again and clears the override
    EXPECT_EQ(g_Calls.size(), 2u);
    EXPECT_EQ(g_LmxTable[0].overrideCallback, nullptr);
    EXPECT_EQ(fake.initializeCalls(), 2u);
}

TEST_F(TransportSlot, TwoControllersAreEnumeratedIntoTheEntriesTheyAreGiven) {
    FakeTransport fake(2);
    CAPI_Initialize();
    table.context(0).linkBusy = 1;  // leftovers of an earlier run are cleared
    table.context(0).configSequenceNumber = 7;

    Found first = FindInto(0, 1);
    EXPECT_EQ(first.result, 0);
    EXPECT_EQ(first.handle, 256u);
    EXPECT_EQ(first.done, 0);
    CAPI_CONTROLLER_CONTEXT& context = table.context(0);
    EXPECT_EQ(context.linkBusy, 0);
    EXPECT_EQ(context.configSequenceNumber, 0u);
    EXPECT_EQ(context.pCapiBuffer, table.sendBuffer(0));
    EXPECT_EQ(context.pEventBuffer, table.eventBuffer(0));
    EXPECT_EQ(context.lmxIob.pControllerContext, &context);
    EXPECT_EQ(context.lmxIob.pLmxContext, &context.lmxContext);
    EXPECT_EQ(context.lmxIob.pLmxOps, &g_LmxTable[0].ops);
    EXPECT_EQ(context.lmxIob.linkType, LMX_LINK_TYPE_SCSI);
    EXPECT_EQ(ProcessorDeviceOf(context).controllerSerialNumber[5], 1);

    Found second = FindInto(1, 0);
    EXPECT_EQ(second.result, 0);
    EXPECT_EQ(second.handle, 512u);
    EXPECT_EQ(second.done, 1);
    EXPECT_EQ(ProcessorDeviceOf(table.context(1)).controllerSerialNumber[5], 2);

    Found beyond = FindInto(2, 0);  // past the last slot
    EXPECT_EQ(beyond.result, CAPI_SLOT_NOT_READY);
    EXPECT_EQ(beyond.handle, CAPI_NO_HANDLE);
    EXPECT_EQ(beyond.done, 1);

    Found again = FindInto(0, 1);  // a first call starts over
    EXPECT_EQ(again.handle, 256u);
    EXPECT_EQ(again.done, 0);
}

TEST_F(TransportSlot, ASlotThatIsNotReadyIsSkipped) {
    for (int32_t completion : {0, FakeTransport::kNeverCompletes}) {
        FakeTransport fake(2, completion);
        CAPI_Initialize();
        Found found = FindInto(0, 1);
        EXPECT_EQ(found.result, CAPI_SLOT_NOT_READY) << completion;
        EXPECT_EQ(found.handle, CAPI_NO_HANDLE);
        EXPECT_EQ(found.done, 1);
        EXPECT_EQ(ProcessorDeviceOf(table.context(0)).responds, 0) << "the transport was not asked";
        CAPI_Poll();
        EXPECT_EQ(fake.polls(), 0u);
    }
}

TEST_F(TransportSlot, UntilATransportIsInstalledTheSlotIsNotReadyAndFindsNoController) {
    CAPI_InstallTransport(nullptr);
    CAPI_Initialize();
    EXPECT_TRUE(g_Calls.empty());  // nothing initialised, nothing to report
    Found found = FindInto(0, 1);
    EXPECT_EQ(found.result, CAPI_SLOT_NOT_READY);
    EXPECT_EQ(found.handle, CAPI_NO_HANDLE);
    EXPECT_EQ(CAPI_Poll(), 0);
}

TEST_F(TransportSlot, PollReachesOnlyAnInitialisedSlot) {
    FakeTransport fake(1);
    EXPECT_EQ(CAPI_Poll(), 0);
    EXPECT_EQ(fake.polls(), 0u);
    CAPI_Initialize();
    CAPI_Poll();
    EXPECT_EQ(fake.polls(), 1u);
}

TEST_F(TransportSlot, AttachSetsUpAContextWithoutAskingTheTransport) {
    FakeTransport fake(2);
    CAPI_HANDLE handle = 0;
    EXPECT_EQ(CAPI_AttachController(&handle, &table.context(7), table.sendBuffer(7), table.eventBuffer(7),
                                    LMX_LINK_TYPE_SCSI),
              CAPI_SLOT_NOT_READY);  // before initialise
    EXPECT_EQ(handle, CAPI_NO_HANDLE);

    CAPI_Initialize();
    EXPECT_EQ(CAPI_AttachController(&handle, &table.context(7), table.sendBuffer(7), table.eventBuffer(7),
                                    LMX_LINK_TYPE_SCSI),
              0);
    EXPECT_EQ(handle, 8u * 256);
    EXPECT_EQ(table.context(7).lmxIob.pLmxOps, &g_LmxTable[0].ops);
    EXPECT_EQ(table.context(7).pCapiBuffer, table.sendBuffer(7));
    EXPECT_EQ(ProcessorDeviceOf(table.context(7)).responds, 0);

    EXPECT_EQ(CAPI_AttachController(&handle, &table.context(8), nullptr, nullptr, 6), CAPI_SLOT_NOT_READY);
    EXPECT_EQ(handle, CAPI_NO_HANDLE);
}

TEST_F(TransportSlot, ASecondRegisteredCallbackReplacesTheFirst) {
    FakeTransport fake(1);
    CAPI_RegisterCallback(&Recorder<2>);
    EXPECT_EQ(CapiRegisteredCallback(), &Recorder<2>);
    CAPI_Initialize();
    FindInto(0, 1);
    testsupport::ReplyPacket reply;
    reply.commandCode = 2004;
    reply.address = CapiControllerAddress(256);
    fake.Reply(reply);
    const CAPI_ADDRESS address = CapiControllerAddress(256);
    EXPECT_EQ(SendCapiCommand(1004, &address, 0, nullptr, 0, 0, 0, 0, 0, 0), 0);

    ASSERT_EQ(g_Calls.size(), 2u);
    EXPECT_EQ(g_Calls[0].who, 2);
    EXPECT_EQ(g_Calls[0].replyCode, CAPI_REPLY_INITIALIZE_COMPLETE);
    EXPECT_EQ(g_Calls[1].who, 2);
    EXPECT_EQ(g_Calls[1].replyCode, 2004u);
    EXPECT_EQ(g_Calls[1].handle, 256u);
}

}  // namespace
