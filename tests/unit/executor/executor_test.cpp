#include "corlink/executor/executor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "corlink/database/database_state.h"
#include "corlink/executor/command_table.h"
#include "corlink/executor/executor_state.h"
#include "corlink/handlers/rre.h"
#include "platform/time/clock.h"
#include "platform/windows_api.h"
#include "tests/support/test_root.h"
#include "tests/unit/executor/executor_fixture.h"
#include "tests/unit/platform/kernel/thread_runner.h"

namespace {

// Must run first: the executor refuses everything until rreInitialize has finished.
TEST(ExecutorTest, CommandsBeforeInitializationAreRefused) {
    Reply r = Exec(106, 12);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.code, RRE_STATUS_NOT_INITIALIZED);
    EXPECT_EQ(r.length, 8);
}

TEST_F(InitializedExecutorTest, CodesWithoutAHandlerAreUnknown) {
    for (uint32_t code : {7u, 8u, 10u, 25u, 83u, 107u, 127u, 128u, 0xFFFFFFFFu}) {
        Reply r = Exec(code, 12);
        EXPECT_EQ(r.status, -1) << code;
        EXPECT_EQ(r.code, RRE_ERROR_UNKNOWN_COMMAND) << code;
        EXPECT_EQ(r.length, 8) << code;
    }
}

TEST_F(InitializedExecutorTest, WrongLengthsAreAnsweredPerCommand) {
    const std::set<uint32_t> listAndFlagCommands = {1, 2, 4, 5, 6, 106};
    int checked = 0;
    for (uint32_t code = 0; code < RRE_COMMAND_COUNT; ++code) {
        const RreCommandInfo* info = FindRreCommand(code);
        if (info == nullptr || info->handlerName == nullptr || info->requestLength == kAnyLength) continue;
        uint32_t expected = listAndFlagCommands.count(code) ? RRE_ERROR_BAD_LENGTH : RRE_ERROR_WRONG_LENGTH;
        for (int32_t delta : {-1, 1}) {
            int64_t wrong = static_cast<int64_t>(info->requestLength) + delta;
            if (wrong < 0 || (delta > 0 && info->lengthCheck == Checked::AtLeast)) continue;
            Reply r = Exec(code, static_cast<uint32_t>(wrong));
            EXPECT_EQ(r.status, -1) << code;
            EXPECT_EQ(r.code, expected) << code << " length " << wrong;
            EXPECT_EQ(r.length, 8) << code;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 90);  // 93 handled codes, 3 of them without a fixed or least length
}

TEST_F(InitializedExecutorTest, AReplyNeverPassesTheCallersBuffer) {
    std::vector<uint8_t> tiny(4, 0xAB);
    Rre rre{106, 12, tiny.data(), 4, -7, 1};
    rreExecCommand(&rre);
    EXPECT_EQ(rre.ReplyLength, 0);
    EXPECT_EQ(tiny, std::vector<uint8_t>(4, 0xAB));

    std::vector<uint8_t> shortBuffer(8, 0);  // claims a 12-byte request in 8 bytes
    Reply r = Exec(106, 12, shortBuffer);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.code, RRE_ERROR_WRONG_LENGTH);
}

TEST_F(InitializedExecutorTest, ConcurrentCommandsAreSerialisedByTheStateChangeMutex) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, STATE_CHANGE_MUTEX_NAME);
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);  // a command in progress
    std::atomic<bool> done{false};
    Reply r{};
    std::thread caller([&] {
        std::vector<uint8_t> buffer(12, 0);
        buffer[8] = 1;
        r = Exec(106, 12, buffer);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    ReleaseMutex(mutex);
    caller.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(r.status, 0);
    CloseHandle(mutex);
}

// A wait that finds the mutex abandoned (its owner ended holding it) fails the command, and the mutex the
// wait handed over is given back: the next command runs instead of waiting for ever.
TEST_F(InitializedExecutorTest, AnAbandonedMutexFailsOneCommandAndIsGivenBack) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, STATE_CHANGE_MUTEX_NAME);
    ASSERT_NE(mutex, nullptr);
    HANDLE owner = platformtest::StartThread([&] { WaitForSingleObject(mutex, INFINITE); });
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);
    for (uint32_t expected : {RRE_ERROR_MUTEX_WAIT, 0u}) {
        std::vector<uint8_t> buffer(12, 0);
        buffer[8] = 1;
        Reply r = Exec(106, 12, buffer);
        EXPECT_EQ(r.code, expected);
    }
    CloseHandle(mutex);
}

