// Who a mutex or an event releases, and in what order. Threads started through the platform take part
// in virtual time: the test thread's own virtual Sleep(1) ends only once each of them is blocked in its
// wait, which makes the arrival order of the waiters certain. The test thread takes part too, so that no
// time passes while it acts.
#include "platform/kernel/kernel_objects.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/sync.h"
#include "platform/time/clock.h"
#include "tests/unit/platform/kernel/thread_runner.h"

namespace {

using platformtest::JoinAll;
using platformtest::StartThread;

TEST(KernelObjects, MutexGoesToItsWaitersInTheOrderTheyCame) {
    platform::ScopedVirtualClock clock;
    platform::TakingPart part;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    std::vector<int> order;  // guarded by the mutex under test
    std::vector<HANDLE> threads;
    for (int i = 0; i < 5; ++i) {
        threads.push_back(StartThread([&, i] {
            ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
            order.push_back(i);
            ReleaseMutex(mutex);
        }));
        Sleep(1);  // ends once thread i waits
    }
    ASSERT_TRUE(ReleaseMutex(mutex));
    JoinAll(threads);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    CloseHandle(mutex);
}

// Threads that keep taking the mutex without waiting for it (a wait of 0 whenever it is free) may pass a
// woken waiter, but only a bounded number of times: then a release hands the mutex to the waiter. (Without
// the bound the waiter is passed hundreds of times in most rounds.)
TEST(KernelObjects, RunningThreadsPassAWaiterOnlyABoundedNumberOfTimes) {
    constexpr int kGiveUpAfter = 100000;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        platform::ScopedVirtualClock clock;
        platform::TakingPart part;
        HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
        int passes = 0;  // guarded by the mutex under test
        int passedBeforeWaiter = -1;
        std::vector<HANDLE> threads;
        threads.push_back(StartThread([&] {
            ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
            passedBeforeWaiter = passes;
            ReleaseMutex(mutex);
        }));
        Sleep(1);  // the waiter waits
        std::atomic<int> spinning{0};
        for (int i = 0; i < 2; ++i) {
            threads.push_back(StartThread([&] {
                ++spinning;
                for (;;) {
                    if (WaitForSingleObject(mutex, 0) != WAIT_OBJECT_0) continue;
                    const bool waiterDone = passedBeforeWaiter >= 0 || passes >= kGiveUpAfter;
                    if (!waiterDone) ++passes;
                    std::atomic<int> work{0};  // holds it for a moment
                    while (work.fetch_add(1, std::memory_order_relaxed) < 20000) {
                    }
                    ReleaseMutex(mutex);
                    if (waiterDone) return;
                }
            }));
        }
        while (spinning < 2) std::this_thread::yield();
        ASSERT_TRUE(ReleaseMutex(mutex));
        JoinAll(threads);
        EXPECT_GE(passedBeforeWaiter, 0);
        EXPECT_LE(passedBeforeWaiter, static_cast<int>(platform::dispatch::kMutexPassesBeforeHandOver));
        CloseHandle(mutex);
    }
}

// A waiter woken for a freed mutex that leaves with another object instead (here an event set at once)
// passes the mutex on to the next waiter, which would otherwise sleep while it is free.
TEST(KernelObjects, WaiterThatLeavesWithAnotherObjectPassesTheMutexOn) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        platform::ScopedVirtualClock clock;
        platform::TakingPart part;
        HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        DWORD second = WAIT_FAILED;
        DWORD secondWaited = 0;
        std::vector<HANDLE> threads;
        threads.push_back(StartThread([&] {
            HANDLE either[] = {event, mutex};
            if (WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) ReleaseMutex(mutex);
        }));
        Sleep(1);
        threads.push_back(StartThread([&] {
            const DWORD start = GetTickCount();
            second = WaitForSingleObject(mutex, 1000);  // takes it even at the time-out
            secondWaited = GetTickCount() - start;
            if (second == WAIT_OBJECT_0) ReleaseMutex(mutex);
        }));
        Sleep(1);
        ReleaseMutex(mutex);  // offered to the first waiter
        SetEvent(event);      // which, unless it ran already, is handed the event
        JoinAll(threads);
        EXPECT_EQ(second, static_cast<DWORD>(WAIT_OBJECT_0));
        EXPECT_LT(secondWaited, 1000u) << "woken when the mutex was free";
        CloseHandle(event);
        CloseHandle(mutex);
    }
}

// Threads that take the mutex by every kind of wait (without a limit, with short time-outs, together with
// an auto-reset event that another thread keeps setting) exclude one another and none is left asleep while
// the mutex is free: a waiter woken for it that leaves with the event or a time-out passes it on.
TEST(KernelObjects, MutexUnderContentionExcludesAndWakesEveryWaiter) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 1500;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int inside = 0;  // guarded by the mutex under test
    int entries = 0;
    int overlaps = 0;
    std::vector<HANDLE> threads;
    threads.push_back(StartThread([&] {
        while (WaitForSingleObject(done, 0) == WAIT_TIMEOUT) {
            SetEvent(event);
            Sleep(0);
        }
    }));
    std::vector<HANDLE> takers;
    for (int t = 0; t < kThreads; ++t) {
        takers.push_back(StartThread([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                HANDLE either[] = {event, mutex};
                switch ((t + round) % 3) {
                    case 0: ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0); break;
                    case 1:
                        while (WaitForSingleObject(mutex, 1) == WAIT_TIMEOUT) {
                        }
                        break;
                    default:
                        while (WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0) {
                        }
                        break;
                }
                if (inside++ != 0) ++overlaps;
                ++entries;
                ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // recursive
                ASSERT_TRUE(ReleaseMutex(mutex));
                --inside;
                ASSERT_TRUE(ReleaseMutex(mutex));
            }
        }));
    }
    JoinAll(takers);
    SetEvent(done);
    JoinAll(threads);
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(entries, kThreads * kRounds);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "free at the end";
    ReleaseMutex(mutex);
    for (HANDLE h : {mutex, event, done}) CloseHandle(h);
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
        // clang-format off
        {"manual-reset event", [] { return CreateEventA(nullptr, TRUE, FALSE, nullptr); },
         [](HANDLE h) { SetEvent(h); }, 4, WAIT_OBJECT_0},
        {"auto-reset event", [] { return CreateEventA(nullptr, FALSE, FALSE, nullptr); },
         [](HANDLE h) { SetEvent(h); }, 1, WAIT_TIMEOUT},
        {"semaphore", [] { return CreateSemaphoreA(nullptr, 0, 10, nullptr); },
         [](HANDLE h) { ReleaseSemaphore(h, 3, nullptr); }, 3, WAIT_TIMEOUT},
        // clang-format on
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
