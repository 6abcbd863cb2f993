// The real corlink4 and arraysim as child processes for end-to-end tests: each run on its own machine
// root with scaled time, the proxy on a free port with a known password, and a client logged in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tools/proxy_client_session.h"

namespace e2etest {

inline constexpr const char* kPassword = "e2eSecret8Ab3xQz";

// Writes a configuration file of this password and port under the root, then starts the proxy in a console
// run (on the fabric served at fabricSocket, when given).
std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port,
                                                      const std::string& fabricSocket = {});
// arraysim serving the default scenario on <root>/fabric.sock (false when its socket does not appear), and
// the proxy's install directory under the root with the supported-model list naming the fabric's arrays.
bool StartFabric(testsupport::TestRoot& root, std::unique_ptr<testsupport::ChildProcess>* arraysim,
                 std::string* socketPath);
// Connects as soon as the proxy listens (it listens only after its first discovery).
bool ConnectWhenListening(ProxyClientSession* session, uint16_t port);
// Logs in with the configured password; a failure is a fatal test failure.
void LogIn(ProxyClientSession& session);

}  // namespace e2etest
