// Controller refresh against the default fabric: both controllers of the pair read into their entries,
// a controller whose sequence numbers did not move is not read again, one whose configuration changed is,
// a shut-down controller is not waited for, and every wait ends within its bound on the virtual clock.
#include "corlink/database/controller_refresh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/lmx.h"
#include "corlink/capi/processor_device.h"
#include "corlink/capi/wrappers_classic.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_by_letter.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/database/master_callback.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/transport/inband_transport.h"
#include "platform/time/clock.h"
#include "tests/support/state_reset.h"
#include "tests/support/test_root.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace {

using simtest::FabricTest;
using simtest::Reach;

constexpr uint32_t kReceiveBufferSize = 262231;

class ControllerRefreshTest : public FabricTest {
  protected:
    void SetUp() override {
        FabricTest::SetUp();
        testsupport::ResetDatabaseState();
        OpenDebugFile(nullptr);
        testsupport::WriteWholeFile(root_.path() + "/corlink.conf", "[Models]\nm1 = Brenlow +Stor.*\n");
        std::snprintf(g_ConfigFile, sizeof g_ConfigFile, "%s", (root_.path() + "/corlink.conf").c_str());
        savedInitialize_ = g_LmxTable[0].initialize;
        g_LmxTable[0].initialize = &SCSI32LMX_Initialize;
        CAPI_RegisterCallback(&MasterCallback);
        CAPI_Initialize();
        // The pair enters the database as discovery enters it: a context and two receive buffers each.
        uint8_t done = 0;
        for (uint32_t i = 0; i < 2 && !done; ++i) {
            RAID_CONTROLLER& entry = g_ControllerDb[i];
            buffers_.emplace_back(kReceiveBufferSize);
            buffers_.emplace_back(kReceiveBufferSize);
            entry.pCapiBuffer = buffers_[2 * i].data();
            entry.pEventBuffer = buffers_[2 * i + 1].data();
            CAPI_HANDLE handle = 0;
            CAPI_FindNextController(i == 0, &done, &handle, &entry.controllerContext, entry.pCapiBuffer,
                                    entry.pEventBuffer);
            entry.controllerHandle = handle;
            entry.lastConfigSequenceNumber = -1;
            g_NumControllers = i + 1;
        }
        ASSERT_EQ(g_NumControllers, 2u);
        fabric_->journal().Clear();
    }
    void TearDown() override {
        g_LmxTable[0].initialize = savedInitialize_;
        testsupport::ResetDatabaseState();
        FabricTest::TearDown();
    }
    std::vector<uint32_t> Commands() const {
        std::vector<uint32_t> codes;
        for (const sim::JournalEntry& e : fabric_->journal().Entries()) codes.push_back(e.commandCode);
        return codes;
    }
    static std::string Serial(const uint8_t* bytes) {
        return std::string(reinterpret_cast<const char*>(bytes),
                           strnlen(reinterpret_cast<const char*>(bytes), 32));
    }

