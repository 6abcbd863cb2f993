// Controller discovery against the default fabric: the pair found, read, identified and paired; a
// repeated run ends as it began; a controller missing from the bus gets a placeholder; a controller
// that stops answering becomes a placeholder of its mate. Then the enumeration limits, over the
// scripted transport.
#include "corlink/database/controller_discovery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/lmx.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/master_callback.h"
#include "corlink/database/storage_system.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "platform/time/clock.h"
#include "sim/fault_script.h"
#include "tests/support/fake_transport.h"
#include "tests/support/state_reset.h"
#include "tests/support/test_root.h"
#include "tests/unit/database/fabric_database_fixture.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace {

using simtest::Reach;

std::string Serial(uint32_t index) {
    const auto* text = reinterpret_cast<const char*>(g_ControllerDb[index].controller.serialNumber);
    return std::string(text, strnlen(text, 32));
}

class ControllerDiscoveryTest : public FabricDatabaseTest {};

INSTANTIATE_TEST_SUITE_P(Reach, ControllerDiscoveryTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

TEST_P(ControllerDiscoveryTest, StartingTheExecutorBuildsThePairAndItsStorageSystem) {
    g_FirstDiscovery = 1;
    ASSERT_EQ(rreInitialize(), 0u);
    ASSERT_EQ(g_NumControllers, 2u);
    EXPECT_EQ(g_FirstDiscovery, 0);
    EXPECT_EQ(g_DiscoveryRunning, 0);
    for (uint32_t i : {0u, 1u}) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        EXPECT_EQ(entry.controllerHandle, (i + 1) * 256);
        EXPECT_EQ(entry.isPartner, 0);
        EXPECT_STREQ(entry.UniqueSN, "3C4D5E");
        EXPECT_EQ(ProcessorDeviceOf(entry).responds, 1);
        EXPECT_NE(entry.pCapiBuffer, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(entry.pCapiBuffer) % 8, 0u);
    }
    EXPECT_EQ(Serial(0), "00C0FF1A2B01");
    EXPECT_EQ(Serial(1), "00C0FF1A2B02");
    EXPECT_EQ(FindPartnerController(0), 1);
    EXPECT_EQ(FindPartnerController(1), 0);
    ASSERT_EQ(nStorageSystem, 1);
    EXPECT_STREQ(gStorageSystems[0].UniqueSN, "3C4D5E");
    EXPECT_EQ(gStorageSystems[0].controllerHandleA, 0x100u);
    EXPECT_EQ(gStorageSystems[0].controllerHandleB, 0x200u);
    rreTerminate();
}

TEST_P(ControllerDiscoveryTest, ARepeatedRunEndsWithTheSameEntriesAndHandles) {
    g_FirstDiscovery = 0;
    CAPI_Initialize_Main();
    ASSERT_EQ(g_NumControllers, 2u);
    const uint8_t* buffer = g_ControllerDb[0].pCapiBuffer;
    CAPI_Initialize_Main();
    ASSERT_EQ(g_NumControllers, 2u);
    EXPECT_EQ(Serial(0), "00C0FF1A2B01");
    EXPECT_EQ(Serial(1), "00C0FF1A2B02");
    EXPECT_EQ(g_ControllerDb[0].controllerHandle, 0x100u);
    EXPECT_EQ(g_ControllerDb[1].controllerHandle, 0x200u);
    EXPECT_EQ(g_ControllerDb[0].pCapiBuffer, buffer) << "the older entry survives";
    EXPECT_EQ(nStorageSystem, 1);
}

TEST_P(ControllerDiscoveryTest, OnlyControllerAOnTheBusGivesAPlaceholderForB) {
    fabric_->SetControllerPresent(0, 1, false);
    g_FirstDiscovery = 0;
    CAPI_Initialize_Main();
    ASSERT_EQ(g_NumControllers, 2u);
    const RAID_CONTROLLER& b = g_ControllerDb[1];
    EXPECT_EQ(b.isPartner, 1);
    EXPECT_EQ(b.controllerHandle, 0x100u);
    EXPECT_EQ(GetClientControllerId(1), 0x101u);
    EXPECT_EQ(Serial(1), "00C0FF1A2B02") << "read through A as the other half of the pair";
    EXPECT_EQ(b.controller.failover.failoverId, 0);
    EXPECT_STREQ(b.UniqueSN, "3C4D5E");
    ASSERT_EQ(nStorageSystem, 1);
    EXPECT_EQ(gStorageSystems[0].controllerHandleA, 0x100u);
    EXPECT_EQ(gStorageSystems[0].controllerHandleB, 0x100u);

    fabric_->SetControllerPresent(0, 1, true);  // B comes back: it replaces its placeholder
    CAPI_Initialize_Main();
    ASSERT_EQ(g_NumControllers, 2u);
    EXPECT_EQ(g_ControllerDb[1].isPartner, 0);
    EXPECT_EQ(g_ControllerDb[1].controllerHandle, 0x200u);
    EXPECT_EQ(ProcessorDeviceOf(g_ControllerDb[1]).responds, 1);
}

