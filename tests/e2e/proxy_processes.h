// The processes of an end-to-end test: arraysim serving a scenario on a socket under the test's root, and the
// real corlink4 in a console "debug" run with its own configuration, scaled time and a free port; a client
// session that connects as soon as the proxy listens and logs in.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tools/proxy_client_session.h"

namespace e2e {

inline constexpr const char* kProxyUser = "proxyuser";
inline constexpr const char* kProxyPassword = "e2eSecret8Ab3xQz";
inline constexpr auto kStartBound = testsupport::kChildWorkBound;
inline constexpr auto kExitBound = testsupport::kChildWorkBound;
// How long a reply of the proxy may take.
inline constexpr int kReplyBoundMs = static_cast<int>(testsupport::kChildWorkBound.count() * 1000);
// How fast the children's clocks run: a second of their time is 10 ms of the test's.
inline constexpr const char* kTimeScale = "CORLINK_TIME_SCALE=0.01";

// How often `part` occurs in `text` (log and journal lines).
size_t Occurrences(const std::string& text, const std::string& part);

// Installs the proxy under the root (its service's ImagePath) with a model list naming the fabric's arrays.
void InstallWithFabricModels(testsupport::TestRoot& root);
// The fabric of the scenario file (empty: the default scenario) served on `socketPath`, once it listens.
std::unique_ptr<testsupport::ChildProcess> StartFabric(const std::string& root, const std::string& socketPath,
                                                       const std::string& scenarioFile = {});
// Writes a configuration file of kProxyPassword and this port under the root, then starts the proxy (on the
// fabric served at fabricSocket, when given; its standard output to a pipe the test holds, when asked).
std::unique_ptr<testsupport::ChildProcess> StartProxy(
    const std::string& root, uint16_t port, const std::string& fabricSocket = {},
    testsupport::ChildOutput output = testsupport::ChildOutput::File);
// One message to the fabric's administration channel; its answer.
std::string FabricAdmin(const std::string& fabricSocket, const std::string& message);
// Connects as soon as the proxy listens (it listens only after its first discovery).
bool ConnectWhenListening(ProxyClientSession* session, uint16_t port);
// Logs in with the configured password; a failure is a fatal test failure.
void LogIn(ProxyClientSession& session);
// Stops the proxy (Ctrl-C) and expects a clean exit: code 0, which the sanitizers deny after an overrun or a
// leak, and no sanitizer report in its output.
void ExpectCleanExit(testsupport::ChildProcess& proxy);

// The two children a provider test in this process talks to: arraysim on the scenario file and corlink4 on
// it, listening; the provider's debug log goes to C:\provider.log under the root. Fatal test failures when
// either does not start.
struct FabricAndProxy {
    std::string fabricSocket;
    std::unique_ptr<testsupport::ChildProcess> fabric;
    std::unique_ptr<testsupport::ChildProcess> proxy;
};
void StartForProvider(testsupport::TestRoot& root, const std::string& scenarioFile, FabricAndProxy* children);

// arraysim with the default scenario and corlink4 on it, under one machine root, the install directory
// naming the fabric's arrays as supported models.
class ProxyOnFabric {
public:
    explicit ProxyOnFabric(testsupport::TestRoot& root);
    // Started and listening, with this session connected and logged in; fatal test failures otherwise.
    void Connect(ProxyClientSession& session);
    testsupport::ChildProcess& proxy() { return *proxy_; }
    // One message to the fabric's administration channel; its answer.
    std::string Admin(const std::string& message) { return FabricAdmin(fabricSocket(), message); }

private:
    std::string fabricSocket() const { return root_.path() + "/fabric.sock"; }

    testsupport::TestRoot& root_;
    std::unique_ptr<testsupport::ChildProcess> arraysim_;
    std::unique_ptr<testsupport::ChildProcess> proxy_;
};

// A test with arraysim and corlink4 started under its own root and one session logged in; the proxy is
// stopped (Ctrl-C) at the end.
class ProxySessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(fabric_.Connect(session_)); }
    void TearDown() override {
        session_.Close();
        fabric_.proxy().Signal(SIGINT);
        fabric_.proxy().WaitForExit(kExitBound);
    }

    testsupport::TestRoot root_;
    ProxyOnFabric fabric_{root_};
    ProxyClientSession session_{kReplyBoundMs};
};

}  // namespace e2e
