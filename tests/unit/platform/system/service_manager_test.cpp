#include "platform/system/service_manager.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/kernel/last_error.h"
#include "platform/system/console_control.h"
#include "platform/system/service_state.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;

// What the service main of the dispatcher test saw; the handler runs on the dispatcher's thread.
struct ServiceRun {
    std::mutex lock;
    std::condition_variable stopped;
    bool stopRequested = false;
    std::thread::id handlerThread;
    std::thread::id mainThread;
    SERVICE_STATUS_HANDLE handle = nullptr;
    bool runningReported = false;
};
ServiceRun* g_run = nullptr;

DWORD Handler(DWORD control, DWORD, LPVOID, LPVOID context) {
    auto* run = static_cast<ServiceRun*>(context);
    std::lock_guard<std::mutex> g(run->lock);
    run->handlerThread = std::this_thread::get_id();
    if (control == SERVICE_CONTROL_STOP) run->stopRequested = true;
    run->stopped.notify_all();
    return 0;
}

void ServiceMain(DWORD, LPSTR*) {
    ServiceRun* run = g_run;
    run->mainThread = std::this_thread::get_id();
    run->handle = RegisterServiceCtrlHandlerExA("corlink4", Handler, run);
    SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, SERVICE_ACCEPT_STOP, 0, 0, 0, 0};
    run->runningReported = SetServiceStatus(run->handle, &status) != FALSE;
    ::raise(SIGTERM);  // the stop control, as the service control manager sends it
    std::unique_lock<std::mutex> g(run->lock);
    run->stopped.wait_for(g, 10s, [run] { return run->stopRequested; });
}

TEST(ServiceDispatcher, RefusesAProcessNotStartedAsAService) {
    ::unsetenv(platform::kServiceEnvironmentName);
    char name[] = "corlink4";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    EXPECT_FALSE(StartServiceCtrlDispatcherA(table));
    EXPECT_EQ(GetLastError(), ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    EXPECT_EQ(RegisterServiceCtrlHandlerExA("corlink4", Handler, nullptr), nullptr);
}

TEST(ServiceDispatcher, RunsTheServiceMainAndDeliversStopOnTheMainThread) {
    testsupport::TestRoot root;
    ServiceRun run;
    g_run = &run;
    ::setenv(platform::kServiceEnvironmentName, "corlink4", 1);
    char name[] = "corlink4";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    EXPECT_TRUE(StartServiceCtrlDispatcherA(table));
    ::unsetenv(platform::kServiceEnvironmentName);

    EXPECT_TRUE(run.stopRequested);
    EXPECT_EQ(run.handlerThread, std::this_thread::get_id());
    EXPECT_NE(run.mainThread, std::this_thread::get_id());
    EXPECT_TRUE(run.runningReported);
    SERVICE_STATUS status{};
    long pid = 0;
    ASSERT_TRUE(platform::ReadServiceState("corlink4", &status, &pid));
    EXPECT_EQ(status.dwCurrentState, SERVICE_RUNNING);
    EXPECT_EQ(pid, static_cast<long>(::getpid()));
    // The registration ends with the dispatcher.
    EXPECT_FALSE(SetServiceStatus(run.handle, &status));
}

std::atomic<int> g_order{0};
std::atomic<int> g_firstSeen{-1};
std::atomic<int> g_lastSeen{-1};
BOOL FirstHandler(DWORD type) {
    g_firstSeen = static_cast<int>(type);
    g_order = g_order * 10 + 1;
    return TRUE;
}
BOOL LastHandler(DWORD type) {
    g_lastSeen = static_cast<int>(type);
    g_order = g_order * 10 + 2;
    return type == CTRL_BREAK_EVENT;  // takes Ctrl-Break, passes everything else on
}

TEST(ConsoleControl, HandlersRunLastRegisteredFirstAndSignalsReachThem) {
    g_order = 0;  // a repeated run starts afresh
    ASSERT_TRUE(SetConsoleCtrlHandler(FirstHandler, TRUE));
    ASSERT_TRUE(SetConsoleCtrlHandler(LastHandler, TRUE));

    EXPECT_TRUE(platform::DispatchConsoleControl(CTRL_C_EVENT));
    EXPECT_EQ(g_order, 21);  // the last one first, then on to the next
    g_order = 0;
    EXPECT_TRUE(platform::DispatchConsoleControl(CTRL_BREAK_EVENT));
    EXPECT_EQ(g_order, 2);

    g_firstSeen = -1;
    ::raise(SIGINT);  // Ctrl-C arrives on the console control thread
    // A generous bound: on a loaded machine the relay thread may be scheduled late.
    for (int i = 0; i < 20000 && g_firstSeen != static_cast<int>(CTRL_C_EVENT); ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(g_firstSeen, static_cast<int>(CTRL_C_EVENT));

    EXPECT_TRUE(SetConsoleCtrlHandler(LastHandler, FALSE));
    EXPECT_FALSE(SetConsoleCtrlHandler(LastHandler, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(SetConsoleCtrlHandler(FirstHandler, FALSE));
}

}  // namespace
