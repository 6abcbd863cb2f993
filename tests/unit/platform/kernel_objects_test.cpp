// Who a mutex or an event releases, and in what order. Threads started through the platform take part
// in virtual time: the test thread's own virtual Sleep(1) ends only once each of them is blocked in its
// wait, which makes the arrival order of the waiters certain. The test thread takes part too, so that no
// time passes while it acts.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/sync.h"
#include "tests/unit/platform/thread_runner.h"

namespace {

using platformtest::JoinAll;
using platformtest::StartThread;

TEST(KernelObjects, MutexGoesToItsWaitersInTheOrderTheyCame) {
    platform::ScopedVirtualClock clock;
    platform::TakingPart part;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    std::mutex m;
    std::vector<int> order;
    std::vector<HANDLE> threads;
    for (int i = 0; i < 5; ++i) {
        threads.push_back(StartThread([&, i] {
            ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
            {
                std::lock_guard<std::mutex> g(m);
                order.push_back(i);
            }
            ReleaseMutex(mutex);
        }));
        Sleep(1);  // ends once thread i waits
    }
    // A thread that comes last does not pass the queue, even when the mutex is free for a moment.
    ASSERT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    JoinAll(threads);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(KernelObjects, MutexWhoseOwnerEndedIsTakenAsAbandoned) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    // Ended holding it, with nobody waiting: the next taker is told.
    HANDLE owner = StartThread([&] { WaitForSingleObject(mutex, INFINITE); });
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // owned now, recursively
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));

    // Ended holding it while another thread waits: the waiter gets it as abandoned, once.
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    owner = StartThread([&] {
        WaitForSingleObject(mutex, INFINITE);
        WaitForSingleObject(mutex, INFINITE);  // held twice: the end frees it all the same
        SetEvent(taken);
        Sleep(10);
    });
    WaitForSingleObject(taken, INFINITE);
    EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);
    CloseHandle(taken);
    CloseHandle(mutex);
}

// Each waiter waits up to 1 s; what the release lets through is taken before those time-outs pass.
TEST(KernelObjects, ReleaseWakesTheWaitersItSatisfies) {
    struct Case {
        const char* what;
        std::function<HANDLE()> make;
        std::function<void(HANDLE)> release;
        int released;      // of 4 waiters
        DWORD stateAfter;  // a wait of 0 once they are done
    };
    const Case cases[] = {
        {"manual-reset event", [] { return CreateEventA(nullptr, TRUE, FALSE, nullptr); },
         [](HANDLE h) { SetEvent(h); }, 4, WAIT_OBJECT_0},
        {"auto-reset event", [] { return CreateEventA(nullptr, FALSE, FALSE, nullptr); },
         [](HANDLE h) { SetEvent(h); }, 1, WAIT_TIMEOUT},
        {"semaphore", [] { return CreateSemaphoreA(nullptr, 0, 10, nullptr); },
         [](HANDLE h) { ReleaseSemaphore(h, 3, nullptr); }, 3, WAIT_TIMEOUT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::ScopedVirtualClock clock;
        platform::TakingPart part;
        HANDLE object = c.make();
        std::mutex m;
        int released = 0;
        std::vector<HANDLE> threads;
        for (int i = 0; i < 4; ++i) {
            threads.push_back(StartThread([&] {
                if (WaitForSingleObject(object, 1000) != WAIT_OBJECT_0) return;
                std::lock_guard<std::mutex> g(m);
                ++released;
            }));
        }
        Sleep(1);  // all four wait
        c.release(object);
        JoinAll(threads);  // the others' time-outs pass
        EXPECT_EQ(released, c.released);
        EXPECT_EQ(WaitForSingleObject(object, 0), c.stateAfter);
        CloseHandle(object);
    }
}

}  // namespace
