#include "platform/system/console_control.h"

#include <signal.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/kernel/last_error.h"
#include "platform/system/signal_relay.h"

namespace {

std::mutex g_handlersLock;
bool g_signalsWatched = false;

// Never destroyed: a console event may still arrive while the process runs its exit handlers.
std::vector<PHANDLER_ROUTINE>& Handlers() {
    static auto* handlers = new std::vector<PHANDLER_ROUTINE>;
    return *handlers;
}

struct ConsoleSignal {
    int signal;
    DWORD controlType;
};
constexpr ConsoleSignal kConsoleSignals[] = {
    // clang-format off
    {SIGINT, CTRL_C_EVENT},
    {SIGQUIT, CTRL_BREAK_EVENT},
    {SIGHUP, CTRL_CLOSE_EVENT},
    // clang-format on
};

// An event nobody took: the signal's default action, as if no handler had been installed.
void DefaultAction(int sig) {
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void WatchConsoleSignals() {
    for (const ConsoleSignal& s : kConsoleSignals) {
        platform::OnSignal(s.signal, [s] {
            if (!platform::DispatchConsoleControl(s.controlType)) DefaultAction(s.signal);
        });
    }
    g_signalsWatched = true;
}

}  // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    std::lock_guard<std::mutex> g(g_handlersLock);
    if (add) {
        if (handler != nullptr) Handlers().push_back(handler);
        if (!g_signalsWatched) WatchConsoleSignals();
        return TRUE;
    }
    std::vector<PHANDLER_ROUTINE>& handlers = Handlers();
    auto it = std::find(handlers.rbegin(), handlers.rend(), handler);
    if (it == handlers.rend()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    handlers.erase(std::next(it).base());
    return TRUE;
}

namespace platform {

BOOL DispatchConsoleControl(DWORD controlType) {
    std::vector<PHANDLER_ROUTINE> handlers;
    {
        std::lock_guard<std::mutex> g(g_handlersLock);
        handlers = Handlers();
    }
    for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
        if ((*it)(controlType)) return TRUE;
    }
    return FALSE;
}

}  // namespace platform