    platform::ScopedVirtualClock clock_;
    testsupport::TestRoot root_;
    std::vector<std::vector<uint8_t>> buffers_;
    decltype(LMX_ENTRY::initialize) savedInitialize_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Reach, ControllerRefreshTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

TEST_P(ControllerRefreshTest, UpdateControllerReadsEachControllerOfThePair) {
    ASSERT_EQ(UpdateController(0), 0);
    ASSERT_EQ(UpdateController(1), 0);
    const RAID_CONTROLLER& a = g_ControllerDb[0];
    const RAID_CONTROLLER& b = g_ControllerDb[1];
    EXPECT_EQ(Serial(a.controller.serialNumber), "00C0FF1A2B01");
    EXPECT_EQ(Serial(a.controller.failover.otherSerialNumber), "00C0FF1A2B02");
    EXPECT_EQ(Serial(b.controller.serialNumber), "00C0FF1A2B02");
    EXPECT_EQ(Serial(b.controller.failover.otherSerialNumber), "00C0FF1A2B01");
    EXPECT_EQ(a.controller.failover.failoverId, 1);
    EXPECT_EQ(b.controller.failover.failoverId, 0);
    EXPECT_EQ(std::string(a.arrays[0].name, 4), "vd01");
    EXPECT_EQ(a.arrayListEverUpdated, 1u);
    EXPECT_EQ(a.driveListEverUpdated, 1u);
    EXPECT_EQ(a.everUpdated, 1);
    EXPECT_EQ(a.pagedStorageValid, 0);  // the fabric knows no paged storage
    EXPECT_EQ(std::memcmp(&b.unifiedController, &g_UnifiedControllerBuffer, sizeof g_UnifiedControllerBuffer),
              0);
    // Controller data, array list, drive list, pools: in that order, per controller.
    const std::vector<uint32_t> perController = {1001, 1002, 1003, 1354};
    std::vector<uint32_t> expected = perController;
    expected.insert(expected.end(), perController.begin(), perController.end());
    EXPECT_EQ(Commands(), expected);
}

TEST_P(ControllerRefreshTest, RefreshReadsAgainOnlyWhenASequenceNumberMoved) {
    for (int32_t i : {0, 1}) ASSERT_EQ(RefreshController(i), 0);  // never read: read now
    EXPECT_EQ(isNeedRefreshController(0), 1);
    for (int32_t i : {0, 1}) g_ControllerDb[i].needRefresh = 0;

    fabric_->journal().Clear();
    for (int32_t i : {0, 1}) ASSERT_EQ(RefreshController(i), 0);
    EXPECT_EQ(Commands(), (std::vector<uint32_t>{1004, 1004}));
    EXPECT_EQ(isNeedRefreshController(1), 0);

    fabric_->RecordConfigurationChange(0);
    fabric_->journal().Clear();
    ASSERT_EQ(RefreshController(1), 0);
    const std::vector<uint32_t> codes = Commands();
    ASSERT_GE(codes.size(), 2u);
    EXPECT_EQ(codes[0], 1004u);
    EXPECT_EQ(codes[1], 1001u);
    EXPECT_EQ(isNeedRefreshController(1), 1);
    const RAID_CONTROLLER& b = g_ControllerDb[1];
    EXPECT_EQ(static_cast<uint32_t>(b.lastConfigSequenceNumber), b.controller.configSequenceNumber);
    EXPECT_EQ(b.arrayListSequenceNumber, b.controller.configSequenceNumber);
}

TEST_P(ControllerRefreshTest, RefusedRefreshTriesThreeTimesFiveSecondsApart) {
    fabric_->InjectFault(0, 0, {sim::FaultKind::ReturnCode, CAPI_COMMAND_U_GET_CONTROLLER_DATA, 2, 3});
    clock_->ClearSleeps();
    EXPECT_EQ(RefreshController(0), 1);
    const std::vector<uint32_t> sleeps = clock_->Sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 5000u), 2);
    const std::vector<uint32_t> codes = Commands();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 1001u), 3);
    EXPECT_EQ(isNeedRefreshController(0), 1);
}

TEST_P(ControllerRefreshTest, ShutDownControllerIsNotWaitedForAndTheRestIsRead) {
    ASSERT_EQ(UpdateController(0), 0);
    // Another controller's record is the last in the shared buffer.
    std::memset(&g_UnifiedControllerBuffer, 0x41, sizeof g_UnifiedControllerBuffer);
    fabric_->journal().Clear();
    fabric_->InjectFault(0, 0, {sim::FaultKind::ReturnCode, CAPI_COMMAND_U_GET_CONTROLLER_DATA, 47, 1});
    const uint64_t before = platform::GetClock().NowMs();
    EXPECT_EQ(UpdateController(0), 0);
    EXPECT_LT(platform::GetClock().NowMs() - before, 1000u);
    EXPECT_EQ(g_ControllerDb[0].shutdown, 0u);  // the array list that followed was answered normally
    EXPECT_EQ(Commands(), (std::vector<uint32_t>{1001, 1002, 1003, 1354}));
    // The entry was rebuilt from its own last record.
    EXPECT_EQ(Serial(g_ControllerDb[0].controller.serialNumber), "00C0FF1A2B01");
    EXPECT_EQ(g_ControllerDb[0].controller.failover.failoverId, 1);
}

TEST_P(ControllerRefreshTest, PartitionsOfAnArrayAreReadIntoThePartitionTable) {
    ASSERT_EQ(UpdateController(0), 0);
    ASSERT_EQ(UpdateArrayPartition(0, 1), 0);
    const CAPI_ARRAY_PARTITION* first = gCapiArrayPartitions.Find(0, 1, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(first->name, 6), "logs01");
    EXPECT_EQ(first->arrayIndex, 1);
    const uint16_t count = g_ControllerDb[0].arrays[1].largeNumArrayPartitions;
    EXPECT_EQ(count, 2);
}

TEST_P(ControllerRefreshTest, EnclosuresAndTheFruThatNamesTheStorageSystemAreRead) {
    UpdateDriveEnclosures(1);
    const RAID_CONTROLLER& b = g_ControllerDb[1];
    ASSERT_EQ(b.enclosureCount, 1u);
    const CAPI_ADVANCED_DRIVE_ENCLOSURE& enclosure = b.advancedEnclosures[0];
    bool named = false;
    for (uint32_t k = 0; k < 10; ++k) {
        if (enclosure.fruDataValidity[k] == 2 && enclosure.fruidInfo[k].fruType == 9) {
            named = std::string(enclosure.fruidInfo[k].supplierSn) == "3C4D5E";
        }
    }
    EXPECT_TRUE(named);
    // The advanced record was asked for once: it held the naming FRU at the first try.
    const std::vector<uint32_t> codes = Commands();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), uint32_t{CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE}), 1);
}

