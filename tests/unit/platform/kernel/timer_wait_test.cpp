// Waitable timers, multiple-object waits, alertable waits, critical sections and condition variables on the
// one clock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/condition_variable.h"
#include "platform/kernel/critical_section.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/wait_machinery.h"
#include "platform/kernel/waitable_timer.h"
#include "platform/time/clock.h"
#include "tests/unit/platform/kernel/thread_runner.h"

namespace {

using platformtest::StartThread;

constexpr LONGLONG kUnitsPerMs = 10000;  // 100-ns units
constexpr uint64_t kEpochGapMs = 11'644'473'600'000ULL;

LARGE_INTEGER After(LONGLONG ms) {
    LARGE_INTEGER due;
    due.QuadPart = -ms * kUnitsPerMs;
    return due;
}

class TimerTest : public ::testing::Test {
  protected:
    uint64_t Elapsed() { return clock->MonotonicMs() - start; }
    platform::ScopedVirtualClock clock;
    const uint64_t start = clock->MonotonicMs();
};

TEST_F(TimerTest, RelativeAbsoluteAndPeriodicDueTimes) {
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(WaitForSingleObject(timer, 1000), WAIT_TIMEOUT) << "not signalled before it is set";

    LARGE_INTEGER due = After(5000);
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 2000), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(Elapsed(), 6000u);
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT) << "auto reset: one wait takes the signal";

    due.QuadPart = static_cast<LONGLONG>((clock->NowMs() + kEpochGapMs + 3000) * kUnitsPerMs);
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 1000, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(Elapsed(), 9000u);
    EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(Elapsed(), 10000u) << "then every period";

    ASSERT_TRUE(CancelWaitableTimer(timer));
    EXPECT_EQ(WaitForSingleObject(timer, 5000), WAIT_TIMEOUT);
    due = After(1);
    EXPECT_FALSE(SetWaitableTimer(timer, &due, -1, nullptr, nullptr, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(timer);
}

TEST_F(TimerTest, ManualResetTimerStaysSignalledUntilSetAgain) {
    HANDLE timer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
    LARGE_INTEGER due = After(0);
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
    due = After(100);
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT);
    CloseHandle(timer);
}

TEST_F(TimerTest, MultipleObjectWaitsGiveTheWindowsResults) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 5, nullptr);
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE owner = StartThread([&] { WaitForSingleObject(mutex, INFINITE); });  // ends holding it
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);

    HANDLE eventAndSemaphore[] = {event, semaphore};
    EXPECT_EQ(WaitForMultipleObjects(2, eventAndSemaphore, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, eventAndSemaphore, FALSE, 100), WAIT_TIMEOUT);
    ReleaseSemaphore(semaphore, 1, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(2, eventAndSemaphore, TRUE, 100), WAIT_TIMEOUT);
    LONG count = -1;
    ReleaseSemaphore(semaphore, 1, &count);
    EXPECT_EQ(count, 1) << "a wait for all that timed out took nothing";
    SetEvent(event);
    EXPECT_EQ(WaitForMultipleObjects(2, eventAndSemaphore, FALSE, 0), WAIT_OBJECT_0) << "the lowest index";
    EXPECT_EQ(WaitForMultipleObjects(2, eventAndSemaphore, TRUE, 0), WAIT_OBJECT_0);

    // A timer among the objects ends the wait when it is due.
    ResetEvent(event);
    LARGE_INTEGER due = After(3000);
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
    HANDLE eventAndTimer[] = {event, timer};
    const uint64_t before = Elapsed();
    EXPECT_EQ(WaitForMultipleObjects(2, eventAndTimer, FALSE, 10000), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(Elapsed() - before, 3000u);

    // Everything signalled, one of them a mutex whose owner ended: abandoned, at that mutex's index.
    SetEvent(event);
    HANDLE withMutex[] = {event, semaphore, mutex};
    EXPECT_EQ(WaitForMultipleObjects(3, withMutex, TRUE, 0), WAIT_ABANDONED_0 + 2);
    EXPECT_TRUE(ReleaseMutex(mutex)) << "and taken";

    struct Refused {
        DWORD count;
        std::vector<HANDLE> handles;
        BOOL waitAll;
        DWORD error;
    };
    const Refused refused[] = {
        // clang-format off
        {0, {event}, FALSE, ERROR_INVALID_PARAMETER},
        {MAXIMUM_WAIT_OBJECTS + 1, std::vector<HANDLE>(MAXIMUM_WAIT_OBJECTS + 1, event), FALSE,
         ERROR_INVALID_PARAMETER},
        {2, {event, event}, TRUE, ERROR_INVALID_PARAMETER},
        {2, {event, reinterpret_cast<HANDLE>(0x7FFFFFF0)}, FALSE, ERROR_INVALID_HANDLE},
        // clang-format on
    };
    for (const Refused& r : refused) {
        SetLastError(0);
        EXPECT_EQ(WaitForMultipleObjects(r.count, r.handles.data(), r.waitAll, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), r.error);
    }
    for (HANDLE h : {event, semaphore, timer, mutex}) CloseHandle(h);
}

