#include "platform/com/com_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// Each block carries its size in front, so that a free can take it off the live count.
constexpr size_t kPrefix = alignof(std::max_align_t);

std::mutex g_lock;
platform::TaskMemoryAccount g_account;
platform::TaskMemoryHook g_hook;

}  // namespace

LPVOID CoTaskMemAlloc(SIZE_T size) {
    platform::TaskMemoryHook hook;
    {
        std::lock_guard<std::mutex> g(g_lock);
        hook = g_hook;
    }
    if (hook && !hook(size)) return nullptr;
    if (size > SIZE_MAX - kPrefix) return nullptr;
    auto* raw = static_cast<unsigned char*>(std::malloc(size + kPrefix));
    if (raw == nullptr) return nullptr;
    std::memcpy(raw, &size, sizeof size);
    std::lock_guard<std::mutex> g(g_lock);
    ++g_account.allocations;
    ++g_account.liveBlocks;
    g_account.liveBytes += size;
    return raw + kPrefix;
}

void CoTaskMemFree(LPVOID block) {
    if (block == nullptr) return;
    auto* raw = static_cast<unsigned char*>(block) - kPrefix;
    size_t size;
    std::memcpy(&size, raw, sizeof size);
    {
        std::lock_guard<std::mutex> g(g_lock);
        ++g_account.frees;
        --g_account.liveBlocks;
        g_account.liveBytes -= size;
    }
    std::free(raw);
}

namespace platform {

TaskMemoryAccount TaskMemory() {
    std::lock_guard<std::mutex> g(g_lock);
    return g_account;
}

void SetTaskMemoryHook(TaskMemoryHook hook) {
    std::lock_guard<std::mutex> g(g_lock);
    g_hook = std::move(hook);
}

}  // namespace platform
