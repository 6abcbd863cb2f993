#include "corlink/service/console_text.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/test_root.h"

namespace {

// Standard output's descriptor pointed at a pipe for one test; the test reads the other end.
class StdoutToPipe {
  public:
    StdoutToPipe() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        if (::pipe(ends_) == 0) ::dup2(ends_[1], STDOUT_FILENO);
    }
    ~StdoutToPipe() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        ::close(ends_[0]);
        ::close(ends_[1]);
    }
    // Reads until `count` bytes have come, or for at most 10 s.
    std::string Read(size_t count) {
        std::string text;
        char buffer[65536];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (text.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd readable{ends_[0], POLLIN, 0};
            if (::poll(&readable, 1, 100) <= 0) continue;
            const ssize_t n = ::read(ends_[0], buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }

  private:
    int saved_ = -1;
    int ends_[2] = {-1, -1};
};

// A thread whose text finds another thread writing (here stalled on a full pipe) leaves it queued and goes
// on; the writer writes it out after its own, nothing lost and in order.
TEST(ConsoleTextTest, AThreadFindingAnotherWritingGoesOnAndItsTextFollows) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "needs the standard output redirected";
    StdoutToPipe out;
    const std::string big(256 * 1024, 'a');  // more than the pipe holds: its writer stalls
    std::thread stalled([&] { ConsoleWrite((big + "\n").c_str()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::atomic<bool> returned{false};
    std::thread other([&] {
        ConsoleWrite("after\n");
        returned = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!returned && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_TRUE(returned.load());  // while the first writer is still stalled
    const std::string text = out.Read(big.size() + 7);
    stalled.join();
    other.join();
    EXPECT_EQ(text, big + "\nafter\n");
}

// Text still queued when the program exits (a deferral that never ended) is written out.
TEST(ConsoleTextTest, TextQueuedAtTheExitIsWrittenOut) {
    testsupport::TestRoot root;
    const std::string path = root.path() + "/out.txt";
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        FILE* file = std::fopen(path.c_str(), "w");
        ::dup2(::fileno(file), STDOUT_FILENO);
        ConsoleFlushDeferral deferred;
        ConsoleWrite("queued\n");
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(testsupport::ReadWholeFile(path), "queued\n");
}

// What code prints to the standard output directly leaves at the next write-out, after the text queued
// before it.
TEST(ConsoleTextTest, AWriteOutFlushesWhatWasPrintedDirectly) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "needs the standard output redirected";
    StdoutToPipe out;
    {
        ConsoleFlushDeferral deferred;
        ConsoleWrite("queued\n");
    }
    std::printf("direct\n");
    FlushConsole();
    EXPECT_EQ(out.Read(14), "queued\ndirect\n");
}

}  // namespace
