#include "corlink/executor/command_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "corlink/handlers/rre.h"

namespace {

constexpr uint32_t kDatabaseCode = 5;    // answered from the database: a runner takes it on
constexpr uint32_t kControllerCode = 7;  // talks to a controller: runs on its own thread

// The executor's side, as the queue sees it: a lock, the commands it runs and those it refuses, and which
// commands are answered from the database. A command's Length names it, its Command is its code.
struct Section {
    std::atomic<bool> held{false};
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};         // a command ran while another did, or without the lock
    std::atomic<int> failEnters{0};       // the next enters that fail, once release is set
    std::atomic<bool> blockFirst{false};  // the next enter waits for release
    std::atomic<bool> release{false};
    std::mutex lock;
    std::vector<uint32_t> order;                 // guarded by lock
    std::vector<std::thread::id> ranOnThreadOf;  // guarded by lock
    std::map<uint32_t, char> outcome;            // 'r' run, 'x' refused; guarded by lock
} g_section;

CommandQueue* g_queue = nullptr;

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

void Leave() { g_section.held = false; }

void RunOne(Rre* rre) {
    if (++g_section.running != 1 || !g_section.held) ++g_section.overlaps;
    {
        std::lock_guard<std::mutex> g(g_section.lock);
        g_section.order.push_back(rre->Length);
        g_section.ranOnThreadOf.push_back(std::this_thread::get_id());
        g_section.outcome[rre->Length] = 'r';
    }
    --g_section.running;
    // A command that issues another: it runs at once, on this thread, the lock still held.
    if (rre->BufferSize == 1) {
        Rre inner{kDatabaseCode, rre->Length + 100, nullptr, 0, 0, 0};
        g_queue->Run(&inner);
    }
}

void Refuse(Rre* rre) {
    std::lock_guard<std::mutex> g(g_section.lock);
    g_section.outcome[rre->Length] = 'x';
}

bool FromDatabase(const Rre* rre) { return rre->Command == kDatabaseCode; }

class CommandQueueTest : public ::testing::Test {
  protected:
    void SetUp() override { UseTurnRuns(16); }
    void TearDown() override { g_queue = nullptr; }

    void UseTurnRuns(int turnRuns) {
        queue_ = std::make_unique<CommandQueue>(SerialSection{Enter, Leave, RunOne, Refuse, FromDatabase},
                                                turnRuns);
        g_queue = queue_.get();
        g_section.held = false;
        g_section.running = 0;
        g_section.overlaps = 0;
        g_section.failEnters = 0;
        g_section.blockFirst = false;
        g_section.release = false;
        g_section.order.clear();
        g_section.ranOnThreadOf.clear();
        g_section.outcome.clear();
    }

    // Starts one thread per code, in order: the first one's runner waits for the lock until every other
    // command has queued behind it (or, with failEnters set, fails to take it then). Returns once all
    // have run.
    void RunQueued(const std::vector<uint32_t>& codes) {
        const size_t base = g_section.order.size();
        commands_.clear();
        for (size_t i = 0; i < codes.size(); ++i) {
            commands_.push_back(Rre{codes[i], static_cast<uint32_t>(base + i), nullptr, 0, 0, 0});
        }
        if (g_section.failEnters == 0) g_section.blockFirst = true;
        for (size_t i = 0; i < codes.size(); ++i) {
            threads_.emplace_back([this, i] { queue_->Run(&commands_[i]); });
            threadIds_.push_back(threads_.back().get_id());
            while (queue_->Waiting() < static_cast<int>(i + 1)) std::this_thread::yield();
        }
        g_section.release = true;
        for (auto& t : threads_) t.join();
        threads_.clear();
        start_ = base;
    }

    // For each command of RunQueued in the order they ran: the index of the command whose thread ran it.
    std::vector<int> RunBy() {
        std::vector<int> runners;
        for (size_t k = start_; k < g_section.ranOnThreadOf.size(); ++k) {
            for (size_t i = 0; i < threadIds_.size(); ++i) {
                if (threadIds_[i] == g_section.ranOnThreadOf[k]) runners.push_back(static_cast<int>(i));
            }
        }
        return runners;
    }

