#include "tests/e2e/proxy_processes.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "platform/fabric_client.h"
#include "provider/controllers/provider_registry.h"
#include "tests/unit/server/loopback_ports.h"


namespace e2e {

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

void InstallWithFabricModels(testsupport::TestRoot& root) {
    root.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4", "ImagePath", "C:\\corlink\\corlink4.exe");
    std::filesystem::create_directories(root.path() + "/C/corlink");
    testsupport::WriteWholeFile(root.path() + "/C/corlink/corlink.conf", "[Models]\nsimulated = Brenlow +Stor.*\n");
}

std::unique_ptr<testsupport::ChildProcess> StartFabric(const std::string& root, const std::string& socketPath,
                                                       const std::string& scenarioFile) {
    std::vector<std::string> args;
    if (!scenarioFile.empty()) args.push_back(scenarioFile);
    auto fabric = std::make_unique<testsupport::ChildProcess>(
        ARRAYSIM_PROGRAM, args, std::vector<std::string>{"CORLINK_ROOT=" + root, "CORLINK_FABRIC=" + socketPath, kTimeScale},
        root + "/arraysim.txt");
    if (!testsupport::WaitForFile(socketPath, kStartBound)) return nullptr;
    return fabric;
}

std::unique_ptr<testsupport::ChildProcess> StartProxy(const std::string& root, uint16_t port,
                                                      const std::string& fabricSocket,
                                                      testsupport::ChildOutput output) {
    std::filesystem::create_directories(root + "/C/Windows/System32");
    testsupport::WriteWholeFile(root + "/C/Windows/System32/corlink4.conf",
                                "version  :1\nipaddress:127.0.0.1\nusername :" + std::string(kProxyUser) +
                                    "\npassword :" + kProxyPassword + "\nport     :" + std::to_string(port) + "\n");
    std::vector<std::string> environment = {"CORLINK_ROOT=" + root, kTimeScale};
    if (!fabricSocket.empty()) environment.push_back("CORLINK_FABRIC=" + fabricSocket);
    return std::make_unique<testsupport::ChildProcess>(CORLINK4_PROGRAM, std::vector<std::string>{"-debug"},
                                                       environment, root + "/stdout.txt", output);
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

void StartForProvider(testsupport::TestRoot& root, const std::string& scenarioFile, FabricAndProxy* children) {
    InstallWithFabricModels(root);
    root.SetString(std::string(kProviderServiceKey) + "\\Debug", "FileName", "C:\\provider.log");
    children->fabricSocket = root.path() + "/fabric.sock";
    children->fabric = StartFabric(root.path(), children->fabricSocket, scenarioFile);
    ASSERT_NE(children->fabric, nullptr) << testsupport::ReadWholeFile(root.path() + "/arraysim.txt");
    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    children->proxy = StartProxy(root.path(), port, children->fabricSocket);
    ProxyClientSession probe(500);
    ASSERT_TRUE(ConnectWhenListening(&probe, port)) << children->proxy->Output();
    probe.Close();
}

ProxyOnFabric::ProxyOnFabric(testsupport::TestRoot& root) : root_(root) { InstallWithFabricModels(root); }

void ProxyOnFabric::Connect(ProxyClientSession& session) {
    arraysim_ = StartFabric(root_.path(), fabricSocket());
    ASSERT_NE(arraysim_, nullptr) << testsupport::ReadWholeFile(root_.path() + "/arraysim.txt");
    const uint16_t port = servertest::FreePort();
    ASSERT_NE(port, 0);
    proxy_ = StartProxy(root_.path(), port, fabricSocket());
    ASSERT_TRUE(proxy_->started());
    ASSERT_TRUE(ConnectWhenListening(&session, port)) << proxy_->Output();
    ASSERT_NO_FATAL_FAILURE(LogIn(session));
}

}  // namespace e2e
