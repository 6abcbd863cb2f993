#include "tests/e2e/proxy_processes.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/devices/fabric_client.h"
#include "provider/controllers/provider_registry.h"
#include "tests/unit/server/loopback_ports.h"

namespace e2e {

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

namespace {

std::unique_ptr<testsupport::ChildProcess> LaunchProxyTo(const std::string& root, uint16_t port,
                                                         const std::string& fabricSocket,
                                                         testsupport::ChildOutput output,
                                                         const std::string& outputFile) {
    std::filesystem::create_directories(root + "/C/Windows/System32");
    testsupport::WriteWholeFile(root + "/C/Windows/System32/corlink4.conf",
                                "version  :1\nipaddress:127.0.0.1\nusername :" + std::string(kProxyUser) +
                                    "\npassword :" + kProxyPassword + "\nport     :" + std::to_string(port) +
                                    "\n");
    std::vector<std::string> environment = {"CORLINK_ROOT=" + root, kTimeScale};
    if (!fabricSocket.empty()) environment.push_back("CORLINK_FABRIC=" + fabricSocket);
    return std::make_unique<testsupport::ChildProcess>(CORLINK4_PROGRAM, std::vector<std::string>{"-debug"},
                                                       environment, outputFile, output);
}

}  // namespace

std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port,
                                                      const std::string& fabricSocket,
                                                      testsupport::ChildOutput output) {
    return LaunchProxyTo(root, port, fabricSocket, output, root + "/stdout.txt");
}

std::string FabricAdmin(const std::string& fabricSocket, const std::string& message) {
    std::string answer;
    EXPECT_TRUE(platform::SendFabricAdmin(fabricSocket, message, &answer)) << message;
    return answer;
}

bool ConnectWhenListening(ProxyClientSession* session, uint16_t port) {
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    while (std::chrono::steady_clock::now() < deadline) {
        ProxyClientSession probe(500);
        if (probe.Connect(port)) return session->Connect(port);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void LogIn(ProxyClientSession& session) {
    uint32_t handshake = 0;
    ASSERT_TRUE(session.Handshake(&handshake)) << session.Error();
    uint32_t loginResult = 0;
    ASSERT_TRUE(session.Login(kProxyUser, kProxyPassword, &loginResult)) << session.Error();
    ASSERT_EQ(loginResult, 1u);
}

void ExpectCleanExit(testsupport::ChildProcess& proxy) {
    proxy.Signal(SIGINT);
    const int status = proxy.WaitForExit(kExitBound);
    const std::string output = proxy.Output();
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << output;
    EXPECT_EQ(output.find("runtime error"), std::string::npos) << output;
}

ProxyOnFabric::ProxyOnFabric(testsupport::TestRoot& root)
    : root_(root), fabricSocket_(root.path() + "/fabric.sock") {
    root.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4", "ImagePath", "C:\\corlink\\corlink4.exe");
    root.SetString(std::string(kProviderServiceKey) + "\\Debug", "FileName", "C:\\provider.log");
    std::filesystem::create_directories(root.path() + "/C/corlink");
    testsupport::WriteWholeFile(root.path() + "/C/corlink/corlink.conf",
                                "[Models]\nsimulated = Brenlow +Stor.*\n");
}

void ProxyOnFabric::Start(const std::string& scenarioFile) {
    ASSERT_NO_FATAL_FAILURE(StartFabric(scenarioFile));
    ASSERT_NO_FATAL_FAILURE(StartProxy());
}

void ProxyOnFabric::Connect(ProxyClientSession& session, const std::string& scenarioFile) {
    ASSERT_NO_FATAL_FAILURE(StartFabric(scenarioFile));
    ASSERT_NO_FATAL_FAILURE(StartProxyAndLogIn(session));
}

void ProxyOnFabric::StartProxyAndLogIn(ProxyClientSession& session) {
    ASSERT_NO_FATAL_FAILURE(LaunchProxy());
    ASSERT_TRUE(ConnectWhenListening(&session, port_)) << proxy_->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(session));
}

void ProxyOnFabric::StartFabric(const std::string& scenarioFile) {
    std::vector<std::string> args;
    if (!scenarioFile.empty()) args.push_back(scenarioFile);
    const std::string root = root_.path();
    arraysim_ = std::make_unique<testsupport::ChildProcess>(
        ARRAYSIM_PROGRAM, args,
        std::vector<std::string>{"CORLINK_ROOT=" + root, "CORLINK_FABRIC=" + fabricSocket_, kTimeScale},
        root + "/arraysim.txt");
    ASSERT_TRUE(testsupport::WaitForFile(fabricSocket_, kStartBound))
        << testsupport::ReadWholeFile(root + "/arraysim.txt");
}

void ProxyOnFabric::StartProxy() {
    ASSERT_NO_FATAL_FAILURE(LaunchProxy());
    ProxyClientSession probe(500);
    ASSERT_TRUE(ConnectWhenListening(&probe, port_)) << proxy_->Output();
    probe.Close();
}

void ProxyOnFabric::LaunchProxy() {
    if (port_ == 0) port_ = servertest::FreePort();
    ASSERT_NE(port_, 0);
    // Each run its own output file, so that the output of a restarted proxy is its own.
    const std::string outputFile = root_.path() + "/corlink4-" + std::to_string(++proxyRuns_) + ".txt";
    proxy_ = LaunchProxyTo(root_.path(), port_, fabricSocket_, testsupport::ChildOutput::File, outputFile);
    ASSERT_TRUE(proxy_->started());
}

void ProxyOnFabric::StopProxy() {
    if (proxy_ == nullptr || !proxy_->started()) return;
    proxy_->Signal(SIGINT);
    proxy_->WaitForExit(kExitBound);
}

void ProxyOnFabric::ExpectCleanExit() {
    if (proxy_ != nullptr && proxy_->started()) e2e::ExpectCleanExit(*proxy_);
}

}  // namespace e2e
