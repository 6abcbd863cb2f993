#include "tests/e2e/provider_proxy.h"

#include <signal.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "tests/unit/server/loopback_ports.h"
#include "tools/proxy_client_session.h"

namespace e2e {

namespace {
constexpr auto kBound = testsupport::kChildWorkBound;
}  // namespace

ProviderProxy::ProviderProxy(const testsupport::TestRoot& root) : root_(root.path()) {
    std::filesystem::create_directories(root_ + "/C/Windows/System32");
    std::filesystem::create_directories(root_ + "/C/corlink");
    testsupport::WriteWholeFile(root_ + "/C/corlink/corlink.conf", "[Models]\nsimulated = Brenlow +Stor.*\n");
    fabricSocket_ = root_ + "/fabric.sock";
    fabric_ = std::make_unique<testsupport::ChildProcess>(
        ARRAYSIM_PROGRAM, std::vector<std::string>{},
        std::vector<std::string>{"CORLINK_ROOT=" + root_, "CORLINK_FABRIC=" + fabricSocket_}, root_ + "/arraysim.txt");
    port_ = servertest::FreePort();
    testsupport::WriteWholeFile(root_ + "/C/Windows/System32/corlink4.conf",
                                "version  :1\nipaddress:127.0.0.1\nusername :proxyuser\npassword :e2eProvider9Kq\n"
                                "port     :" + std::to_string(port_) + "\n");
}

bool ProviderProxy::Start() {
    if (!testsupport::WaitForFile(fabricSocket_, kBound)) return false;
    proxy_ = std::make_unique<testsupport::ChildProcess>(
        CORLINK4_PROGRAM, std::vector<std::string>{"-debug"},
        std::vector<std::string>{"CORLINK_ROOT=" + root_, "CORLINK_TIME_SCALE=0.01", "CORLINK_FABRIC=" + fabricSocket_},
        root_ + "/corlink4-" + std::to_string(++starts_) + ".txt");
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (std::chrono::steady_clock::now() < deadline) {
        ProxyClientSession probe(500);
        if (probe.Connect(port_)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void ProviderProxy::Stop() {
    if (proxy_ == nullptr) return;
    proxy_->Signal(SIGINT);
    proxy_->WaitForExit(kBound);
    proxy_.reset();
}

}  // namespace e2e
