// The fabric of a scenario file, in the test's own process (tests that link the simulated fabric).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/fabric.h"
#include "sim/scenario.h"

namespace testsupport {

// Loads the scenario file into *fabric; a fatal test failure when it does not load.
inline void LoadFabric(const std::string& scenarioFile, std::unique_ptr<sim::Fabric>* fabric) {
    sim::FabricModel model;
    std::string error;
    ASSERT_TRUE(sim::LoadScenarioFile(scenarioFile, &model, &error)) << scenarioFile << ": " << error;
    *fabric = std::make_unique<sim::Fabric>(std::move(model));
}

}  // namespace testsupport