TEST_P(ControllerDiscoveryTest, AControllerThatStopsAnsweringBecomesAPlaceholderOfItsMate) {
    g_FirstDiscovery = 0;
    CAPI_Initialize_Main();
    ASSERT_EQ(g_NumControllers, 2u);
    fabric_->SetControllerPresent(0, 1, false);
    CAPI_Initialize_Main();  // B's device no longer responds after the first run's readiness check ...
    CAPI_Initialize_Main();  // ... and the next run repairs it from A
    ASSERT_EQ(g_NumControllers, 2u);
    const RAID_CONTROLLER& b = g_ControllerDb[1];
    EXPECT_EQ(b.isPartner, 1);
    EXPECT_EQ(b.controllerHandle, 0x100u);
    EXPECT_EQ(b.rawCapiBuffer, nullptr);
    EXPECT_EQ(b.controllerContext.lmxIob.pControllerContext, &g_ControllerDb[0].controllerContext);
    EXPECT_EQ(Serial(1), "00C0FF1A2B02");
    EXPECT_EQ(nStorageSystem, 1);
}

// B answers its record request as shut down, so its record is never read: B is not added as an entry
// without a serial number beside A; A speaks for it as its placeholder.
TEST_P(ControllerDiscoveryTest, AControllerWhoseRecordCannotBeReadIsNotAdded) {
    sim::Fault shutDown;
    shutDown.kind = sim::FaultKind::ReturnCode;
    shutDown.commandCode = CAPI_COMMAND_U_GET_CONTROLLER_DATA;
    shutDown.returnCode = 47;
    shutDown.times = 20;
    fabric_->InjectFault(0, 1, shutDown);
    g_FirstDiscovery = 0;
    CAPI_Initialize_Main();
    ASSERT_EQ(g_NumControllers, 2u);
    for (uint32_t i : {0u, 1u}) EXPECT_FALSE(Serial(i).empty()) << i;
    EXPECT_EQ(g_ControllerDb[1].isPartner, 1);
    EXPECT_EQ(g_ControllerDb[1].controllerHandle, 0x100u);
    EXPECT_EQ(nStorageSystem, 1);
}

// Over the scripted transport: no controller answers a read, so what is left is the enumeration.
class EnumerationTest : public ::testing::Test {
  protected:
    EnumerationTest() { testsupport::ResetDatabaseState(); }
    ~EnumerationTest() override { testsupport::ResetDatabaseState(); }
    platform::ScopedVirtualClock clock_;
    testsupport::TestRoot root_;
};

TEST_F(EnumerationTest, AppendsAtMost64EntriesEachWithAlignedBuffersAndItsOwnHandle) {
    testsupport::FakeTransport fake(70);
    InitializeCAPI(1, 0);
    EXPECT_EQ(fake.initializeCalls(), 1u);
    ASSERT_EQ(g_NumControllers, CONTROLLER_DB_SIZE);
    for (uint32_t i = 0; i < CONTROLLER_DB_SIZE; ++i) {
        const RAID_CONTROLLER& entry = g_ControllerDb[i];
        EXPECT_EQ(entry.controllerHandle, (i + 1) * 256) << i;
        EXPECT_EQ(entry.lastConfigSequenceNumber, -1);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(entry.pEventBuffer) % 8, 0u);
        EXPECT_EQ(entry.controllerContext.pCapiBuffer, entry.pCapiBuffer);
        EXPECT_EQ(ProcessorDeviceOf(entry).target, static_cast<uint8_t>(i));
    }
    InitializeCAPI(1, 0);
    EXPECT_EQ(g_NumControllers, CONTROLLER_DB_SIZE) << "a full database takes nothing more";
}

TEST_F(EnumerationTest, ALaterRunAppendsAfterTheExistingEntriesAndUnreadableOnesAreRemoved) {
    testsupport::FakeTransport fake(2);
    InitializeCAPI(1, 0);
    ASSERT_EQ(g_NumControllers, 2u);
    InitializeCAPI(1, 0);
    ASSERT_EQ(g_NumControllers, 4u);
    EXPECT_EQ(g_ControllerDb[3].controllerHandle, 0x400u);
    EXPECT_EQ(ProcessorDeviceOf(g_ControllerDb[3]).target, 1);

    UpdateControllers(2, 3);  // nothing answers: both new entries fail three reads and go
    EXPECT_EQ(g_NumControllers, 2u);
    EXPECT_EQ(g_ControllerDb[1].controllerHandle, 0x200u);
}

TEST_F(EnumerationTest, NoControllerIsNoError) {
    testsupport::FakeTransport fake(0);
    InitializeCAPI(0, 0);
    EXPECT_EQ(g_NumControllers, 0u);
    RAID_CONTROLLER* slot = g_ControllerDb.Peek(0);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->rawCapiBuffer, nullptr) << "the tried slot keeps no buffers";
}

TEST_F(EnumerationTest, ATransportThatNeverCompletesItsInitialisationIsWaitedForOnlySoLong) {
    testsupport::FakeTransport fake(2, testsupport::FakeTransport::kNeverCompletes);
    g_InitializeComplete = 0;
    InitializeCAPI(1, 0);
    EXPECT_EQ(g_NumControllers, 0u);
}

}  // namespace