    std::vector<uint32_t> Order() { return {g_section.order.begin() + start_, g_section.order.end()}; }

    std::unique_ptr<CommandQueue> queue_;
    std::vector<Rre> commands_;
    std::vector<std::thread> threads_;
    std::vector<std::thread::id> threadIds_;
    size_t start_ = 0;
};

std::vector<uint32_t> Numbers(uint32_t from, uint32_t to) {
    std::vector<uint32_t> numbers;
    for (uint32_t i = from; i < to; ++i) numbers.push_back(i);
    return numbers;
}

// Sessions whose commands mix both kinds, so that runners both take commands on and leave them.
TEST_F(CommandQueueTest, ManySessionsRunEveryCommandOnceAndAlone) {
    constexpr int kThreads = 16;
    constexpr int kCommandsEach = 300;  // far more than a turn: runners must hand the queue on
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCommandsEach; ++i) {
                const uint32_t code = (t + i) % 5 == 0 ? kControllerCode : kDatabaseCode;
                Rre rre{code, static_cast<uint32_t>(t * kCommandsEach + i), nullptr, 0, 0, 0};
                queue_->Run(&rre);
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(g_section.outcome.size(), static_cast<size_t>(kThreads * kCommandsEach));
    EXPECT_EQ(g_section.overlaps.load(), 0);
    EXPECT_FALSE(g_section.held.load());
    EXPECT_EQ(queue_->Waiting(), 0);
    ASSERT_EQ(g_section.order.size(), static_cast<size_t>(kThreads * kCommandsEach));
    std::vector<int> next(kThreads, 0);  // each session's commands ran in its own order
    for (uint32_t name : g_section.order) {
        const int t = static_cast<int>(name) / kCommandsEach;
        EXPECT_EQ(static_cast<int>(name) % kCommandsEach, next[t]++);
    }
}

// A runner runs the database commands queued behind its own, in arrival order, until its turn's count; the
// thread of the next command then runs on.
TEST_F(CommandQueueTest, QueuedCommandsRunInArrivalOrderInTurnsOfTheirCount) {
    UseTurnRuns(4);
    RunQueued(std::vector<uint32_t>(10, kDatabaseCode));
    EXPECT_EQ(Order(), Numbers(0, 10));
    EXPECT_EQ(RunBy(), (std::vector<int>{0, 0, 0, 0, 4, 4, 4, 4, 8, 8}));
    EXPECT_EQ(g_section.overlaps.load(), 0);
}

// A command that talks to a controller is left to its own thread, whatever its place: the runner's own
// reply never waits for it. That thread runs the database commands behind it.
TEST_F(CommandQueueTest, CommandsThatTalkToAControllerRunOnTheirOwnThreads) {
    RunQueued({kDatabaseCode, kDatabaseCode, kControllerCode, kDatabaseCode, kControllerCode, kDatabaseCode});
    EXPECT_EQ(Order(), Numbers(0, 6));
    EXPECT_EQ(RunBy(), (std::vector<int>{0, 0, 2, 2, 4, 4}));
}

TEST_F(CommandQueueTest, ARunnerThatCannotTakeTheLockRefusesOnlyItsOwnCommand) {
    g_section.failEnters = 1;
    RunQueued({kDatabaseCode, kDatabaseCode, kDatabaseCode});
    EXPECT_EQ(g_section.outcome[0], 'x');
    EXPECT_EQ(g_section.outcome[1], 'r');
    EXPECT_EQ(g_section.outcome[2], 'r');
    EXPECT_EQ(Order(), Numbers(1, 3));
    EXPECT_EQ(RunBy(), (std::vector<int>{1, 1}));
    EXPECT_FALSE(g_section.held.load());
}

TEST_F(CommandQueueTest, ACommandIssuedByARunningCommandRunsAtOnce) {
    Rre outer{kDatabaseCode, 1, nullptr, 1, 0, 0};  // BufferSize 1: it issues command 101
    queue_->Run(&outer);
    EXPECT_EQ(g_section.order, (std::vector<uint32_t>{1, 101}));
    EXPECT_EQ(queue_->Waiting(), 0);
}

}  // namespace
