#include <gtest/gtest.h>

#include <vector>

#include "platform/kernel/sync.h"
#include "platform/time/clock.h"
#include "tests/unit/platform/kernel/thread_runner.h"

namespace {

using platformtest::JoinAll;
using platformtest::StartThread;

// Time moves to the latest deadline asked for, not the sum of everyone's waits; an action set for a
// time runs then, while the sleepers still sleep. The test thread takes part, so that all three start
// before time moves.
TEST(VirtualClock, ThreadsSleepingTogetherMoveTimeToTheLatestDeadline) {
    platform::ScopedVirtualClock clock;
    platform::TakingPart part;
    const uint64_t start = clock->MonotonicMs();
    const uint64_t wallStart = clock->NowMs();
    std::vector<uint64_t> seenAt;  // written by the action and the sleepers, one at a time
    clock->At(start + 5000, [&] { seenAt.push_back(clock->MonotonicMs() - start); });
    std::vector<HANDLE> threads;
    for (uint32_t ms : {10000u, 10000u, 4000u}) {
        threads.push_back(StartThread([&, ms] { Sleep(ms); }));
    }
    JoinAll(threads);
    EXPECT_EQ(clock->MonotonicMs() - start, 10000u);
    EXPECT_EQ(clock->NowMs() - wallStart, 10000u);
    EXPECT_EQ(seenAt, std::vector<uint64_t>{5000});
    EXPECT_EQ(clock->TotalSlept(), 24000u);
}

// A timed wait that another thread satisfies ends on that, however long the other thread runs first:
// time does not pass while a thread that takes part runs.
TEST(VirtualClock, TimedWaitEndsOnItsObjectWhileTheSignallerRuns) {
    platform::ScopedVirtualClock clock;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const uint64_t start = clock->MonotonicMs();
    HANDLE signaller = StartThread([&] {
        volatile uint64_t spin = 0;
        for (int i = 0; i < 2'000'000; ++i) spin = spin + 1;  // real work, no wait
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, 50), WAIT_OBJECT_0);
    EXPECT_EQ(clock->MonotonicMs(), start);
    WaitForSingleObject(signaller, INFINITE);
    CloseHandle(signaller);
    CloseHandle(event);
}

}  // namespace
