// The service's side of the service calls: the dispatcher that runs the service main on its own thread
// and delivers controls to the handler on the calling (main) thread, and the status reports.
#include <signal.h>
#include <strings.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel/last_error.h"
#include "platform/system/service_manager.h"
#include "platform/system/service_state.h"
#include "platform/system/signal_relay.h"

namespace {

struct Dispatcher {
    std::string serviceName;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<DWORD> controls;
    bool serviceEnded = false;
    LPHANDLER_FUNCTION_EX handler = nullptr;
    LPVOID context = nullptr;
};

std::mutex g_dispatcherLock;
Dispatcher* g_dispatcher = nullptr;  // while StartServiceCtrlDispatcherA runs

// Queues a control for the running dispatcher; nothing happens when none runs any more.
void QueueControl(DWORD control) {
    std::lock_guard<std::mutex> running(g_dispatcherLock);
    if (g_dispatcher == nullptr) return;
    {
        std::lock_guard<std::mutex> g(g_dispatcher->lock);
        g_dispatcher->controls.push_back(control);
    }
    g_dispatcher->changed.notify_all();
}

// Delivers queued controls until the service main has returned.
void ServeControls(Dispatcher* dispatcher) {
    std::unique_lock<std::mutex> g(dispatcher->lock);
    for (;;) {
        dispatcher->changed.wait(g,
                                 [&] { return dispatcher->serviceEnded || !dispatcher->controls.empty(); });
        if (dispatcher->controls.empty()) return;
        const DWORD control = dispatcher->controls.front();
        dispatcher->controls.pop_front();
        LPHANDLER_FUNCTION_EX handler = dispatcher->handler;
        LPVOID context = dispatcher->context;
        g.unlock();
        if (handler != nullptr) handler(control, 0, nullptr, context);
        g.lock();
    }
}

bool StartedAs(const char* serviceName) {
    const char* started = std::getenv(platform::kServiceEnvironmentName);
    return started != nullptr && serviceName != nullptr && ::strcasecmp(started, serviceName) == 0;
}

}  // namespace

BOOL StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* serviceTable) {
    if (serviceTable == nullptr || serviceTable->lpServiceProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!StartedAs(serviceTable->lpServiceName)) {
        SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
        return FALSE;
    }
    Dispatcher dispatcher;
    dispatcher.serviceName = serviceTable->lpServiceName;
    {
        std::lock_guard<std::mutex> g(g_dispatcherLock);
        g_dispatcher = &dispatcher;
    }
    platform::OnSignal(SIGTERM, [] { QueueControl(SERVICE_CONTROL_STOP); });
    std::thread service([&dispatcher, main = serviceTable->lpServiceProc] {
        char* argv[] = {dispatcher.serviceName.data(), nullptr};
        main(1, argv);
        {
            std::lock_guard<std::mutex> g(dispatcher.lock);
            dispatcher.serviceEnded = true;
        }
        dispatcher.changed.notify_all();
    });
    ServeControls(&dispatcher);
    service.join();
    {
        std::lock_guard<std::mutex> g(g_dispatcherLock);
        g_dispatcher = nullptr;
    }
    platform::OnSignal(SIGTERM, {});
    return TRUE;
}

SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerExA(LPCSTR serviceName, LPHANDLER_FUNCTION_EX handler,
                                                    LPVOID context) {
    std::lock_guard<std::mutex> g(g_dispatcherLock);
    if (g_dispatcher == nullptr || serviceName == nullptr ||
        ::strcasecmp(serviceName, g_dispatcher->serviceName.c_str()) != 0) {
        SetLastError(ERROR_SERVICE_NOT_IN_EXE);
        return nullptr;
    }
    std::lock_guard<std::mutex> d(g_dispatcher->lock);
    g_dispatcher->handler = handler;
    g_dispatcher->context = context;
    return reinterpret_cast<SERVICE_STATUS_HANDLE>(g_dispatcher);
}

BOOL SetServiceStatus(SERVICE_STATUS_HANDLE handle, SERVICE_STATUS* status) {
    std::string serviceName;
    {
        std::lock_guard<std::mutex> g(g_dispatcherLock);
        if (handle == nullptr || handle != reinterpret_cast<SERVICE_STATUS_HANDLE>(g_dispatcher)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        serviceName = g_dispatcher->serviceName;
    }
    if (status == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!platform::WriteServiceState(serviceName, *status)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}
