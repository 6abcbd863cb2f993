// The real corlink4 in a console "debug" run, as a child process with its own machine root, scaled time
// and a free port: a logged-in client sends a command, then Ctrl-C stops the proxy.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tests/unit/server/loopback_ports.h"
#include "tools/proxy_client_session.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kPassword = "e2eSecret8Ab3xQz";
constexpr uint32_t kSetDiscoveryFlag = 106;
constexpr auto kStartBound = 20s;
constexpr auto kExitBound = 20s;

// Writes a configuration file of this password and port under the root, then starts the proxy.
std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port) {
    std::filesystem::create_directories(root + "/C/Windows/System32");
    testsupport::WriteWholeFile(
        root + "/C/Windows/System32/corlink4.conf",
        "version  :1\nipaddress:127.0.0.1\nusername :proxyuser\npassword :" + std::string(kPassword) +
            "\nport     :" + std::to_string(port) + "\n");
    return std::make_unique<testsupport::ChildProcess>(CORLINK4_PROGRAM, std::vector<std::string>{"-debug"},
                                                       std::vector<std::string>{"CORLINK_ROOT=" + root,
                                                                                "CORLINK_TIME_SCALE=0.01"},
                                                       root + "/stdout.txt");
}

// Connects as soon as the proxy listens (it listens only after its first discovery).
bool ConnectWhenListening(ProxyClientSession* session, uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    while (std::chrono::steady_clock::now() < deadline) {
        ProxyClientSession probe(500);
        if (probe.Connect(port)) return session->Connect(port);
        std::this_thread::sleep_for(20ms);
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

    ProxyClientSession session;
    ASSERT_TRUE(ConnectWhenListening(&session, port)) << proxy->Output();
    uint32_t handshake = 0;
    ASSERT_TRUE(session.Handshake(&handshake)) << session.Error();
    uint32_t loginResult = 0;
    ASSERT_TRUE(session.Login("proxyuser", kPassword, &loginResult)) << session.Error();
    ASSERT_EQ(loginResult, 1u);

    std::vector<uint8_t> discoveryOn(12, 0);
    discoveryOn[8] = 1;
    ProxyReply reply;
    ASSERT_TRUE(session.Request(kSetDiscoveryFlag, discoveryOn, &reply)) << session.Error();
    EXPECT_EQ(reply.header.OpCode, kSetDiscoveryFlag);
    ASSERT_EQ(reply.data.size(), 12u);
    EXPECT_EQ(ProxyWord(reply.data, 0), 0u);
    EXPECT_EQ(ProxyWord(reply.data, 4), 0u);

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

}  // namespace
