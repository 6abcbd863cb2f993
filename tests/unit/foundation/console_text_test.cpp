#include "corlink/foundation/console_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
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
    // Waits (at most 10 s) until a writer has filled the pipe; true when it has.
    bool WaitUntilFull() {
        const int capacity = ::fcntl(ends_[0], F_GETPIPE_SZ);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int queued = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::ioctl(ends_[0], FIONREAD, &queued) == 0 && queued >= capacity) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
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

// Standard output's descriptor pointed at a file or device for one test.
class StdoutToFile {
  public:
    explicit StdoutToFile(const char* path) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::close(fd);
        }
    }
    ~StdoutToFile() {
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }

  private:
    int saved_ = -1;
};

// A thread whose text finds another thread writing (here stalled on a full pipe) leaves it queued and goes
// on; the writer writes it out after its own, nothing lost and in order.
TEST(ConsoleTextTest, AThreadFindingAnotherWritingGoesOnAndItsTextFollows) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "needs the standard output redirected";
    const std::string big(256 * 1024, 'a');  // more than the pipe holds: its writer stalls
    bool stalledFirst = false;
    bool returned = false;
    std::string text;
    {
        StdoutToPipe out;
        std::thread stalled([&] { ConsoleWrite((big + "\n").c_str()); });
        stalledFirst = out.WaitUntilFull();
        std::atomic<bool> otherReturned{false};
        std::thread other([&] {
            ConsoleWrite("after\n");
            otherReturned = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!otherReturned && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        returned = otherReturned;  // while the first writer is still stalled
        text = out.Read(big.size() + 7);
        stalled.join();
        other.join();
    }
    ASSERT_TRUE(stalledFirst);
    EXPECT_TRUE(returned);
    EXPECT_TRUE(text == big + "\nafter\n") << text.size() << " bytes";
}

// Text another thread queues while a line is written directly follows that line out.
TEST(ConsoleTextTest, TextQueuedDuringADirectWriteFollowsIt) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "needs the standard output redirected";
    std::string text;
    {
        StdoutToPipe out;
        ConsoleWriteDirectly(
            [] {
                // finds a writer: returns at once
                std::thread other([] { ConsoleWrite("queued meanwhile\n"); });
                other.join();
                std::fputs("direct\n", stdout);
            },
            "direct\n");
        text = out.Read(24);
    }
    EXPECT_EQ(text, "direct\nqueued meanwhile\n");
}

// Text still queued when the program exits (a deferral that never ended) is written out. The exit runs in
// a fresh process of this test alone.
TEST(ConsoleTextTest, TextQueuedAtTheExitIsWrittenOut) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto pathFor = [](pid_t test) {
        return ::testing::TempDir() + "/console_exit_" + std::to_string(test) + ".txt";
    };
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            FILE* file = std::fopen(pathFor(::getppid()).c_str(), "w");
            ::dup2(::fileno(file), STDOUT_FILENO);
            ConsoleFlushDeferral deferred;
            ConsoleWrite("queued\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string path = pathFor(::getpid());
    EXPECT_EQ(testsupport::ReadWholeFile(path), "queued\n");
    std::remove(path.c_str());
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

// A write that fails for the moment (a full disk) loses its own text only: the console writes the next
// text once the output takes it again.
TEST(ConsoleTextTest, AWriteThatFailsForTheMomentLosesOnlyItsOwnText) {
    {
        StdoutToFile full("/dev/full");  // every write fails with ENOSPC
        ConsoleWrite("lost\n");
    }
    std::string text;
    {
        StdoutToPipe out;
        ConsoleWrite("after\n");
        text = out.Read(6);
    }
    EXPECT_EQ(text, "after\n");
}

// Far more text than a stalled output and the queue hold: every write returns, the lines beyond the queue's
// bound are dropped and counted, and once the output takes text again the count follows what it took. Every
// line is either written or counted.
TEST(ConsoleTextTest, LinesAStalledOutputDoesNotTakeAreDroppedAndCounted) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "needs the standard output redirected";
    const std::string line = std::string(99, 'x') + "\n";
    constexpr int kLines = 30000;  // 3 MB: more than the pipe and the queue's bound together
    std::string text;
    size_t probesSent = 0;
    bool returnedInTime = false;
    {
        StdoutToPipe out;
        std::atomic<bool> returned{false};
        std::thread writer([&] {
            for (int i = 0; i < kLines; ++i) ConsoleWrite(line.c_str());
            returned = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!returned && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        returnedInTime = returned;
        if (!returnedInTime) {
            out.Read(kLines * line.size());  // lets the writer end
            writer.join();
        }
        // Read on, a probe line at a time, until the count has come; then an end mark follows it.
        const auto readDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (returnedInTime && text.find("dropped") == std::string::npos &&
               std::chrono::steady_clock::now() < readDeadline) {
            ConsoleWrite("probe\n");
            ++probesSent;
            text += out.Read(1);
        }
        ConsoleWrite("end\n");
        while (text.find("end\n") == std::string::npos && std::chrono::steady_clock::now() < readDeadline)
            text += out.Read(1);
        if (writer.joinable()) writer.join();
    }
    ASSERT_TRUE(returnedInTime) << "a write waited for the stalled output";
    size_t written = 0, probes = 0;
    unsigned long long dropped = 0;
    for (size_t at = 0, next = 0; at < text.size(); at = next + 1) {
        next = text.find('\n', at);
        if (next == std::string::npos) break;
        const std::string got = text.substr(at, next - at + 1);
        if (got == line) {
            ++written;
        } else if (got == "probe\n") {
            ++probes;
        } else {
            unsigned long long count = 0;
            if (std::sscanf(got.c_str(), "[%llu console lines dropped", &count) == 1) dropped += count;
        }
    }
    ASSERT_NE(text.find("end\n"), std::string::npos);
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(written + probes + dropped, static_cast<unsigned long long>(kLines) + probesSent);
}

// A deferral that lasts (a long command) holds back no more than a bound: past it its text is written out
// while the deferral still lives.
TEST(ConsoleTextTest, ADeferralWritesOutTextPastItsBound) {
    if (::isatty(STDOUT_FILENO)) GTEST_SKIP() << "needs the standard output redirected";
    const std::string line = std::string(1023, 'y') + "\n";
    constexpr size_t kBytes = 300 * 1024;
    std::string whileDeferred, text;
    {
        StdoutToPipe out;
        std::atomic<bool> commandMayEnd{false};
        std::thread command([&] {
            ConsoleFlushDeferral deferral;
            for (size_t i = 0; i < kBytes / line.size(); ++i) ConsoleWrite(line.c_str());
            while (!commandMayEnd) std::this_thread::yield();
        });
        whileDeferred = out.Read(64 * 1024);
        commandMayEnd = true;
        text = whileDeferred + out.Read(kBytes - whileDeferred.size());
        command.join();
    }
    EXPECT_GE(whileDeferred.size(), 64u * 1024) << "text held back past the bound";
    EXPECT_EQ(text.size(), kBytes);
}

}  // namespace
