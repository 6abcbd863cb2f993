// The real corlink4 as a child process for end-to-end tests: a configuration file with a known password and
// a free port under its own machine root, scaled time, optionally on a fabric served by arraysim; a client
// that connects once it listens and logs in.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tools/proxy_client_session.h"

namespace e2etest {

inline constexpr const char* kPassword = "e2eSecret8Ab3xQz";
inline constexpr std::chrono::seconds kStartBound{20};
inline constexpr std::chrono::seconds kExitBound{20};

// Writes a configuration file of this password and port under the root, then starts the proxy (on the
// fabric served at fabricSocket, when given).
std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port,
                                                      const std::string& fabricSocket = {});
// Logs in with the configured password; a failure is a fatal test failure.
void LogIn(ProxyClientSession& session);
// Connects as soon as the proxy listens (it listens only after its first discovery).
bool ConnectWhenListening(ProxyClientSession* session, uint16_t port);

// arraysim with the default scenario and corlink4 on it, under one machine root, the install directory
// naming the fabric's arrays as supported models.
class ProxyOnFabric {
public:
    explicit ProxyOnFabric(testsupport::TestRoot& root);
    // Started and listening, with this session connected and logged in; fatal test failures otherwise.
    void Connect(ProxyClientSession& session);
    testsupport::ChildProcess& proxy() { return *proxy_; }

private:
    testsupport::TestRoot& root_;
    std::unique_ptr<testsupport::ChildProcess> arraysim_;
    std::unique_ptr<testsupport::ChildProcess> proxy_;
    uint16_t port_ = 0;
};

}  // namespace e2etest
