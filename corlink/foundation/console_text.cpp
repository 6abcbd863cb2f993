#include "corlink/foundation/console_text.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/system/standard_output.h"

namespace {

// Past this many queued bytes (the standard output does not take them), further lines are dropped and
// counted; the count is queued where the gap is once the queue has drained below half of it.
constexpr size_t kMaxQueuedBytes = 1 << 20;
// A deferral holds back at most this much: a long command's lines leave as they grow past it.
constexpr size_t kMaxDeferredBytes = 256 << 10;
// How long the drain thread waits for the output at a time before it looks at the queue again.
constexpr uint32_t kDrainWaitMs = 250;
// How long the exit waits for a thread that is writing, and for the output to take what is left.
constexpr auto kExitWaitForWriter = std::chrono::seconds(2);
constexpr auto kExitWaitForOutput = std::chrono::milliseconds(500);

thread_local int t_deferrals = 0;

struct ConsoleText {
    std::mutex lock;
    std::condition_variable drained;   // a writer stopped writing
    std::condition_variable leftOver;  // a writer left text the output did not take
    // All guarded by lock.
    std::string queued;
    bool writing = false;  // a thread is writing queued text out
    bool pending = false;  // the output did not take all the queue: the drain thread writes it on
    bool drainStarted = false;
    bool closed = false;             // the output is gone for good: text is discarded
    unsigned long long dropped = 0;  // lines dropped since the queue was last full
};

void WriteOutAtExit();

ConsoleText& Console() {
    // Used by threads that may outlive static destruction, and by the exit's own writing.
    static ConsoleText* console = [] {
        std::atexit(WriteOutAtExit);
        return new ConsoleText;
    }();
    return *console;
}

size_t LinesIn(const char* text, size_t length) {
    const size_t lines = static_cast<size_t>(std::count(text, text + length, '\n'));
    return lines > 0 ? lines : 1;
}

// Lock held: queues text, or counts its lines as dropped when the queue is full. Once lines are dropped,
// the following ones are too until the queue has drained below half its bound; then the count goes into
// the queue first, where the gap is.
void Enqueue(ConsoleText& console, const char* text) {
    if (console.closed) return;
    const size_t length = std::strlen(text);
    const size_t room = console.dropped > 0 ? kMaxQueuedBytes / 2 : kMaxQueuedBytes;
    if (console.queued.size() + length > room) {
        console.dropped += LinesIn(text, length);
        return;
    }
    if (console.dropped > 0) {
        char notice[96];
        std::snprintf(notice, sizeof notice, "[%llu console lines dropped: the output did not take them]\n",
                      console.dropped);
        console.queued.append(notice);
        console.dropped = 0;
    }
    console.queued.append(text, length);
}

void DrainLoop();

// Lock held and the caller the writer: writes out the queue as far as the output takes it at once. What
// it does not take stays at the head of the queue, for the drain thread; a write that failed loses the
// text it was writing, and the text queued since is tried next, unless the output is gone for good
// (closed): then the queue is discarded, and every later text.
void WriteQueued(ConsoleText& console, std::unique_lock<std::mutex>& lock) {
    while (!console.queued.empty() && !console.closed) {
        std::string text;
        text.swap(console.queued);
        lock.unlock();
        size_t done = 0;
        long n = 0;
        while (done < text.size() &&
               (n = platform::WriteStandardOutputNow(text.data() + done, text.size() - done)) > 0) {
            done += static_cast<size_t>(n);
        }
        lock.lock();
        if (n == platform::kStandardOutputClosed) {
            console.closed = true;
            console.queued.clear();
        } else if (n < 0) {
            continue;  // this text is lost; what others queued meanwhile is tried
        } else if (done < text.size()) {
            console.queued.insert(0, text, done, std::string::npos);  // before what others queued meanwhile
            console.pending = true;
            if (!console.drainStarted) {
                console.drainStarted = true;
                std::thread(DrainLoop).detach();  // lives as long as the process
            }
            return;
        }
    }
    console.pending = false;
}

void StopWriting(ConsoleText& console) {
    console.writing = false;
    console.drained.notify_all();
    if (console.pending) console.leftOver.notify_one();
}

// Lock held: waits (up to bound, when given) until no other thread writes, then becomes the writer. A
// writer never waits for the output, so its turn is short.
bool BecomeWriter(ConsoleText& console, std::unique_lock<std::mutex>& lock,
                  const std::chrono::steady_clock::duration* bound) {
    if (bound == nullptr) {
        console.drained.wait(lock, [&] { return !console.writing; });
    } else if (!console.drained.wait_for(lock, *bound, [&] { return !console.writing; })) {
        return false;
    }
    console.writing = true;
    return true;
}

// Writes out what the output did not take, as it takes it, while no other thread writes.
void DrainLoop() {
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    for (;;) {
        console.leftOver.wait(lock, [&] { return console.pending && !console.writing; });
        lock.unlock();
        platform::WaitForStandardOutput(kDrainWaitMs);
        lock.lock();
        if (console.writing || !console.pending) continue;
        console.writing = true;
        WriteQueued(console, lock);
        console.writing = false;
        console.drained.notify_all();
    }
}

// Lock held: writes the queue out unless another thread is writing (it takes this text too), the drain
// thread waits for the output already, or a deferral on this thread holds it back and it is still small.
void WriteOutUnlessHeld(ConsoleText& console, std::unique_lock<std::mutex>& lock) {
    if (console.writing || console.pending) return;
    if (t_deferrals > 0 && console.queued.size() < kMaxDeferredBytes) return;
    console.writing = true;
    WriteQueued(console, lock);
    if (!console.pending) std::fflush(stdout);  // and what was printed to it directly
    StopWriting(console);
}

// Text queued just before the exit, which a thread that was writing may not have reached.
void WriteOutAtExit() {
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    const std::chrono::steady_clock::duration bound = kExitWaitForWriter;
    if (!BecomeWriter(console, lock, &bound)) return;
    const auto deadline = std::chrono::steady_clock::now() + kExitWaitForOutput;
    WriteQueued(console, lock);
    while (console.pending && std::chrono::steady_clock::now() < deadline) {
        lock.unlock();
        platform::WaitForStandardOutput(kDrainWaitMs);
        lock.lock();
        WriteQueued(console, lock);
    }
    console.pending = false;  // the drain thread has nothing more to do
    StopWriting(console);
}

}  // namespace

ConsoleFlushDeferral::ConsoleFlushDeferral() { ++t_deferrals; }

ConsoleFlushDeferral::~ConsoleFlushDeferral() {
    if (--t_deferrals == 0) FlushConsole();
}

void FlushConsole() {
    if (t_deferrals > 0) return;
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    WriteOutUnlessHeld(console, lock);
}

void ConsoleWrite(const char* text) {
    if (text == nullptr) return;
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    Enqueue(console, text);
    WriteOutUnlessHeld(console, lock);
}

void ConsoleWritef(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    const int n = FormatArgs(text, sizeof text, format, args);
    va_end(args);
    if (n >= 0) ConsoleWrite(text);
}

void ConsoleWriteDirectly(const std::function<void()>& write, const char* plainText) {
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    BecomeWriter(console, lock, nullptr);
    WriteQueued(console, lock);
    if (console.pending || console.closed) {
        // The output does not take text now: the line waits in the queue as plain text, or is dropped.
        Enqueue(console, plainText);
        StopWriting(console);
        return;
    }
    lock.unlock();
    write();
    std::fflush(stdout);
    lock.lock();
    WriteQueued(console, lock);  // what others queued meanwhile, which they left to this writer
    StopWriting(console);
}
