// COM task memory: the blocks that COM callers and callees hand each other. Every block is counted, so a
// test can see that everything handed out was freed, and a test can make allocations fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/win_types.h"

using SIZE_T = size_t;

// Null when the block cannot be had (or a test made this allocation fail).
LPVOID CoTaskMemAlloc(SIZE_T size);
// Frees a block of CoTaskMemAlloc; null is ignored.
void CoTaskMemFree(LPVOID block);

namespace platform {

struct TaskMemoryAccount {
    uint64_t allocations = 0;  // successful CoTaskMemAlloc calls
    uint64_t frees = 0;        // CoTaskMemFree calls with a block
    uint64_t liveBlocks = 0;
    uint64_t liveBytes = 0;
};

TaskMemoryAccount TaskMemory();

// Called before every CoTaskMemAlloc with the size asked for; returning false makes that allocation fail.
// An empty function removes the hook.
using TaskMemoryHook = std::function<bool(SIZE_T size)>;
void SetTaskMemoryHook(TaskMemoryHook hook);

}  // namespace platform
