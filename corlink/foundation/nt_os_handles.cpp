// The operating-system layer's helpers that the proxy itself does not use.
#include <mutex>

#include "corlink/foundation/nt_os.h"
#include "platform/files/file_io.h"
#include "platform/net/mailslot.h"
#include "platform/system/process.h"
#include "platform/windows_api.h"

namespace {

// Ticks added for each wrap of the 32-bit millisecond counter (2^32 ms in 10-ms ticks).
constexpr uint32_t kTicksPerWrap = 0x19999999;

struct TickState {
    std::mutex lock;
    DWORD lastMs = 0;
    uint32_t wrapTicks = 0;
};

TickState& Ticks() {
    static TickState state;
    return state;
}

}  // namespace

void* os_AllocBlock(uint32_t nBytes) { return os_Alloc(nBytes); }

HANDLE os_CreateNamedEvent(const char* name) {
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};  // null access list, inheritable
    return CreateEventA(&sa, FALSE, FALSE, name);
}

HANDLE os_CreateEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

HANDLE os_OpenEvent(const char* name) { return OpenEventA(EVENT_MODIFY_STATE, FALSE, name); }

HANDLE os_OpenSemaphore(const char* name) { return OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name); }

BOOL os_SetEvent(HANDLE event) { return event != nullptr ? SetEvent(event) : FALSE; }

HANDLE os_StartThread(unsigned (*start)(void*)) { return os_BeginThread(start, nullptr); }

HANDLE os_OpenFile(const char* name) {
    const HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

uint32_t os_ReadFile(HANDLE file, void* buffer, uint32_t count) {
    DWORD done = 0;
    return file != nullptr && ReadFile(file, buffer, count, &done, nullptr) ? done : 0;
}

uint32_t os_WriteFile(HANDLE file, const void* buffer, uint32_t count) {
    DWORD done = 0;
    return file != nullptr && WriteFile(file, buffer, count, &done, nullptr) ? done : 0;
}

uint32_t os_GetTicks() {
    TickState& state = Ticks();
    const std::lock_guard<std::mutex> hold(state.lock);
    const DWORD now = GetTickCount();
    if (now < state.lastMs) state.wrapTicks += kTicksPerWrap;
    state.lastMs = now;
    return now / 10 + state.wrapTicks;
}

HANDLE os_CreateMailslot(const char* name) {
    SECURITY_ATTRIBUTES sa{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};  // null access list, inheritable
    const HANDLE slot = CreateMailslotA(name, 0, 0, &sa);
    return slot == INVALID_HANDLE_VALUE ? nullptr : slot;
}

void os_ExitThread(uint32_t exitCode) { ExitThread(exitCode); }

int os_RunProgram(char* commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    return CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                          nullptr, &startup, &started)
               ? 1
               : 0;
}
