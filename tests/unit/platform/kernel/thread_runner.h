// Threads started through the platform (so that they take part in virtual time) running a lambda.
#pragma once

#include <functional>
#include <vector>

#include "platform/kernel/handles.h"
#include "platform/kernel/sync.h"

namespace platformtest {

inline HANDLE StartThread(std::function<void()> body) {
    auto* task = new std::function<void()>(std::move(body));
    auto run = [](void* argument) -> unsigned {
        auto* f = static_cast<std::function<void()>*>(argument);
        (*f)();
        delete f;
        return 0;
    };
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, task, 0, nullptr));
}

// Waits for every thread to end and closes its handle.
inline void JoinAll(std::vector<HANDLE>& threads) {
    for (HANDLE t : threads) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    threads.clear();
}

}  // namespace platformtest
