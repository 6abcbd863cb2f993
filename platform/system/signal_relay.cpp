#include "platform/system/signal_relay.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

namespace platform {
namespace {

std::mutex g_relayLock;
int g_pipe[2] = {-1, -1};
std::map<int, std::function<void()>>* g_actions = nullptr;

void RecordSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    ssize_t written = ::write(g_pipe[1], &byte, 1);
    (void)written;  // a full pipe drops the signal: a burst of the same signal acts once
    errno = saved;
}

void RelayLoop() {
    for (;;) {
        unsigned char byte = 0;
        ssize_t n = ::read(g_pipe[0], &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        std::function<void()> action;
        {
            std::lock_guard<std::mutex> g(g_relayLock);
            auto it = g_actions->find(byte);
            if (it != g_actions->end()) action = it->second;
        }
        if (action) action();
    }
}

// The pipe and the thread, made once; the thread lives until the process ends.
bool StartRelay() {
    if (g_actions != nullptr) return true;
    if (::pipe2(g_pipe, O_CLOEXEC) != 0) return false;
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    g_actions = new std::map<int, std::function<void()>>();
    std::thread(RelayLoop).detach();
    return true;
}

}  // namespace

void OnSignal(int sig, std::function<void()> action) {
    std::lock_guard<std::mutex> g(g_relayLock);
    if (!action) {
        if (g_actions != nullptr) g_actions->erase(sig);
        ::signal(sig, SIG_DFL);
        return;
    }
    if (!StartRelay()) return;
    (*g_actions)[sig] = std::move(action);
    struct sigaction sa {};
    sa.sa_handler = RecordSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(sig, &sa, nullptr);
}

}  // namespace platform