// A command queued behind a running one while the executor detaches is refused, whether the detach or the
// command takes the state-change mutex first once the running one ends.
TEST(ExecutorDetachTest, NoQueuedCommandRunsOnceTheDetachHasBegun) {
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;
    platform::TakingPart part;
    ASSERT_EQ(rreInitialize(), 0u);
    ASSERT_EQ(g_DiscoveryFlag, 1);
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, STATE_CHANGE_MUTEX_NAME);
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);  // a command in progress
    Reply queued{};
    std::vector<HANDLE> threads;
    threads.push_back(platformtest::StartThread([&] {
        std::vector<uint8_t> buffer(12, 0);  // clears the discovery flag, if it runs
        queued = Exec(106, 12, buffer);
    }));
    threads.push_back(platformtest::StartThread([] { rreTerminate(); }));
    Sleep(1000);  // returns once both threads wait for the mutex
    ReleaseMutex(mutex);
    platformtest::JoinAll(threads);
    CloseHandle(mutex);
    EXPECT_EQ(queued.status, -1);
    EXPECT_EQ(queued.code, RRE_ERROR_MUTEX_WAIT);
    EXPECT_EQ(g_DiscoveryFlag, 1) << "the queued command ran";
}

TEST(CommandTableTest, NamesArePaddedAndCounted) {
    auto padded = [](const std::string& name) { return name + std::string(30 - name.size(), ' '); };
    EXPECT_EQ(std::string(RreCommandNameOf(0)), padded("GET_CONTROLLERHANDLEDB"));
    EXPECT_EQ(std::string(RreCommandNameOf(126)), "CHANGE_PARTITION_DESCRIPTION  ");
    EXPECT_EQ(std::string(RreCommandNameOf(106)), "SET_DISCOVERY_FLAG\t\t\t");
    EXPECT_EQ(std::string(RreCommandNameOf(108)), "GET_NEED_UPDATE_CONTROLLER\t");
    EXPECT_EQ(std::string(RreCommandNameOf(27)), padded("ABORT_UTILITY=27"));
    EXPECT_STREQ(RreCommandNameOf(105), "INVALID OPCODE");
    EXPECT_STREQ(RreCommandNameOf(127), "INVALID OPCODE");

    int named = 0, handled = 0;
    for (uint32_t code = 0; code < RRE_COMMAND_COUNT; ++code) {
        const RreCommandInfo* info = FindRreCommand(code);
        if (info == nullptr) continue;
        named += info->name != nullptr;
        handled += info->handlerName != nullptr;
    }
    EXPECT_EQ(named, 96);
    EXPECT_EQ(handled, 93);
    EXPECT_EQ(RreCommandNameTable[0].code, 0);

    // Rows in code order, except GET_AUTHDB_RECORD (113) standing just before ADD_AUTHDB_RECORD (110).
    std::vector<int32_t> rows;
    for (uint32_t r = 0; r < RRE_COMMAND_NAME_COUNT; ++r) rows.push_back(RreCommandNameTable[r].code);
    const auto early = std::find(rows.begin(), rows.end(), 113);
    ASSERT_NE(early, rows.end());
    ASSERT_NE(early + 1, rows.end());
    EXPECT_EQ(*(early + 1), 110);
    rows.erase(early);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    EXPECT_EQ(std::string(RreCommandNameOf(113)), std::string("GET_AUTHDB_RECORD") + std::string(13, ' '));
}

}  // namespace