std::atomic<int> g_routineRuns{0};
void CountRun(void* argument, DWORD, DWORD) { g_routineRuns += *static_cast<int*>(argument); }

// A timer's completion routine runs in an alertable wait of the thread that set it, which then ends with
// WAIT_IO_COMPLETION; a wait that is not alertable neither runs it nor ends for it.
TEST_F(TimerTest, CompletionRoutineEndsAnAlertableWait) {
    g_routineRuns = 0;
    int weight = 1;
    HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    LARGE_INTEGER due = After(2000);
    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, CountRun, &weight, FALSE));
    EXPECT_EQ(SleepEx(10000, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(Elapsed(), 2000u);
    EXPECT_EQ(g_routineRuns.load(), 1);
    EXPECT_EQ(SleepEx(1000, TRUE), 0u) << "one-shot: no second run";

    ASSERT_TRUE(SetWaitableTimer(timer, &due, 0, CountRun, &weight, FALSE));
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_TIMEOUT);
    EXPECT_EQ(g_routineRuns.load(), 1);
    EXPECT_EQ(WaitForMultipleObjectsEx(1, &event, FALSE, 5000, TRUE), WAIT_IO_COMPLETION) << "due already";
    EXPECT_EQ(g_routineRuns.load(), 2);
    EXPECT_EQ(clock->Sleeps(), (std::vector<uint32_t>{10000, 1000}));
    CloseHandle(event);
    CloseHandle(timer);
}

// Alike with and without a spin count.
TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    for (DWORD spins : {0u, 4000u}) {
        SCOPED_TRACE(spins);
        CRITICAL_SECTION section;
        if (spins == 0) {
            InitializeCriticalSection(&section);
        } else {
            ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&section, spins));
        }
        EnterCriticalSection(&section);
        EXPECT_TRUE(TryEnterCriticalSection(&section));
        auto tryFromAnotherThread = [&] {
            std::atomic<BOOL> entered{FALSE};
            HANDLE t = StartThread([&] {
                entered = TryEnterCriticalSection(&section);
                if (entered) LeaveCriticalSection(&section);
            });
            WaitForSingleObject(t, INFINITE);
            CloseHandle(t);
            return entered.load();
        };
        LeaveCriticalSection(&section);
        EXPECT_FALSE(tryFromAnotherThread()) << "still held once";
        LeaveCriticalSection(&section);
        EXPECT_TRUE(tryFromAnotherThread());
        DeleteCriticalSection(&section);
    }
}

// Sleepers leave the section as they sleep, are woken one a call in the order they came, and hold the
// section again when they return; a wake with no sleeper is not kept for a later one.
TEST_F(TimerTest, ConditionVariableWakesOneSleeperACallInTheOrderTheyCame) {
    CRITICAL_SECTION section;
    InitializeCriticalSectionAndSpinCount(&section, 100);
    CONDITION_VARIABLE variable;
    InitializeConditionVariable(&variable);
    WakeConditionVariable(&variable);
    int asleep = 0;          // guarded by the section
    std::vector<int> woken;  // guarded by the section
    int insideAtOnce = 0;    // guarded by the section
    std::vector<HANDLE> threads;
    for (int i = 0; i < 2; ++i) {
        threads.push_back(StartThread([&, i] {
            EnterCriticalSection(&section);
            ++asleep;
            EXPECT_TRUE(SleepConditionVariableCS(&variable, &section, INFINITE));
            if (++insideAtOnce != 1) ADD_FAILURE() << "the section is not held alone";
            woken.push_back(i);
            --insideAtOnce;
            LeaveCriticalSection(&section);
        }));
        // Counted under the section before it sleeps, and the sleep leaves it: once counted, it sleeps.
        for (;;) {
            EnterCriticalSection(&section);
            const bool counted = asleep == i + 1;
            LeaveCriticalSection(&section);
            if (counted) break;
            std::this_thread::yield();
        }
    }
    auto wokenCount = [&] {
        EnterCriticalSection(&section);
        const size_t n = woken.size();
        LeaveCriticalSection(&section);
        return n;
    };
    for (size_t i = 0; i < 2; ++i) {
        WakeConditionVariable(&variable);
        while (wokenCount() < i + 1) std::this_thread::yield();
        EXPECT_EQ(wokenCount(), i + 1) << "one sleeper a call";
    }
    platformtest::JoinAll(threads);
    EXPECT_EQ(woken, (std::vector<int>{0, 1}));
    EXPECT_EQ(Elapsed(), 0u);

    // A sleep with a limit ends at it, unwoken, with the section held again.
    threads.push_back(StartThread([&] {
        EnterCriticalSection(&section);
        EXPECT_FALSE(SleepConditionVariableCS(&variable, &section, 5000));
        EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
        woken.push_back(2);
        LeaveCriticalSection(&section);
    }));
    platformtest::JoinAll(threads);
    EXPECT_EQ(Elapsed(), 5000u);
    EXPECT_EQ(woken.back(), 2);
    DeleteCriticalSection(&section);
}

}  // namespace
