// Delivers POSIX signals to ordinary code: a signal handler only records the signal, and one relay thread
// runs the action registered for it. The console control handlers and the service dispatcher's stop
// control are built on it.
#pragma once

#include <functional>

namespace platform {

// Runs action on the relay thread whenever sig arrives from now on; an empty action restores the
// signal's default disposition.
void OnSignal(int sig, std::function<void()> action);

}  // namespace platform
