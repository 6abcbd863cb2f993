#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/broken_pipe.h"
#include "platform/clock.h"
#include "platform/command_line_words.h"
#include "platform/handles.h"
#include "platform/kernel_objects.h"
#include "platform/last_error.h"
#include "platform/machine_root.h"
#include "platform/sync.h"

extern char** environ;

using platform::dispatch::ThreadObject;

namespace {

constexpr DWORD kEndedBySignal = 1;

// Waits for the child outside virtual time and signals its handles with its exit status.
void Reap(pid_t child, std::shared_ptr<ThreadObject> process, std::shared_ptr<ThreadObject> thread) {
    std::thread([child, process, thread] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        const DWORD code = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : kEndedBySignal;
        std::lock_guard<std::mutex> g(platform::WaitLock());
        process->End(code);
        thread->End(code);
    }).detach();
}

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, char* commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                    DWORD, void*, LPCSTR, STARTUPINFOA*, PROCESS_INFORMATION* processInformation) {
    std::vector<std::string> words =
        commandLine != nullptr ? platform::SplitCommandLine(commandLine) : std::vector<std::string>{};
    if (applicationName != nullptr || words.empty() || processInformation == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    words[0] = platform::MapPath(words[0]);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    posix_spawnattr_t attributes;
    const bool withAttributes = platform::InitChildSpawnAttributes(&attributes);
    const int spawned =
        ::posix_spawn(&child, argv[0], nullptr, withAttributes ? &attributes : nullptr, argv.data(), environ);
    if (withAttributes) posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    auto process = std::make_shared<ThreadObject>();
    auto thread = std::make_shared<ThreadObject>();
    processInformation->hProcess = platform::NewHandle(process);
    processInformation->hThread = platform::NewHandle(thread);
    processInformation->dwProcessId = static_cast<DWORD>(child);
    processInformation->dwThreadId = static_cast<DWORD>(child);
    Reap(child, process, thread);
    return TRUE;
}

// A process handle is signalled and read like a thread's.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) { return GetExitCodeThread(process, exitCode); }
