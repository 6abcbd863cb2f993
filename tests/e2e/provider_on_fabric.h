// A test of the provider's controller code in this process against the real corlink4 and arraysim: the
// machine started on a scenario, the provider's debug log open and its proxy session set up, its own waits
// on virtual time. At the end the session is closed and the proxy must exit cleanly; a test that holds
// controller objects releases them first (its own TearDown, then this one).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/time/clock.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/retry_policy.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/support/test_root.h"

namespace e2e {

class ProviderOnFabricTest : public ::testing::Test {
  protected:
    // Fatal test failures when the machine does not come up or the session cannot be set up.
    void Start(const std::string& scenarioFile) {
        ASSERT_NO_FATAL_FAILURE(machine_.Start(scenarioFile));
        BVSS_DebugLog::StaticInit();
        ASSERT_EQ(ProxyInit(), 0) << ProviderLog();
    }
    // The scenario's one storage system as the proxy lists it; a fatal test failure when it lists another
    // number of them.
    void ListThePair(ProxySubsystem* pair) {
        std::vector<ProxySubsystem> subsystems;
        ASSERT_EQ(get_subsystems(&subsystems), 0);
        ASSERT_EQ(subsystems.size(), 1u);
        *pair = subsystems[0];
    }
    void TearDown() override {
        ProxyUnInit();
        CloseCapiSleepTimer();
        BVSS_DebugLog::StaticDeinit();
        machine_.ExpectCleanExit();
    }

    std::string ProviderLog() const { return root_.ReadFile("C/provider.log"); }
    std::string Admin(const std::string& message) { return machine_.Admin(message); }

    platform::ScopedVirtualClock clock_;  // the provider's own waits cost nothing
    testsupport::TestRoot root_;
    ProxyOnFabric machine_{root_};
};

}  // namespace e2e
