#include "platform/system/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex g_sinkLock;
platform::DebugOutputSink* g_sink = nullptr;

}  // namespace

void OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) return;
    std::lock_guard<std::mutex> g(g_sinkLock);
    if (g_sink != nullptr && *g_sink) {
        (*g_sink)(text);
        return;
    }
    static const bool toStderr = std::getenv("CORLINK_DEBUGGER_OUTPUT") != nullptr;
    if (toStderr) std::fputs(text, stderr);
}

int MessageBoxA(void*, LPCSTR text, LPCSTR caption, UINT) {
    std::fprintf(stderr, "[%s] %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
    return 1;  // IDOK
}

namespace platform {

void SetDebugOutputSink(DebugOutputSink sink) {
    std::lock_guard<std::mutex> g(g_sinkLock);
    delete g_sink;
    g_sink = sink ? new DebugOutputSink(std::move(sink)) : nullptr;
}

}  // namespace platform
