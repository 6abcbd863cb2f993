// A provider session against the scripted proxy: "corlink4.conf" in the system directory of a fresh
// machine root, virtual time, and the session ended after each test.
#pragma once

#include <filesystem>
#include <string>

#include "platform/time/clock.h"
#include "provider/controllers/proxy_session.h"
#include "tests/support/test_root.h"
#include "tests/unit/provider/provider_fixture.h"
#include "tests/unit/provider/scripted_proxy.h"

namespace providertest {

constexpr const char* kProxyPassword = "s3cretPassw0rd16";

inline std::string ConfigurationText(uint16_t port) {
    return "version  :1\nipaddress:127.0.0.1\nusername :proxyuser\npassword :" + std::string(kProxyPassword) +
           "\nport     :" + std::to_string(port) + "\n";
}

class SessionTest : public ProviderTest {
  protected:
    void SetUp() override {
        ProviderTest::SetUp();
        std::filesystem::create_directories(root_.path() + "/C/Windows/System32");
        WriteConfiguration(ConfigurationText(proxy_.port()));
        BVSS_DebugLog::StaticInit();
    }
    void TearDown() override {
        ProxyUnInit();
        BVSS_DebugLog::StaticDeinit();
        ProviderTest::TearDown();
    }
    void WriteConfiguration(const std::string& text) {
        testsupport::WriteWholeFile(root_.path() + "/C/Windows/System32/corlink4.conf", text);
    }
    size_t Count(const std::string& text) {
        const std::string log = Log();
        size_t n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }

    platform::ScopedVirtualClock clock_;
    ScriptedProxy proxy_;
};

}  // namespace providertest
