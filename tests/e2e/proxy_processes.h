// The processes of an end-to-end test: arraysim serving a scenario on a socket under the test's root, and the
// real corlink4 in a console "debug" run with its own configuration, scaled time and a free port; a client
// session that connects as soon as the proxy listens and logs in.
#pragma once

#include <gtest/gtest.h>

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

// Starts corlink4 with a configuration file of kProxyPassword and this port under the root (without a fabric
// socket, the proxy finds no controllers; its standard output to a pipe the test holds, when asked).
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

// The machine of an end-to-end test, under the test's root: the proxy installed (its service's ImagePath and
// a model list naming the fabric's arrays), the provider's debug log set to C:\provider.log, arraysim serving
// a scenario on a socket under the root, and corlink4 in a console run on it with a configuration file
// naming a free port. The proxy can be stopped and started again on the same port; one still running at
// the end is stopped.
class ProxyOnFabric {
  public:
    explicit ProxyOnFabric(testsupport::TestRoot& root);
    ~ProxyOnFabric() { StopProxy(); }
    ProxyOnFabric(const ProxyOnFabric&) = delete;
    ProxyOnFabric& operator=(const ProxyOnFabric&) = delete;

    // arraysim on the scenario file (empty: the default scenario), then corlink4 on it, listening. Each step
    // is a fatal test failure when it does not come up.
    void Start(const std::string& scenarioFile = {});
    // The same with this session connected as soon as the proxy listens, and logged in.
    void Connect(ProxyClientSession& session, const std::string& scenarioFile = {});
    void StartFabric(const std::string& scenarioFile = {});
    // corlink4 (again) on the same port, listening.
    void StartProxy();
    // corlink4 with this session connected as soon as it listens, and logged in.
    void StartProxyAndLogIn(ProxyClientSession& session);
    // Ctrl-C to the proxy, when it runs, and the wait for its end.
    void StopProxy();
    // Stops the proxy and expects a clean exit (see e2e::ExpectCleanExit); nothing when it does not run.
    void ExpectCleanExit();

    testsupport::ChildProcess& proxy() { return *proxy_; }
    // The output of the proxy's current (or last) run.
    std::string ProxyOutput() const { return proxy_ != nullptr ? proxy_->Output() : std::string(); }
    const std::string& fabricSocket() const { return fabricSocket_; }
    // One message to the fabric's administration channel; its answer.
    std::string Admin(const std::string& message) { return FabricAdmin(fabricSocket_, message); }

  private:
    void LaunchProxy();

    testsupport::TestRoot& root_;
    std::string fabricSocket_;
    uint16_t port_ = 0;
    int proxyRuns_ = 0;
    std::unique_ptr<testsupport::ChildProcess> arraysim_;
    std::unique_ptr<testsupport::ChildProcess> proxy_;
};

// A test with arraysim and corlink4 started under its own root and one session logged in; the proxy is
// stopped (Ctrl-C) at the end and must exit cleanly. A test of another scenario names its file.
class ProxySessionTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(fabric_.Connect(session_, ScenarioFile())); }
    void TearDown() override {
        session_.Close();
        fabric_.ExpectCleanExit();
    }
    virtual std::string ScenarioFile() const { return {}; }
    std::string Admin(const std::string& message) { return fabric_.Admin(message); }

    testsupport::TestRoot root_;
    ProxyOnFabric fabric_{root_};
    ProxyClientSession session_{kReplyBoundMs};
};

}  // namespace e2e
