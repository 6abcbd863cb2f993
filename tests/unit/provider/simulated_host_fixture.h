// A provider test on the default scenario's simulated host: the fabric behind the platform's devices and
// WMI, and the debug log open.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/devices/device_io.h"
#include "platform/devices/wmi.h"
#include "sim/fabric.h"
#include "sim/fabric_backend.h"
#include "sim/wmi_answers.h"
#include "tests/support/scenario_fabric.h"
#include "tests/unit/provider/provider_fixture.h"

namespace providertest {

class SimulatedHostTest : public ProviderTest {
  protected:
    void SetUp() override {
        ProviderTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(testsupport::LoadFabric(SIM_SCENARIO_DIR "/default.ini", &fabric_));
        backend_ = std::make_unique<sim::FabricBackend>(*fabric_);
        wmi_ = std::make_unique<sim::FabricWmi>(*fabric_);
        platform::SetDeviceBackend(backend_.get());
        platform::SetWmiProvider(wmi_.get());
        BVSS_DebugLog::StaticInit();
    }
    void TearDown() override {
        BVSS_DebugLog::StaticDeinit();
        platform::SetWmiProvider(nullptr);
        platform::SetDeviceBackend(nullptr);
        ProviderTest::TearDown();
    }

    std::unique_ptr<sim::Fabric> fabric_;
    std::unique_ptr<sim::FabricBackend> backend_;
    std::unique_ptr<sim::FabricWmi> wmi_;
};

}  // namespace providertest
