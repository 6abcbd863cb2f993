// A test suite whose tests run over the command executor: rreInitialize before the first test and
// rreTerminate after the last, on a machine root of the suite's own (the executor opens its capture file
// "capi.log" in the root's system directory).
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "corlink/executor/executor.h"
#include "corlink/handlers/rre.h"
#include "tests/support/test_root.h"

class ExecutorSuite : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        suiteRoot_ = std::make_unique<testsupport::TestRoot>();
        rreInitialize();
    }
    static void TearDownTestSuite() {
        rreTerminate();
        suiteRoot_.reset();
    }

  private:
    static inline std::unique_ptr<testsupport::TestRoot> suiteRoot_;
};
