// The real corlink4 in a console "debug" run, as a child process with its own machine root, scaled time
// and a free port: a logged-in client sends a command, then Ctrl-C stops the proxy. Over the simulated
// fabric (arraysim), the stopped proxy has freed what discovery allocated and has written no file outside
// its machine root. From outside, neither a closed or stalled standard output nor connections that never
// log in stop it serving.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/server/login_wait.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tests/unit/server/loopback_ports.h"
#include "tools/proxy_client_session.h"

namespace {

using namespace std::chrono_literals;

using e2e::ConnectWhenListening;
using e2e::kExitBound;
using e2e::kStartBound;
using e2e::LogIn;
using e2e::StartProxy;
constexpr const char* kPassword = e2e::kProxyPassword;

// An empty directory that is the process's current directory while this object lives.
class ScopedEmptyCurrentDirectory {
  public:
    ScopedEmptyCurrentDirectory() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "corlink-start-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
        std::filesystem::current_path(path_);
    }
    ~ScopedEmptyCurrentDirectory() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// One command the proxy answers, with its console line: the periodic discovery switched on.
void ExpectServed(ProxyClientSession& session) {
    std::vector<uint8_t> discoveryOn(12, 0);
    discoveryOn[8] = 1;
    ProxyReply reply;
    ASSERT_TRUE(session.Request(RRE_SET_DISCOVERY_FLAG, discoveryOn, &reply)) << session.Error();
    EXPECT_EQ(reply.header.OpCode, RRE_SET_DISCOVERY_FLAG);
    ASSERT_EQ(reply.data.size(), 12u);
    EXPECT_EQ(ProxyWord(reply.data, 0), 0u);
    EXPECT_EQ(ProxyWord(reply.data, 4), 0u);
}

// Reads count bytes from fd, waiting for them at most until the bound; what came.
std::string ReadFromPipe(int fd, size_t count, std::chrono::seconds bound) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    char buffer[4096];
    while (text.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 100) <= 0) continue;
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - text.size()));
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    return text;
}

// True when the peer closes the connection (end of stream or reset) before the bound.
bool ClosedByPeer(int fd, std::chrono::steady_clock::time_point deadline) {
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 100) <= 0) continue;
        uint8_t byte = 0;
        return ::recv(fd, &byte, 1, 0) <= 0;
    }
    return false;
}

TEST(ProxyRun, DebugRunServesALoggedInClientAndStopsOnCtrlC) {
    testsupport::TestRoot root;
    root.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4\\Debug", "FileName",
                   "C:\\corlink4-debug.log");
    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    auto proxy = StartProxy(root.path(), port);
    ASSERT_TRUE(proxy->started());

    ProxyClientSession session(e2e::kReplyBoundMs);
    ASSERT_TRUE(ConnectWhenListening(&session, port)) << proxy->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(session));

    ASSERT_NO_FATAL_FAILURE(ExpectServed(session));

    // Ctrl-C with the session still open: the session is closed without a reply and the run ends.
    proxy->Signal(SIGINT);
    EXPECT_TRUE(session.WaitUntilClosedByPeer()) << session.Error();
    const int status = proxy->WaitForExit(kExitBound);
    ASSERT_NE(status, -1) << "still running\n" << proxy->Output();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << proxy->Output();

    const std::string output = proxy->Output();
    EXPECT_NE(output.find("Debugging DODO Rivoz 4."), std::string::npos) << output;
    EXPECT_NE(output.find("exiting..."), std::string::npos) << output;
    const std::string log = root.ReadFile("C/corlink4-debug.log");
    for (const char* line : {"capiSetDiscoveryFlag success", "Begin RRECommServiceStop", "DoShutDown",
                             "ShutDown is in progress...", "Wait on shutdown flag...", "End DoShutDown",
                             "RREMain:  End wait", "Skipping SetServiceStatus(STOPPED, hint=0)"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    // The password never reaches the log.
    EXPECT_EQ(log.find(kPassword), std::string::npos);
}

// The proxy started from an empty directory finds the fabric's controller pair, answers a session and
// stops cleanly: exit code 0 (the sanitizer build fails the exit on a leak) and the directory it was
// started from stays empty (capture files go to the system directory under the root).
TEST(ProxyRun, FabricSessionEndsWithoutLeaksOrFilesOutsideTheRoot) {
    testsupport::TestRoot root;
    e2e::ProxyOnFabric machine(root);
    ASSERT_NO_FATAL_FAILURE(machine.StartFabric());

    ScopedEmptyCurrentDirectory startDirectory;
    ProxyClientSession session(e2e::kReplyBoundMs);
    ASSERT_NO_FATAL_FAILURE(machine.StartProxyAndLogIn(session));
    testsupport::ChildProcess& proxy = machine.proxy();
    ProxyReply reply;
    ASSERT_TRUE(session.Request(RRE_GET_CONTROLLERHANDLEDB, {}, &reply)) << session.Error();
    EXPECT_EQ(ProxyWord(reply.data, 0), 0u);
    session.Close();

    proxy.Signal(SIGINT);
    const int status = proxy.WaitForExit(kExitBound);
    ASSERT_NE(status, -1) << "still running\n" << proxy.Output();
    const std::string output = proxy.Output();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    EXPECT_EQ(output.find("LeakSanitizer"), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_empty(startDirectory.path()));
    EXPECT_TRUE(std::filesystem::exists(root.path() + "/C/Windows/System32/HOT_1"));
    EXPECT_TRUE(std::filesystem::exists(root.path() + "/C/Windows/System32/capi.log"));
}

// As `corlink4 -debug | head -c 10`: the reader takes the first bytes and goes. The console lines that
// follow fail to be written, and the proxy serves on.
TEST(ProxyRun, ClosedStandardOutputLeavesTheProxyServing) {
    testsupport::TestRoot root;
    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    auto proxy = StartProxy(root.path(), port, {}, testsupport::ChildOutput::Pipe);
    ASSERT_TRUE(proxy->started());
    EXPECT_EQ(ReadFromPipe(proxy->OutputPipe(), 10, kStartBound).size(), 10u);
    proxy->CloseOutputPipe();

    ProxyClientSession session;
    ASSERT_TRUE(ConnectWhenListening(&session, port)) << proxy->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(session));
    for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(ExpectServed(session));
    session.Close();
    e2e::ExpectCleanExit(*proxy);
}

