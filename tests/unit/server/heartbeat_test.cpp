// Heart beats through the listeners' named pipes, the pipe and timer stand-ins they run on.
#include "corlink/server/heartbeat.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/server/client.h"
#include "corlink/server/run_state.h"
#include "corlink/server/socket.h"
#include "platform/kernel/last_error.h"
#include "platform/net/named_pipe.h"
#include "platform/time/clock.h"
#include "platform/time/mm_timer.h"
#include "test_pipe_server.h"
#include "tests/support/test_root.h"

namespace {

using servertest::TestPipeServer;

TEST(NamedPipe, NamesMapToSocketsUnderThePipeDirectory) {
    testsupport::TestRoot root;
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\pipe\\DODO_Rivoz_5"), root.path() + "/pipe/DODO_Rivoz_5");
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\PIPE\\x"), root.path() + "/pipe/x");
    ::setenv("CORLINK_PIPE_DIR", "/tmp/pipes", 1);
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\pipe\\x"), "/tmp/pipes/x");
    ::unsetenv("CORLINK_PIPE_DIR");

    struct Case {
        std::string name;
        DWORD error;
    };
    const Case refused[] = {
        // clang-format off
        {"", ERROR_INVALID_NAME},
        {"\\\\.\\pipe\\", ERROR_INVALID_NAME},
        {"C:\\pipe\\x", ERROR_INVALID_NAME},
        {"\\\\.\\pipe\\a/b", ERROR_INVALID_NAME},
        {"\\\\.\\pipe\\a\\b", ERROR_INVALID_NAME},
        {"\\\\.\\pipe\\..", ERROR_INVALID_NAME},
        {"\\\\.\\pipe\\" + std::string(108 - root.path().size() - 6, 'n'), ERROR_FILENAME_EXCED_RANGE},
        // clang-format on
    };
    for (const Case& c : refused) {
        SetLastError(0);
        EXPECT_EQ(platform::PipeSocketPath(c.name.c_str()), "") << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    // The longest path that fits a socket address.
    EXPECT_NE(
        platform::PipeSocketPath(("\\\\.\\pipe\\" + std::string(107 - root.path().size() - 6, 'n')).c_str()),
        "");
}

TEST(NamedPipe, MissingPipeCannotBeWaitedForOrOpened) {
    testsupport::TestRoot root;
    EXPECT_FALSE(WaitNamedPipeA("\\\\.\\pipe\\nobody", NMPWAIT_USE_DEFAULT_WAIT));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileA("\\\\.\\pipe\\nobody", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

struct TimerRecord {
    std::mutex m;
    std::vector<uint64_t> firedAt;
};

void RecordFiring(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* record = reinterpret_cast<TimerRecord*>(user);
    std::lock_guard<std::mutex> g(record->m);
    record->firedAt.push_back(platform::GetClock().MonotonicMs());
}

TEST(MultimediaTimer, PeriodicCallbackFollowsTheClockUntilKilled) {
    platform::ScopedVirtualClock clock;
    TimerRecord record;
    const MMRESULT id =
        timeSetEvent(60000, 0, RecordFiring, reinterpret_cast<DWORD_PTR>(&record), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard<std::mutex> g(record.m);
            if (record.firedAt.size() >= 3) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    std::vector<uint64_t> fired;
    {
        std::lock_guard<std::mutex> g(record.m);
        fired = record.firedAt;
    }
    ASSERT_GE(fired.size(), 3u);
    for (size_t i = 0; i < fired.size(); ++i) EXPECT_EQ(fired[i], 60000u * (i + 1));
    clock->Advance(600000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard<std::mutex> g(record.m);
    EXPECT_EQ(record.firedAt.size(), fired.size()) << "no callback after the kill";
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

// A listener list of its own, with listeners on 127.0.0.1 whose session connections the test owns.
class Heartbeat : public ::testing::Test {
  protected:
    void SetUp() override {
        g_IpsMode = false;
        ASSERT_TRUE(listeners_.CreateLock());
    }
    void TearDown() override {
        g_IpsMode = false;
        while (CClient* client = listeners_.GetHead()) {
            listeners_.Remove(client);
            delete client;
        }
    }

    void AddListener(uint16_t number, CRRESocket* session) {
        auto* client = new CClient;
        client->m_Number = number;
        client->m_PeerAddr.sin_family = AF_INET;
        client->m_PeerAddr.sin_addr.s_addr = 0x0100007F;  // 127.0.0.1 in network order
        client->m_pSessionSocket = session;
        listeners_.AddTail(client);
    }
    void Pass() { Sendheartbeat(0, 0, reinterpret_cast<DWORD_PTR>(&listeners_), 0, 0); }
    std::vector<uint16_t> Numbers() {
        std::vector<uint16_t> numbers;
        listeners_.ForEach([&](CClient* client) { numbers.push_back(client->m_Number); });
        return numbers;
    }

    testsupport::TestRoot root_;
    ListenerList listeners_;
};

TEST_F(Heartbeat, AnsweringListenerGetsTheHeartBeatMessageAndStays) {
    TestPipeServer pipe(7001, true);
    ASSERT_TRUE(pipe.Created());
    CRRESocket session;
    AddListener(7001, &session);
    Pass();

    uint8_t expected[PROXY_HEADER_LENGTH] = {'K', 'E', 'S', 'T', 'R', 'A', 'V', 'O', 'N'};
    expected[23] = 5;  // DataType PROXY_HEARTBEAT, big-endian; every other field 0
    const std::vector<std::vector<uint8_t>> messages = pipe.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::vector<uint8_t>(expected, expected + sizeof expected));
    EXPECT_EQ(Numbers(), std::vector<uint16_t>{7001});
    EXPECT_FALSE(session.IsClosing());
}

TEST_F(Heartbeat, FailedPipeRemovesThatListenerAndEndsItsSessionOnly) {
    TestPipeServer answering(7003, true);
    CRRESocket missingSession, answeringSession;
    AddListener(7002, &missingSession);  // nobody serves its pipe
    AddListener(7003, &answeringSession);
    Pass();
    EXPECT_EQ(Numbers(), std::vector<uint16_t>{7003});
    EXPECT_TRUE(missingSession.IsClosing()) << "the removed listener's session connection is let go";
    EXPECT_FALSE(answeringSession.IsClosing());
    EXPECT_EQ(answering.Messages().size(), 1u);

    Pass();
    EXPECT_EQ(answering.Messages().size(), 2u);
}

TEST_F(Heartbeat, ListenerThatNeverAnswersFailsWhenTheStepBoundPasses) {
    platform::ScopedVirtualClock clock;
    TestPipeServer silent(7004, false);
    CRRESocket session;
    AddListener(7004, &session);
    const uint64_t start = clock->MonotonicMs();
    Pass();
    EXPECT_TRUE(silent.WaitForMessages(1)) << "the heart beat was written";
    EXPECT_EQ(silent.Messages().size(), 1u);
    EXPECT_TRUE(Numbers().empty());
    EXPECT_TRUE(session.IsClosing());
    EXPECT_EQ(clock->MonotonicMs() - start, HEARTBEAT_PIPE_STEP_MS);
}

TEST_F(Heartbeat, IpsRunsOpenNoPipe) {
    TestPipeServer pipe(7005, true);
    CRRESocket session;
    AddListener(7005, &session);
    g_IpsMode = true;
    Pass();
    EXPECT_TRUE(pipe.Messages().empty());
    EXPECT_EQ(Numbers(), std::vector<uint16_t>{7005});
}

}  // namespace
