#include "corlink/commands/command_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "corlink/commands/rre.h"

namespace {

// The executor's side, as the queue sees it: a lock, the commands it runs and those it refuses. A command's
// Length names it; Command is set to 1 when it ran and 2 when it was refused.
struct Section {
    std::atomic<bool> held{false};
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};    // a command ran while another did, or without the lock
    std::atomic<int> failEnters{0};       // the next enters that fail, once release is set
    std::atomic<bool> blockFirst{false};  // the next enter waits for release
    std::atomic<bool> release{false};
    std::chrono::milliseconds firstTakes{0};  // how long the first command runs
    std::mutex orderLock;
    std::vector<uint32_t> order;                 // guarded by orderLock
    std::vector<std::thread::id> ranOnThreadOf;  // guarded by orderLock
} g_section;

bool Enter() {
    if (g_section.failEnters > 0) {
        --g_section.failEnters;
        while (!g_section.release) std::this_thread::yield();
        return false;
    }
    if (g_section.blockFirst.exchange(false)) {
        while (!g_section.release) std::this_thread::yield();
    }
    g_section.held = true;
    return true;
}

void Leave() {
    g_section.held = false;
}

void RunOne(Rre* rre) {
    if (++g_section.running != 1 || !g_section.held) ++g_section.overlaps;
    bool first = false;
    {
        std::lock_guard<std::mutex> g(g_section.orderLock);
        first = g_section.order.empty();
        g_section.order.push_back(rre->Length);
        g_section.ranOnThreadOf.push_back(std::this_thread::get_id());
    }
    if (first) std::this_thread::sleep_for(g_section.firstTakes);
    rre->Command = 1;
    --g_section.running;
}

void Refuse(Rre* rre) {
    rre->Command = 2;
}

class CommandQueueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_section.held = false;
        g_section.running = 0;
        g_section.overlaps = 0;
        g_section.failEnters = 0;
        g_section.blockFirst = false;
        g_section.release = false;
        g_section.firstTakes = std::chrono::milliseconds(0);
        g_section.order.clear();
        g_section.ranOnThreadOf.clear();
    }

    // Starts a thread that runs commands[index]; returns once it is about to queue, and a little after, so
    // that it has.
    void StartCommand(size_t index) {
        std::atomic<bool> started{false};
        threads_.emplace_back([&, index] {
            started = true;
            queue_.Run(&commands_[index]);
        });
        threadIds_.push_back(threads_.back().get_id());
        while (!started) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }

    // Queues n commands behind a first one whose runner waits for the lock until they all have.
    void RunQueued(size_t n) {
        commands_.assign(n, Rre{});
        for (size_t i = 0; i < n; ++i) commands_[i].Length = static_cast<uint32_t>(i);
        if (g_section.failEnters == 0) g_section.blockFirst = true;
        for (size_t i = 0; i < n; ++i) StartCommand(i);
        g_section.release = true;
        for (auto& t : threads_) t.join();
    }

    // For each command in the order they ran, the command whose thread ran it.
    std::vector<uint32_t> RunBy() {
        std::vector<uint32_t> runners;
        for (std::thread::id id : g_section.ranOnThreadOf) {
            for (size_t i = 0; i < threads_.size(); ++i) {
                if (threadIds_[i] == id) runners.push_back(static_cast<uint32_t>(i));
            }
        }
        return runners;
    }

    CommandQueue queue_{SerialSection{Enter, Leave, RunOne, Refuse}};
    std::vector<Rre> commands_;
    std::vector<std::thread> threads_;
    std::vector<std::thread::id> threadIds_;
};

TEST_F(CommandQueueTest, ManySessionsRunEveryCommandOnceAndAlone) {
    constexpr int kThreads = 16;
    constexpr int kCommandsEach = 300;  // far more than one runner's turn: runners must hand the queue on
    std::vector<std::thread> threads;
    std::atomic<int> ran{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCommandsEach; ++i) {
                Rre rre{};
                rre.Length = static_cast<uint32_t>(t * kCommandsEach + i);
                queue_.Run(&rre);
                if (rre.Command == 1) ++ran;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(ran.load(), kThreads * kCommandsEach);
    EXPECT_EQ(g_section.overlaps.load(), 0);
    EXPECT_FALSE(g_section.held.load());
    ASSERT_EQ(g_section.order.size(), static_cast<size_t>(kThreads * kCommandsEach));
    // Each session's commands ran in its own order.
    std::vector<int> next(kThreads, 0);
    for (uint32_t name : g_section.order) {
        const int t = static_cast<int>(name) / kCommandsEach;
        EXPECT_EQ(static_cast<int>(name) % kCommandsEach, next[t]++);
    }
}

std::vector<uint32_t> Numbers(size_t from, size_t to) {
    std::vector<uint32_t> numbers;
    for (size_t i = from; i < to; ++i) numbers.push_back(static_cast<uint32_t>(i));
    return numbers;
}

// A runner runs what queued behind its own command, in arrival order, until its turn's bound; the thread
// of the next command then runs the rest.
TEST_F(CommandQueueTest, QueuedCommandsRunInArrivalOrderAcrossTurns) {
    constexpr size_t kTurn = CommandQueue::kRunsPerTurn;
    RunQueued(kTurn + 4);
    EXPECT_EQ(g_section.order, Numbers(0, kTurn + 4));
    std::vector<uint32_t> expectedRunners(kTurn, 0);
    expectedRunners.insert(expectedRunners.end(), 4, static_cast<uint32_t>(kTurn));
    EXPECT_EQ(RunBy(), expectedRunners);
    for (const Rre& rre : commands_) EXPECT_EQ(rre.Command, 1u);
    EXPECT_EQ(g_section.overlaps.load(), 0);
}

// A runner whose turn has lasted its time takes no further command: its own session is not kept waiting.
TEST_F(CommandQueueTest, ARunnerWhoseTurnLastedItsTimeHandsTheQueueOn) {
    g_section.firstTakes =
        std::chrono::duration_cast<std::chrono::milliseconds>(CommandQueue::kTurnTime) + std::chrono::milliseconds(5);
    RunQueued(4);
    EXPECT_EQ(g_section.order, Numbers(0, 4));
    EXPECT_EQ(RunBy(), (std::vector<uint32_t>{0, 1, 1, 1}));
}

TEST_F(CommandQueueTest, ARunnerThatCannotTakeTheLockRefusesOnlyItsOwnCommand) {
    g_section.failEnters = 1;  // the first runner's wait for the lock fails once the others have queued
    RunQueued(3);
    EXPECT_EQ(commands_[0].Command, 2u);
    EXPECT_EQ(commands_[1].Command, 1u);
    EXPECT_EQ(commands_[2].Command, 1u);
    EXPECT_EQ(g_section.order, Numbers(1, 3));
    EXPECT_EQ(RunBy(), (std::vector<uint32_t>{1, 1}));
    EXPECT_FALSE(g_section.held.load());
}

}  // namespace
