// The real corlink4 as a child process for end-to-end tests: its configuration file under a machine root,
// scaled time, a free port, optionally the fabric served by arraysim; a client logged in once it listens.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tools/proxy_client_session.h"

namespace e2etest {

using namespace std::chrono_literals;

constexpr const char* kPassword = "e2eSecret8Ab3xQz";
constexpr auto kStartBound = 20s;
constexpr auto kExitBound = 20s;

// Writes a configuration file of this password and port under the root, then starts the proxy (on the
// fabric served at fabricSocket, when given).
inline std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port,
                                                      const std::string& fabricSocket = {}) {
    std::filesystem::create_directories(root + "/C/Windows/System32");
    testsupport::WriteWholeFile(
        root + "/C/Windows/System32/corlink4.conf",
        "version  :1\nipaddress:127.0.0.1\nusername :proxyuser\npassword :" + std::string(kPassword) +
            "\nport     :" + std::to_string(port) + "\n");
    std::vector<std::string> environment = {"CORLINK_ROOT=" + root, "CORLINK_TIME_SCALE=0.01"};
    if (!fabricSocket.empty()) environment.push_back("CORLINK_FABRIC=" + fabricSocket);
    return std::make_unique<testsupport::ChildProcess>(CORLINK4_PROGRAM, std::vector<std::string>{"-debug"},
                                                       environment, root + "/stdout.txt");
}

// Logs in with the configured password; a failure is a fatal test failure.
inline void LogIn(ProxyClientSession& session) {
    uint32_t handshake = 0;
    ASSERT_TRUE(session.Handshake(&handshake)) << session.Error();
    uint32_t loginResult = 0;
    ASSERT_TRUE(session.Login("proxyuser", kPassword, &loginResult)) << session.Error();
    ASSERT_EQ(loginResult, 1u);
}

// Connects as soon as the proxy listens (it listens only after its first discovery).
inline bool ConnectWhenListening(ProxyClientSession* session, uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    while (std::chrono::steady_clock::now() < deadline) {
        ProxyClientSession probe(500);
        if (probe.Connect(port)) return session->Connect(port);
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

}  // namespace e2etest
