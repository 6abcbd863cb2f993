// The service's status reports outside a service run, with the foundation's state reset around each test and
// the event log of a fresh machine root.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/state_reset.h"
#include "tests/support/test_root.h"

class ServiceStatusTest : public ::testing::Test {
  protected:
    // Outside a service run (no status handle) every report fails.
    void SetUp() override { testsupport::ResetFoundationState(); }
    void TearDown() override { testsupport::ResetFoundationState(); }
    std::string EventLog() const { return root.ReadFile("eventlog/Application.log"); }
    testsupport::TestRoot root;
};
