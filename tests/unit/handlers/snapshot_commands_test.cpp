// The point-in-time copy commands through rreExecCommand on the default fabric: the controller command each
// sends with the request's words in its parameters (a list's parameter byte as param1, DELETE_ALL_SNAPSHOTS'
// byte 51 as param2, the A/B selector as param4), and which of them are refused, with nothing sent, while
// both halves of the controller refuse configuration changes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/executor/executor.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;

constexpr size_t kChangeRefusedByte = 321;  // of each half of the unified controller record
constexpr uint8_t kAnyMaster = 0x5A;        // a master-volume serial that no management LUN reports

struct SnapshotCommand {
    const char* name;
    uint32_t code;
    uint32_t length;
    Fill fill;
    uint32_t capiCommand;
    bool refusedWhileChangesAre;
    uint32_t param1;
    uint32_t param2;
    uint32_t param4;
};

const std::vector<SnapshotCommand>& Commands() {
    static const std::vector<SnapshotCommand> commands = {
        // clang-format off
        {"DMS_GET_TAG", RRE_DMS_GET_TAG, 28, [](auto& d) { d[12] = 1; }, CAPI_COMMAND_U_DMS_GET_TAG, false, 0, 0, 1},
        {"CREATE_SNAPSHOT", RRE_CREATE_SNAPSHOT, 1140, nullptr, CAPI_COMMAND_U_CREATE_SNAPSHOTS, true, 0, 0, 0},
        {"COMMIT_SNAPSHOT", RRE_COMMIT_SNAPSHOT, 360, nullptr, CAPI_COMMAND_U_COMMIT_SNAPSHOTS, true, 0, 0, 0},
        {"DELETE_ALL_SNAPSHOTS", RRE_DELETE_ALL_SNAPSHOTS, 52, [](auto& d) { d[51] = 7; },
         CAPI_COMMAND_U_DELETE_ALL_SNAPSHOTS, true, 0, 7, 0},
        {"DELETE_SNAPSHOT", RRE_DELETE_SNAPSHOT, 360, nullptr, CAPI_COMMAND_U_DELETE_SNAPSHOTS, true, 0, 0, 0},
        {"GET_BACKING_STORE_LIST", RRE_GET_BACKING_STORE_LIST, 10264, [](auto& d) { d[12] = 1; },
         CAPI_COMMAND_U_GET_BACKING_STORE_LIST, false, 0, 0, 1},
        {"GET_MASTER_VOLUME_LIST", RRE_GET_MASTER_VOLUME_LIST, 180280,
         [](auto& d) {
             d[12] = 3;
             d[13] = 1;
         },
         CAPI_COMMAND_U_GET_MASTER_VOLUME_LIST, false, 3, 0, 1},
        {"GET_SNAPSHOT_LIST", RRE_GET_SNAPSHOT_LIST, 90168, [](auto& d) { d[12] = 4; },
         CAPI_COMMAND_U_GET_SNAPSHOT_LIST, false, 4, 0, 0},
        {"GET_SNAPSHOT_STATISTICS", RRE_GET_SNAPSHOT_STATISTICS, 131128,
         [](auto& d) {
             d[12] = 2;
             d[13] = 1;
         },
         CAPI_COMMAND_U_GET_SNAPSHOT_STATS, false, 2, 0, 1},
        {"RESET_SNAPSHOT", RRE_RESET_SNAPSHOT, 48, nullptr, CAPI_COMMAND_U_RESET_SNAPSHOT, true, 0, 0, 0},
        {"ROLLBACK_MASTER_VOLUME", RRE_ROLLBACK_MASTER_VOLUME, 112, [](auto& d) { d[32] = kAnyMaster; },
         CAPI_COMMAND_U_ROLLBACK_MASTER_VOLUME, true, 0, 0, 0},
        {"CONVERT_MASTER_VOLUME", RRE_CONVERT_MASTER_VOLUME, 312, nullptr, CAPI_COMMAND_U_CONVERT_MASTER_VOLUMES, true, 0,
         0, 0},
        {"DMS_SET_POLICY", RRE_DMS_SET_POLICY, 80, nullptr, CAPI_COMMAND_U_DMS_SET_POLICY, true, 0, 0, 0},
        {"DMS_SET_THRESHOLD_LEVEL", RRE_DMS_SET_THRESHOLD_LEVEL, 80, nullptr, CAPI_COMMAND_U_DMS_SET_THRESHOLD_LEVELS, true,
         0, 0, 0},
        {"DMS_GET_POLICY_THRESHOLD_LIST", RRE_DMS_GET_POLICY_THRESHOLD_LIST, 8248,
         [](auto& d) {
             d[12] = 3;
             d[13] = 1;
         },
         CAPI_COMMAND_U_DMS_GET_POLICY_THRESHOLD_LIST, false, 3, 0, 1},
        {"ROLLOFF_VOLUME", RRE_ROLLOFF_VOLUME, 540, nullptr, CAPI_COMMAND_U_ROLLOFF, false, 0, 0, 0},
        {"ABORT_ROLLOFF_VOLUME", RRE_ABORT_ROLLOFF_VOLUME, 524, nullptr, CAPI_COMMAND_U_ROLLOFF_ABORT, false, 0, 0, 0},
        {"GET_ROLLOFF_VOLUME_LIST", RRE_GET_ROLLOFF_VOLUME_LIST, 262164, [](auto& d) { d[12] = 1; },
         CAPI_COMMAND_U_GET_ROLLOFF_VOLUME_LIST, false, 0, 0, 1},
        {"SET_DMS_POLICY", RRE_SET_DMS_POLICY, 76, nullptr, CAPI_COMMAND_U_DMS_SET_POLICY, false, 0, 0, 0},
        // clang-format on
    };
    return commands;
}

