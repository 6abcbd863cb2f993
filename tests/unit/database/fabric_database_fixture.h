// The proxy's controller database over the simulated fabric: a fresh root as the current directory (where
// the first discovery's capture file lands), the supported-model list naming the fabric's arrays, the debug
// log open, and the database's state, with that of the layers below, reset before and after each test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "corlink/capi/capi_library.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/database/storage_system.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/transport/inband_transport.h"
#include "platform/time/clock.h"
#include "tests/support/state_reset.h"
#include "tests/support/test_root.h"
#include "tests/unit/sim/fabric_fixture.h"

class FabricDatabaseTest : public simtest::FabricTest {
  protected:
    void SetUp() override {
        FabricTest::SetUp();
        testsupport::ResetDatabaseState();
        ASSERT_NE(getcwd(cwd_, sizeof cwd_), nullptr);
        ASSERT_EQ(chdir(root_.path().c_str()), 0);
        OpenDebugFile(nullptr);
        testsupport::WriteWholeFile(root_.path() + "/corlink.conf", "[Models]\nm1 = Brenlow +Stor.*\n");
        std::snprintf(g_ConfigFile, sizeof g_ConfigFile, "%s", (root_.path() + "/corlink.conf").c_str());
        // As the executor's start does before its discovery: a test may run a discovery without it.
        InstallCapiDatabaseHooks();
        CAPI_InstallTransport(&SCSI32LMX_Initialize);
    }
    void TearDown() override {
        testsupport::ResetDatabaseState();
        EXPECT_EQ(chdir(cwd_), 0);
        FabricTest::TearDown();
    }
    // Between the cases of one test.
    static void EmptyDatabase() {
        EmptyControllerDb();
        ClearStorageSystems();
        g_CurrentController = -1;
    }

    platform::ScopedVirtualClock clock_;
    testsupport::TestRoot root_;
    char cwd_[4096] = {};
};
