// A test of the snapshot service stand-in in this process against the real corlink4 and arraysim: the
// provider library loaded and a provider created by the stand-in, the fabric behind this process's devices
// and WMI answers, the provider's waits on virtual time. At the end the provider is unloaded (the library
// must be unloadable), every block of task memory handed out since the start must have been freed once, and
// the proxy must exit cleanly.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/com_memory.h"
#include "platform/devices/device_io.h"
#include "platform/devices/fabric_client.h"
#include "platform/devices/wmi.h"
#include "platform/time/clock.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/support/test_root.h"
#include "tools/vss_standin/array_view.h"
#include "tools/vss_standin/call_log.h"
#include "tools/vss_standin/provider_library.h"
#include "tools/vss_standin/snapshot_set_calls.h"

namespace e2e {

class StandInTest : public ::testing::Test {
  protected:
    // Starts the fabric of the scenario and the proxy, then loads the library and creates the provider.
    void Start(const std::string& scenarioFile) {
        ASSERT_NO_FATAL_FAILURE(machine_.Start(scenarioFile));
        devices_ = platform::MakeFabricClient(machine_.fabricSocket());
        wmi_ = platform::MakeFabricWmiClient(machine_.fabricSocket());
        platform::SetDeviceBackend(devices_.get());
        platform::SetWmiProvider(wmi_.get());
        memoryAtStart_ = platform::TaskMemory();
        ASSERT_TRUE(provider_.Load(PROVIDER_LIBRARY)) << Lines();
        ASSERT_EQ(provider_.CreateProvider(), S_OK) << Lines();
    }
    void TearDown() override {
        EXPECT_EQ(provider_.Unload(), S_OK) << Lines();
        const platform::TaskMemoryAccount memory = platform::TaskMemory();
        EXPECT_EQ(memory.allocations - memoryAtStart_.allocations, memory.frees - memoryAtStart_.frees)
            << "every block handed out is freed once";
        EXPECT_EQ(memory.liveBlocks, memoryAtStart_.liveBlocks);
        EXPECT_EQ(log_.Problems(), 0u) << Lines();
        platform::SetWmiProvider(nullptr);
        platform::SetDeviceBackend(nullptr);
        machine_.ExpectCleanExit();
    }

    std::string Lines() const {
        std::string text;
        for (const std::string& line : log_.Lines()) text += line + "\n";
        return text;
    }
    std::string ProviderLog() const { return root_.ReadFile("C/provider.log"); }
    std::string Admin(const std::string& message) { return machine_.Admin(message); }
    std::vector<standin::ArrayVolume> Volumes(const std::string& kind) {
        std::vector<standin::ArrayVolume> all, chosen;
        EXPECT_TRUE(standin::ReadArrayVolumes(machine_.fabricSocket(), &all));
        for (const standin::ArrayVolume& volume : all)
            if (volume.kind == kind) chosen.push_back(volume);
        return chosen;
    }
    // The codes of the CAPI commands the controllers received, with the half ('a' or 'b') and whether they
    // met a fault: "a1203", "b1223!".
    std::vector<std::string> Commands() {
        std::istringstream lines(Admin("journal"));
        std::vector<std::string> commands;
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string kind, time, half, controller, code, include, fault;
            if (!(words >> kind >> time >> half >> controller >> code >> include >> fault) || kind != "capi")
                continue;
            commands.push_back(half + code + (fault == "fault=-" ? "" : "!"));
        }
        return commands;
    }
    // Whether the proxy's periodic discovery is on: while the provider is idle, the proxy runs a discovery of
    // its own within a few of its (scaled) discovery periods.
    bool PeriodicDiscoveryRuns() {
        constexpr const char* kDiscoveryRun = "Controller table after CAPI_Initialize_Main";
        const size_t before = Occurrences(machine_.ProxyOutput(), kDiscoveryRun);
        const auto deadline = std::chrono::steady_clock::now() + testsupport::kChildWorkBound;
        while (std::chrono::steady_clock::now() < deadline) {
            if (Occurrences(machine_.ProxyOutput(), kDiscoveryRun) > before) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    testsupport::TestRoot root_;
    platform::ScopedVirtualClock clock_;  // the provider's own waits cost nothing
    ProxyOnFabric machine_{root_};
    std::unique_ptr<platform::DeviceBackend> devices_;
    std::unique_ptr<platform::WmiProvider> wmi_;
    platform::TaskMemoryAccount memoryAtStart_;
    standin::CallLog log_;
    standin::ProviderLibrary provider_{log_};
    standin::ServiceStandIn service_{provider_, log_};
};

}  // namespace e2e