class SnapshotCommandsTest : public ProxyCommandTest {
  protected:
    // Controller A's record as the proxy holds it, read again, with both halves refusing changes or not.
    static void RefuseChanges(bool refused) {
        const int32_t a = FindControllerByClientId(kHandleA);
        ASSERT_GE(a, 0);
        RefreshController(a);
        for (auto& half : g_ControllerDb[static_cast<uint32_t>(a)].unifiedController.controllers) {
            reinterpret_cast<uint8_t*>(&half)[kChangeRefusedByte] = refused ? 1 : 0;
        }
    }
};
INSTANTIATE_TEST_SUITE_P(Reach, SnapshotCommandsTest, ::testing::Values(simtest::Reach::InProcess),
                         simtest::ReachName);

TEST_P(SnapshotCommandsTest, EachCommandSendsItsControllerCommandWithTheRequestsWords) {
    for (const SnapshotCommand& c : Commands()) {
        SCOPED_TRACE(c.name);
        fabric_->journal().Clear();
        const Reply reply = Exec(c.code, c.length, kHandleA, c.fill);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(c.length));
        const std::vector<sim::JournalEntry> sent = Sent(c.capiCommand);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].params[0], c.param1);
        EXPECT_EQ(sent[0].params[1], c.param2);
        EXPECT_EQ(sent[0].params[3], c.param4);
    }
}

TEST_P(SnapshotCommandsTest, ChangesAreRefusedWithNothingSentWhileBothHalvesRefuseThem) {
    for (const SnapshotCommand& c : Commands()) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(RefuseChanges(true));
        fabric_->journal().Clear();
        const Reply reply = Exec(c.code, c.length, kHandleA, c.fill);
        if (c.refusedWhileChangesAre) {
            EXPECT_EQ(reply.status, -1);
            EXPECT_EQ(reply.code, RRE_ERROR_CHANGE_REFUSED);
            EXPECT_TRUE(Sent(c.capiCommand).empty());
        } else {
            EXPECT_EQ(reply.status, 0);
            EXPECT_EQ(Sent(c.capiCommand).size(), 1u);
        }
    }
}

}  // namespace
