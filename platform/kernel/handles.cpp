#include "platform/kernel/handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/kernel/last_error.h"

namespace platform {
namespace {

struct HandleTable {
    std::mutex m;
    std::unordered_map<uintptr_t, std::shared_ptr<Object>> entries;
    uintptr_t next = 0x1000;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // outlives every static that closes handles at exit
    return *table;
}

}  // namespace

HANDLE NewHandle(std::shared_ptr<Object> object) {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> g(t.m);
    t.next += 4;  // Windows handles are multiples of 4
    t.entries.emplace(t.next, std::move(object));
    return reinterpret_cast<HANDLE>(t.next);
}

std::shared_ptr<Object> LookupHandle(HANDLE handle) {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> g(t.m);
    auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.entries.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<platform::Object> doomed;  // destroyed outside the table lock
    platform::HandleTable& t = platform::Table();
    std::lock_guard<std::mutex> g(t.m);
    auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.entries.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    doomed = std::move(it->second);
    t.entries.erase(it);
    return TRUE;
}