// Nobody reads the standard output: the console text of many commands, far more than the pipe holds,
// neither holds the session that causes it nor the others, and Ctrl-C still ends the run. What the output
// took begins with the run's first line.
TEST(ProxyRun, StalledStandardOutputHoldsNoSessionAndCtrlCEndsTheRun) {
    testsupport::TestRoot root;
    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    auto proxy = StartProxy(root.path(), port, {}, testsupport::ChildOutput::Pipe);
    ASSERT_TRUE(proxy->started());

    ProxyClientSession busy;
    ASSERT_TRUE(ConnectWhenListening(&busy, port)) << proxy->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(busy));
    constexpr int kCommands = 1500;  // each leaves a console line of over 100 bytes; a pipe holds 64 KiB
    for (int i = 0; i < kCommands; ++i) ASSERT_NO_FATAL_FAILURE(ExpectServed(busy)) << "command " << i;
    ProxyClientSession other;
    ASSERT_TRUE(other.Connect(port)) << other.Error();
    ASSERT_NO_FATAL_FAILURE(LogIn(other));
    ASSERT_NO_FATAL_FAILURE(ExpectServed(other));

    e2e::ExpectCleanExit(*proxy);
    EXPECT_EQ(ReadFromPipe(proxy->OutputPipe(), 9, kExitBound), "Debugging");
}

// Connections that never log in, far more than may wait at once: those beyond the cap are closed at once,
// the others at the login deadline (30 s of the proxy's scaled clock), and a logged-in client is served
// throughout. Then a new client connects and logs in as usual.
TEST(ProxyRun, ConnectionsThatNeverLogInAreClosedWhileALoggedInClientIsServed) {
    testsupport::TestRoot root;
    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    auto proxy = StartProxy(root.path(), port);
    ASSERT_TRUE(proxy->started());
    ProxyClientSession client;
    ASSERT_TRUE(ConnectWhenListening(&client, port)) << proxy->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(client));

    std::vector<int> idle;
    for (int i = 0; i < LOGIN_WAIT_CAP + 300; ++i) {
        idle.push_back(servertest::ConnectTo(port));
        ASSERT_GE(idle.back(), 0) << "connection " << i;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectServed(client));
    const auto deadline = std::chrono::steady_clock::now() + kExitBound;
    size_t stillOpen = 0;
    for (int fd : idle) {
        if (!ClosedByPeer(fd, deadline)) ++stillOpen;
        servertest::CloseSocket(fd);
    }
    EXPECT_EQ(stillOpen, 0u);
    ASSERT_NO_FATAL_FAILURE(ExpectServed(client));

    ProxyClientSession late;
    ASSERT_TRUE(late.Connect(port)) << late.Error();
    ASSERT_NO_FATAL_FAILURE(LogIn(late));
    ASSERT_NO_FATAL_FAILURE(ExpectServed(late));
    late.Close();
    client.Close();
    e2e::ExpectCleanExit(*proxy);
}

}  // namespace