// The controller's debug log comes in chunks; each full chunk asks for the next from inside its reply.
TEST_P(ControllerRefreshTest, DebugLogChunksFollowEachOtherAndAnEndlessLogIsCutOff) {
    for (const uint32_t chunks : {3u, 100000u}) {
        uint32_t answered = 0;
        fabric_->SetHandler(CAPI_COMMAND_NON_U_GET_DEBUG_DATA,
                            [&](const sim::CapiRequest&, sim::StorageSystem&, int) {
                                sim::CapiAnswer answer;
                                answer.replyCode = 405;
                                answer.includeType = 40;
                                const bool last = ++answered == chunks;
                                answer.params[0] = last ? 10 : 0x8000;
                                answer.data.assign(answer.params[0], 'x');
                                return answer;
                            });
        RAID_CONTROLLER& a = g_ControllerDb[0];
        a.debugLogOffset = 0;
        a.updateStatus = UPDATE_STATUS_PENDING;
        g_CurrentController = 0;
        CAPI_GetDebugData(a.controllerHandle, 0, 0);
        EXPECT_EQ(a.updateStatus, UPDATE_STATUS_STORED);
        const uint32_t full = std::min(chunks - 1, 256u);
        EXPECT_EQ(a.debugLogOffset, full * 0x8000u);
        EXPECT_EQ(answered, full + 1);
    }
}

TEST_P(ControllerRefreshTest, WaitsEndWithinTheirBound) {
    RAID_CONTROLLER& a = g_ControllerDb[0];
    const uint64_t start = platform::GetClock().NowMs();
    a.updateStatus = UPDATE_STATUS_PENDING;
    EXPECT_EQ(WaitForUpdate(CAPI_RESULT_LINK_BUSY, 0), UPDATE_WAIT_FAILED);  // no wait at all
    EXPECT_EQ(platform::GetClock().NowMs(), start);

    const uint32_t timeouts = g_UpdateTimeouts;
    EXPECT_EQ(WaitForUpdate(0, 0), UPDATE_WAIT_TIMED_OUT);  // a reply that never comes
    EXPECT_EQ(g_UpdateTimeouts, timeouts + 1);
    const uint64_t waited = platform::GetClock().NowMs() - start;
    EXPECT_GE(waited, 60000u);
    EXPECT_LT(waited, 61000u);

    g_badControllerNumberError = 1;  // a reply the database could not place ends the wait at once
    EXPECT_EQ(WaitForUpdate(0, 0), UPDATE_WAIT_FAILED);
}

TEST(ConfigChangeRefusal, RefusedOnlyWhenBothControllersRefuse) {
    const struct {
        uint8_t a, b;
        int refused;
    } cases[] = {{1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {2, 1, 0}};
    g_NumControllers = 2;
    for (const auto& c : cases) {
        // The entry's own record decides; the record another controller sent last does not.
        reinterpret_cast<uint8_t*>(&g_ControllerDb[0].unifiedController.controllers[0])[321] = c.a;
        reinterpret_cast<uint8_t*>(&g_ControllerDb[0].unifiedController.controllers[1])[321] = c.b;
        std::memset(&g_ControllerDb[1].unifiedController, 1, sizeof g_ControllerDb[1].unifiedController);
        std::memset(&g_UnifiedControllerBuffer, c.refused == 1 ? 0 : 1, sizeof g_UnifiedControllerBuffer);
        EXPECT_EQ(IsConfigChangeRefused(0), c.refused) << int(c.a) << "," << int(c.b);
        EXPECT_EQ(IsConfigChangeRefused(1), 1);
    }
    EXPECT_EQ(IsConfigChangeRefused(2), 0);
    g_NumControllers = 0;
}

// The utility without callers that finds a controller by its letter: each entry refreshed in order, one that
// fails its refresh passed over.
TEST_P(ControllerRefreshTest, ControllerByLetter) {
    const int32_t a = ProcessorDeviceOf(g_ControllerDb[0]).id == PROCESSOR_DEVICE_ID_A ? 0 : 1;
    EXPECT_EQ(FindControllerByLetter('a'), a);
    EXPECT_EQ(FindControllerByLetter('B'), 1 - a);
    EXPECT_EQ(FindControllerByLetter('C'), -1);
    // A refuses
    fabric_->SetControllerCondition(0, 0, sim::HalfState::Refusing, 0, CAPI_ERROR_COMMAND_FAILED);
    EXPECT_EQ(FindControllerByLetter('A'), -1);
}

}  // namespace
