// A fresh machine root for a provider test, the debug log writing to C:\provider.log under it, and the
// provider's process-wide state as when the library was loaded.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/provider_registry.h"
#include "tests/support/test_root.h"

namespace providertest {

inline const std::string kDebugKey = std::string(kProviderServiceKey) + "\\Debug";

class ProviderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BVSS_DebugLog::ResetForTests();
        ResetProviderParametersForTests();
        std::filesystem::create_directories(root_.path() + "/C");
        root_.SetString(kDebugKey, "FileName", "C:\\provider.log");
    }
    void TearDown() override {
        BVSS_DebugLog::ResetForTests();
        ResetProviderParametersForTests();
    }
    std::string Log() const { return root_.ReadFile("C/provider.log"); }
    testsupport::TestRoot root_;
};

}  // namespace providertest
