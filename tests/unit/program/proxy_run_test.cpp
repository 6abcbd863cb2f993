#include "corlink/program/proxy_run.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/server/run_state.h"
#include "platform/time/clock.h"
#include "tests/support/test_root.h"

namespace {

class ShutDownTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_ShutDownSem = os_CreateSemaphore(nullptr);
        g_ThreadCountSem = os_CreateSemaphore(nullptr);
        ASSERT_NE(g_ShutDownSem, nullptr);
        ASSERT_NE(g_ThreadCountSem, nullptr);
        shutDown = g_ShutDownSem;
        threadCount = g_ThreadCountSem;
    }
    void TearDown() override {
        os_CloseSemaphore(shutDown);
        os_CloseSemaphore(threadCount);
        g_ShutDownSem = nullptr;
        g_ThreadCountSem = nullptr;
    }
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;
    HANDLE shutDown = nullptr;
    HANDLE threadCount = nullptr;
};

TEST_F(ShutDownTest, WithoutWorkersClosesBothSemaphoresAtOnce) {
    DoShutDown();
    EXPECT_TRUE(clock->Sleeps().empty());
    EXPECT_EQ(g_ShutDownSem, nullptr);
    EXPECT_EQ(g_ThreadCountSem, nullptr);
}

// A worker that never ends holds the shut-down for at most 100 one-second polls; the semaphores then
// stay open so that the late worker still sees the flag raised.
TEST_F(ShutDownTest, WaitForAWorkerThatNeverEndsIsBounded) {
    os_ReleaseSemaphore(threadCount);
    DoShutDown();
    EXPECT_EQ(clock->Sleeps(), std::vector<uint32_t>(SHUTDOWN_THREAD_POLLS, 1000));
    EXPECT_EQ(g_ShutDownSem, shutDown);
    EXPECT_EQ(g_ThreadCountSem, threadCount);
    EXPECT_TRUE(os_IsFlagSet(g_ShutDownSem));
}

void WriteConfiguration(const testsupport::TestRoot& root, uint16_t port) {
    std::filesystem::create_directories(root.path() + "/C/Windows/System32");
    testsupport::WriteWholeFile(
        root.path() + "/C/Windows/System32/corlink4.conf",
        "version  :1\nipaddress:127.0.0.1\nusername :proxyuser\npassword :pw12345678\n"
        "port     :" +
            std::to_string(port) + "\n");
}

// Listening sockets on three consecutive loopback ports.
std::vector<int> OccupyThreePorts(uint16_t* first) {
    for (uint16_t port = 20000 + static_cast<uint16_t>(::getpid() % 20000); port < 60000; port += 3) {
        std::vector<int> sockets;
        for (uint16_t i = 0; i < 3; ++i) {
            int s = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(port + i));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                ::listen(s, 1) != 0) {
                ::close(s);
                break;
            }
            sockets.push_back(s);
        }
        if (sockets.size() == 3) {
            *first = port;
            return sockets;
        }
        for (int s : sockets) ::close(s);
    }
    return {};
}

// A console run (whose status reports succeed) with the configured port and the two above it in use.
// Runs in a process of its own, since the server object and the executor start once per process; the
// checks that fail are written to the standard error, and the exit code says whether all held.
void RunWithEveryPortBusy() {
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;
    uint16_t port = 0;
    std::vector<int> busy = OccupyThreePorts(&port);
    WriteConfiguration(root, port);
    g_StopFlag = 0;
    g_DebugConsole = true;
    ::testing::internal::CaptureStdout();
    const int reported = RREMain(0, nullptr);
    const std::string output = ::testing::internal::GetCapturedStdout();
    for (int s : busy) ::close(s);

    struct Check {
        bool held;
        const char* what;
    };
    const Check checks[] = {
        // clang-format off
        {busy.size() == 3, "three busy ports"},
        {reported == 1, "STOPPED reported"},
        {g_StopFlag == 1, "stop flag raised"},
        {g_ShutDownSem == nullptr && g_ThreadCountSem == nullptr, "semaphores closed"},
        {output.find("Cannot bind TCP port with the opened TCP/IP communication.") != std::string::npos,
         "bind failure reported"},
        {output.find("Skipping SetServiceStatus(START_PENDING, hint=3000)") != std::string::npos,
         "START_PENDING"},
        {output.find("SetServiceStatus(RUNNING") == std::string::npos, "never RUNNING"},
        {output.find("Skipping SetServiceStatus(STOPPED, hint=0)") != std::string::npos, "STOPPED"},
        // clang-format on
    };
    bool all = true;
    for (const Check& check : checks) {
        if (!check.held) std::fprintf(stderr, "failed: %s\n", check.what);
        all = all && check.held;
    }
    std::exit(all ? 0 : 1);
}

// The server cannot bind: what was started is torn down, and the run reports STOPPED without ever
// having reported RUNNING.
TEST(ProxyRunDeathTest, ServerThatCannotListenStopsTheRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWithEveryPortBusy(), ::testing::ExitedWithCode(0), "");
}

// Outside a service run every status report fails: the first one stops the start before the server
// listens, and each failed report is in the event log with its state.
TEST(ProxyRun, FailedStartPendingReportStopsTheRun) {
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;
    WriteConfiguration(root, 1285);
    g_StopFlag = 0;

    EXPECT_EQ(RREMain(0, nullptr), 0);

    EXPECT_EQ(g_StopFlag, 1);
    EXPECT_EQ(g_ShutDownSem, nullptr);
    EXPECT_EQ(g_ThreadCountSem, nullptr);
    // START_PENDING, then STOPPED only.
    const std::string log = root.ReadFile("eventlog/Application.log");
    EXPECT_NE(log.find("SetServiceStatus\t02000000"), std::string::npos) << log;
    EXPECT_NE(log.find("SetServiceStatus\t01000000"), std::string::npos) << log;
    EXPECT_EQ(log.find("SetServiceStatus\t04000000"), std::string::npos) << log;
    g_StopFlag = 0;
}

}  // namespace
