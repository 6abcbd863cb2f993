#include "corlink/foundation/service_status.h"

#include <gtest/gtest.h>

#include <string>

#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "tests/unit/foundation/service_status_fixture.h"

namespace {

// Pending states carry the next check point and accept no stop while starting; running and stopped
// carry 0. A failed report is recorded in the event log with the state as its code.
TEST_F(ServiceStatusTest, CheckPointsControlsAndFailedReports) {
    struct Step {
        DWORD state;
        DWORD controls;
        bool pending;
    };
    const Step steps[] = {{SERVICE_START_PENDING, 0, true},
                          {SERVICE_START_PENDING, 0, true},
                          {SERVICE_RUNNING, SERVICE_ACCEPT_STOP, false},
                          {SERVICE_STOP_PENDING, SERVICE_ACCEPT_STOP, true},
                          {SERVICE_STOPPED, SERVICE_ACCEPT_STOP, false}};
    DWORD lastCheckPoint = 0;
    for (const Step& step : steps) {
        EXPECT_FALSE(ReportServiceStatus(step.state, 0, 3000));
        EXPECT_EQ(g_ServiceStatus.dwCurrentState, step.state);
        EXPECT_EQ(g_ServiceStatus.dwControlsAccepted, step.controls);
        EXPECT_EQ(g_ServiceStatus.dwWaitHint, 3000u);
        if (step.pending) {
            EXPECT_GT(g_ServiceStatus.dwCheckPoint, lastCheckPoint) << ServiceStateName(step.state);
            lastCheckPoint = g_ServiceStatus.dwCheckPoint;
        } else {
            EXPECT_EQ(g_ServiceStatus.dwCheckPoint, 0u);
        }
    }
    const std::string log = EventLog();
    EXPECT_NE(log.find("corlink4\t4\t0x40000201\tSetServiceStatus\t04000000"), std::string::npos) << log;
}

TEST_F(ServiceStatusTest, DebugRunsOnlyLog) {
    g_DebugConsole = true;
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(ReportServiceStatus(SERVICE_RUNNING, 0, 3000));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Skipping SetServiceStatus(RUNNING, hint=3000)\n");
    g_DebugConsole = false;
    EXPECT_EQ(EventLog(), "");
}

}  // namespace
