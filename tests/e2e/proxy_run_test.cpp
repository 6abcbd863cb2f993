// The real corlink4 in a console "debug" run, as a child process with its own machine root, scaled time
// and a free port: a logged-in client sends a command, then Ctrl-C stops the proxy. Over the simulated
// fabric (arraysim), the stopped proxy has freed what discovery allocated and has written no file outside
// its machine root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "corlink/proxy_wire/proxy_commands.h"
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

    std::vector<uint8_t> discoveryOn(12, 0);
    discoveryOn[8] = 1;
    ProxyReply reply;
    ASSERT_TRUE(session.Request(RRE_SET_DISCOVERY_FLAG, discoveryOn, &reply)) << session.Error();
    EXPECT_EQ(reply.header.OpCode, RRE_SET_DISCOVERY_FLAG);
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

// The proxy started from an empty directory finds the fabric's controller pair, answers a session and
// stops cleanly: exit code 0 (the sanitizer build fails the exit on a leak) and the directory it was
// started from stays empty (capture files go to the system directory under the root).
TEST(ProxyRun, FabricSessionEndsWithoutLeaksOrFilesOutsideTheRoot) {
    testsupport::TestRoot root;
    e2e::InstallWithFabricModels(root);
    const std::string fabricSocket = root.path() + "/fabric.sock";
    const auto arraysim = e2e::StartFabric(root.path(), fabricSocket);
    ASSERT_NE(arraysim, nullptr) << testsupport::ReadWholeFile(root.path() + "/arraysim.txt");

    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    ScopedEmptyCurrentDirectory startDirectory;
    auto proxy = StartProxy(root.path(), port, fabricSocket);
    ASSERT_TRUE(proxy->started());

    ProxyClientSession session(e2e::kReplyBoundMs);
    ASSERT_TRUE(ConnectWhenListening(&session, port)) << proxy->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(session));
    ProxyReply reply;
    ASSERT_TRUE(session.Request(RRE_GET_CONTROLLERHANDLEDB, {}, &reply)) << session.Error();
    EXPECT_EQ(ProxyWord(reply.data, 0), 0u);
    session.Close();

    proxy->Signal(SIGINT);
    const int status = proxy->WaitForExit(kExitBound);
    ASSERT_NE(status, -1) << "still running\n" << proxy->Output();
    const std::string output = proxy->Output();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    EXPECT_EQ(output.find("LeakSanitizer"), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_empty(startDirectory.path()));
    EXPECT_TRUE(std::filesystem::exists(root.path() + "/C/Windows/System32/HOT_1"));
    EXPECT_TRUE(std::filesystem::exists(root.path() + "/C/Windows/System32/capi.log"));
}

}  // namespace
