// The scaled real clock: sleeps and readings scaled, bounds on other processes kept in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/kernel/wait_machinery.h"
#include "platform/time/clock.h"

namespace {

// The scaled real clock: a 60-second sleep takes 0.6 s, and the readings move 60 s meanwhile.
TEST(RealClock, ScaleAppliesToSleepsAndReadings) {
    platform::RealClock clock(0.01);
    const uint64_t mono = clock.MonotonicMs();
    const uint64_t wall = clock.NowMs();
    const auto realStart = std::chrono::steady_clock::now();
    clock.Sleep(60000);
    const auto realMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - realStart)
            .count();
    EXPECT_GE(realMs, 600);
    EXPECT_LT(realMs, 30000) << "not the unscaled minute";
    EXPECT_GE(clock.MonotonicMs() - mono, 60000u);
    EXPECT_GE(clock.NowMs() - wall, 60000u);
}

// A bound on another process's answer is not shortened by the scale: the peer runs in real time.
TEST(RealClock, ABoundOnAnotherProcessKeepsItsRealLength) {
    platform::RealClock clock(0.01);
    EXPECT_EQ(clock.RealTimeBound(5000), 500000u);
    EXPECT_EQ(clock.RealTimeBound(platform::kNoTimeLimit), platform::kNoTimeLimit);
    EXPECT_EQ(platform::RealClock(1e-9).RealTimeBound(5000), platform::kNoTimeLimit - 1)
        << "a limit stays a limit";
    EXPECT_EQ(platform::RealClock().RealTimeBound(5000), 5000u);

    std::unique_lock<std::mutex> lock(platform::WaitLock());
    platform::ClockWait wait;
    wait.cv = std::make_shared<std::condition_variable>();
    const auto realStart = std::chrono::steady_clock::now();
    clock.Block(lock, wait, clock.RealTimeBound(200));
    EXPECT_TRUE(wait.expired);
    EXPECT_GE(std::chrono::steady_clock::now() - realStart, std::chrono::milliseconds(200));
}

}  // namespace
