#include "corlink/program/service_shell.h"

#include <gtest/gtest.h>

#include "corlink/foundation/nt_os.h"
#include "corlink/foundation/service_params.h"
#include "corlink/foundation/service_status.h"
#include "platform/system/console_control.h"
#include "tests/unit/foundation/service_status_fixture.h"

namespace {

TEST_F(ServiceStatusTest, ControlHandlerAnswersAndReportsAgain) {
    ReportServiceStatus(SERVICE_RUNNING, 0, 3000);
    EXPECT_EQ(ServiceCtrlHandlerEx(SERVICE_CONTROL_INTERROGATE, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(ServiceCtrlHandlerEx(0x80, 0, nullptr, nullptr), ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_EQ(g_ServiceStatus.dwCurrentState, SERVICE_RUNNING);
    EXPECT_EQ(g_ServiceStatus.dwWaitHint, 0u);
    EXPECT_EQ(g_StopFlag, 0);

    EXPECT_EQ(ServiceCtrlHandlerEx(SERVICE_CONTROL_STOP, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(g_StopFlag, 1);
    EXPECT_EQ(g_ServiceStatus.dwCurrentState, SERVICE_STOP_PENDING);
}

TEST_F(ServiceStatusTest, ConsoleEventsThatStopAndThoseLeftToOthers) {
    for (DWORD event : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT}) {
        EXPECT_FALSE(ConsoleCtrlHandler(event));
        EXPECT_EQ(g_StopFlag, 0);
    }
    for (DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        g_StopFlag = 0;
        EXPECT_TRUE(ConsoleCtrlHandler(event));
        EXPECT_EQ(g_StopFlag, 1);
    }
}

}  // namespace
