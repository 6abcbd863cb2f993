// REBOOT_CONTROLLER and SHUTDOWN_CONTROLLER in virtual time against the default fabric: the waits, the
// rediscoveries, the controller found again by its serial number wherever it now sits in the database.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/database/controller_db.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "sim/model/identifiers.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

constexpr uint8_t kHalfOfA = 1;  // failoverId 1 is controller A
constexpr uint8_t kHalfOfB = 0;
constexpr uint32_t kRebootTimedOut = 10004;

class ControllerRestartTest : public ProxyCommandTest {
  protected:
    void RestartTime(int controller, uint32_t ms) {
        fabric_->Edit(
            [&](sim::FabricModel& m) { m.systems[0].controllers[controller].settings.restartMs = ms; });
    }
    std::string SerialOf(int controller) const { return sim::HexText(Pair().controllers[controller].serial); }
    // At `atMs` of the wait the controller's entry leaves the database (as a merge would remove it), so that
    // the entries after it move down and the rediscovery appends the controller again.
    void DropEntryDuringTheWait(uint64_t atMs, int controller) {
        const std::string serial = SerialOf(controller);
        clock_->At(clock_->MonotonicMs() + atMs,
                   [serial] { RemoveController(FindControllerBySerialText(serial.c_str())); });
    }
    Reply Reboot(uint32_t id, uint8_t which) {
        clock_->ClearSleeps();
        return Exec(RRE_REBOOT_CONTROLLER, 16, id, [&](auto& b) { b[12] = which; });
    }
    size_t SleepsOf(uint32_t ms) {
        const std::vector<uint32_t> sleeps = clock_->Sleeps();
        return static_cast<size_t>(std::count(sleeps.begin(), sleeps.end(), ms));
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, ControllerRestartTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

TEST_P(ControllerRestartTest, RebootedControllerIsFoundAgainBySerialWhereverItNowSits) {
    for (bool moved : {false, true}) {
        SCOPED_TRACE(moved ? "its index changed" : "its index stayed");
        RestartTime(0, 90000);
        const int32_t before = FindControllerBySerialText(SerialOf(0).c_str());
        ASSERT_GE(before, 0);
        const uint32_t id = GetClientControllerId(before);
        if (moved) DropEntryDuringTheWait(30000, 0);
        const Reply reply = Reboot(id, kHalfOfA);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, 0u);
        const int32_t found = FindControllerBySerialText(SerialOf(0).c_str());
        ASSERT_GE(found, 0);
        EXPECT_EQ(Word(reply.buffer, 8), GetClientControllerId(found));
        if (moved) {
            EXPECT_NE(found, before);
        }
        EXPECT_EQ(SleepsOf(60000), 2u) << "back after 91 s: found in the pass at 120 s";
    }
}

// Both halves restart: the controller found again is not enough while its partner's state is not 0.
TEST_P(ControllerRestartTest, BothHalvesRebootWaitsForBothStateBytes) {
    RestartTime(0, 90000);
    RestartTime(1, 150000);
    const Reply reply = Reboot(kHandleA, 2);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(SleepsOf(60000), 3u) << "A is back at 91 s, B at 151 s: both operate in the pass at 180 s";
}

TEST_P(ControllerRestartTest, ControllerThatNeverComesBackTimesOutAfterFiveMinutes) {
    RestartTime(0, 0);
    const Reply reply = Reboot(kHandleA, kHalfOfA);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, kRebootTimedOut);
    EXPECT_EQ(SleepsOf(60000), 5u);
    EXPECT_EQ(SleepsOf(10000), 0u);
}

// Only the partner restarts: its state is read through the controller every 10 s and nothing is
// rediscovered; the reply keeps the controller's id.
TEST_P(ControllerRestartTest, PartnerRebootIsWatchedThroughTheControllerWithoutRediscovery) {
    RestartTime(1, 45000);
    fabric_->journal().Clear();
    const Reply reply = Reboot(kHandleA, kHalfOfB);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(Word(reply.buffer, 8), kHandleA);
    EXPECT_EQ(SleepsOf(10000), 5u) << "B is back after 46 s: seen in the pass at 50 s";
    EXPECT_EQ(SleepsOf(60000), 0u);
    for (const sim::JournalEntry& entry : fabric_->journal().Entries()) {
        EXPECT_NE(entry.commandCode, static_cast<uint32_t>(CAPI_COMMAND_U_GET_DRIVE_ENCLOSURES))
            << "a rediscovery ran";
    }
}

// After the rediscovery the update goes to the controller addressed, found by its serial, even when
// entries moved: controller A and then its partner, never whatever took A's old place.
TEST_P(ControllerRestartTest, ShutdownUpdatesTheSameControllerAfterEntriesMoved) {
    const int32_t before = FindControllerBySerialText(SerialOf(0).c_str());
    DropEntryDuringTheWait(5000, 0);
    const Reply reply = Exec(RRE_SHUTDOWN_CONTROLLER, 20, kHandleA, [](auto& b) { b[12] = kHalfOfB; });
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(SleepsOf(10000), 1u);
    const int32_t after = FindControllerBySerialText(SerialOf(0).c_str());
    ASSERT_GE(after, 0);
    EXPECT_NE(after, before);
    std::vector<std::string> reads;
    for (const sim::JournalEntry& entry : fabric_->journal().Entries()) {
        if (entry.commandCode == static_cast<uint32_t>(CAPI_COMMAND_U_GET_CONTROLLER_DATA))
            reads.push_back(entry.controller);
    }
    ASSERT_GE(reads.size(), 2u);
    EXPECT_EQ(reads[reads.size() - 2], SerialOf(0));
    EXPECT_EQ(reads.back(), SerialOf(1));
    EXPECT_EQ(Pair().controllers[1].condition.state, sim::HalfState::ShutDown);
}

}  // namespace
