#include "corlink/service/console_text.h"

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>


namespace {

// Past this many queued bytes (the standard output stalled), writers wait for the queue to drain.
constexpr size_t kMaxQueuedBytes = 1 << 20;
// How long the exit waits for a thread that is writing before it writes what is left itself.
constexpr auto kExitWaitForWriter = std::chrono::seconds(2);

thread_local int t_deferrals = 0;
thread_local bool t_writer = false;  // this thread is the one writing the queue out

struct ConsoleText {
    std::mutex lock;
    std::condition_variable drained;  // a writer took the queue, or stopped writing
    std::string queued;               // guarded by lock
    bool writing = false;             // a thread is writing queued text out; guarded by lock
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

// Lock held and the caller the writer: writes out the queue until it is empty.
void WriteQueued(ConsoleText& console, std::unique_lock<std::mutex>& lock) {
    while (!console.queued.empty()) {
        std::string text;
        text.swap(console.queued);
        console.drained.notify_all();
        lock.unlock();
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        lock.lock();
    }
}

// Lock held, nobody writing: the calling thread becomes the writer.
void StartWriting(ConsoleText& console) {
    console.writing = true;
    t_writer = true;
}

// Lock held: waits (up to bound, when given) until no other thread writes, then becomes the writer. Like
// the wait of a full queue, it waits for another thread's write to the standard output, which needs no
// clock time to end: it is not counted as blocked on the clock.
bool BecomeWriter(ConsoleText& console, std::unique_lock<std::mutex>& lock,
                  const std::chrono::steady_clock::duration* bound) {
    if (bound == nullptr) {
        console.drained.wait(lock, [&] { return !console.writing; });
    } else if (!console.drained.wait_for(lock, *bound, [&] { return !console.writing; })) {
        return false;
    }
    StartWriting(console);
    return true;
}

void StopWriting(ConsoleText& console) {
    console.writing = false;
    t_writer = false;
    console.drained.notify_all();
}

// Text queued just before the exit, which a thread that was writing may not have reached.
void WriteOutAtExit() {
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    const std::chrono::steady_clock::duration bound = kExitWaitForWriter;
    if (!BecomeWriter(console, lock, &bound)) return;
    WriteQueued(console, lock);
    StopWriting(console);
}

}  // namespace

ConsoleFlushDeferral::ConsoleFlushDeferral() {
    ++t_deferrals;
}

ConsoleFlushDeferral::~ConsoleFlushDeferral() {
    if (--t_deferrals == 0) FlushConsole();
}

void FlushConsole() {
    if (t_deferrals > 0) return;
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    if (console.writing) return;  // the writer takes this thread's text too
    StartWriting(console);
    WriteQueued(console, lock);
    std::fflush(stdout);  // and what was printed to it directly
    StopWriting(console);
}

void ConsoleWrite(const char* text) {
    if (text == nullptr) return;
    ConsoleText& console = Console();
    {
        std::unique_lock<std::mutex> lock(console.lock);
        if (console.writing && !t_writer && console.queued.size() >= kMaxQueuedBytes) {
            console.drained.wait(lock, [&] { return !console.writing || console.queued.size() < kMaxQueuedBytes; });
        }
        console.queued.append(text);
    }
    FlushConsole();
}

void ConsoleWritef(const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    const int n = FormatArgs(text, sizeof text, format, args);
    va_end(args);
    if (n >= 0) ConsoleWrite(text);
}

void ConsoleWriteDirectly(const std::function<void()>& write) {
    ConsoleText& console = Console();
    std::unique_lock<std::mutex> lock(console.lock);
    BecomeWriter(console, lock, nullptr);
    WriteQueued(console, lock);
    lock.unlock();
    write();
    std::fflush(stdout);
    lock.lock();
    WriteQueued(console, lock);  // what others queued meanwhile, which they left to this writer
    StopWriting(console);
}
