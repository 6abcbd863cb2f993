#include "tests/e2e/proxy_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "tests/unit/server/loopback_ports.h"

namespace e2etest {

using namespace std::chrono_literals;

std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port,
                                                      const std::string& fabricSocket) {
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

void LogIn(ProxyClientSession& session) {
    uint32_t handshake = 0;
    ASSERT_TRUE(session.Handshake(&handshake)) << session.Error();
    uint32_t loginResult = 0;
    ASSERT_TRUE(session.Login("proxyuser", kPassword, &loginResult)) << session.Error();
    ASSERT_EQ(loginResult, 1u);
}

bool ConnectWhenListening(ProxyClientSession* session, uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    while (std::chrono::steady_clock::now() < deadline) {
        ProxyClientSession probe(500);
        if (probe.Connect(port)) return session->Connect(port);
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

ProxyOnFabric::ProxyOnFabric(testsupport::TestRoot& root) : root_(root) {
    root.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4", "ImagePath", "C:\\corlink\\corlink4.exe");
    std::filesystem::create_directories(root.path() + "/C/corlink");
    testsupport::WriteWholeFile(root.path() + "/C/corlink/corlink.conf", "[Models]\nsimulated = Brenlow +Stor.*\n");
}

void ProxyOnFabric::Connect(ProxyClientSession& session) {
    const std::string fabricSocket = root_.path() + "/fabric.sock";
    arraysim_ = std::make_unique<testsupport::ChildProcess>(
        ARRAYSIM_PROGRAM, std::vector<std::string>{},
        std::vector<std::string>{"CORLINK_ROOT=" + root_.path(), "CORLINK_FABRIC=" + fabricSocket},
        root_.path() + "/arraysim.txt");
    ASSERT_TRUE(testsupport::WaitForFile(fabricSocket, kStartBound)) << arraysim_->Output();
    port_ = servertest::FreePort();
    ASSERT_NE(port_, 0);
    proxy_ = StartProxy(root_.path(), port_, fabricSocket);
    ASSERT_TRUE(proxy_->started());
    ASSERT_TRUE(ConnectWhenListening(&session, port_)) << proxy_->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(session));
}

}  // namespace e2etest
