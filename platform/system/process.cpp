#include "platform/system/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/machine_root.h"
#include "platform/files/regular_files.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/kernel_objects.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/wait_machinery.h"
#include "platform/net/broken_pipe.h"
#include "platform/system/command_line_words.h"
#include "platform/time/clock.h"

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
        platform::DeferredWakes afterUnlock(platform::DeferredWakes::Then::GoOn);
        std::lock_guard<std::mutex> g(platform::WaitLock());
        process->End(code);
        thread->End(code);
    }).detach();
}

// The child's standard input, output and error as STARTUPINFOA gives them (null: the parent's own).
class StandardHandles {
  public:
    StandardHandles(const STARTUPINFOA* startup, BOOL inherit) {
        if (startup == nullptr || (startup->dwFlags & STARTF_USESTDHANDLES) == 0) return;
        ::posix_spawn_file_actions_init(&actions_);
        used_ = true;
        const HANDLE handles[] = {startup->hStdInput, startup->hStdOutput, startup->hStdError};
        for (int fd = 0; fd < 3; ++fd) {
            const bool given = inherit && handles[fd] != nullptr && handles[fd] != INVALID_HANDLE_VALUE;
            files_[fd] = given ? platform::LookupHandleAs<platform::RegularFile>(handles[fd]) : nullptr;
            if (files_[fd]) {
                ::posix_spawn_file_actions_adddup2(&actions_, files_[fd]->Descriptor(), fd);
            } else {
                ::posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                                   0);
            }
        }
    }
    ~StandardHandles() {
        if (used_) ::posix_spawn_file_actions_destroy(&actions_);
    }
    StandardHandles(const StandardHandles&) = delete;
    StandardHandles& operator=(const StandardHandles&) = delete;
    const posix_spawn_file_actions_t* Actions() const { return used_ ? &actions_ : nullptr; }

  private:
    posix_spawn_file_actions_t actions_{};
    bool used_ = false;
    // Held until the spawn is done, so that a handle closed meanwhile cannot free or reuse the descriptor.
    decltype(platform::LookupHandleAs<platform::RegularFile>(nullptr)) files_[3];
};

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, char* commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                    BOOL inheritHandles, DWORD, void*, LPCSTR, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation) {
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
    StandardHandles standard(startupInfo, inheritHandles);
    pid_t child = -1;
    posix_spawnattr_t attributes;
    const bool withAttributes = platform::InitChildSpawnAttributes(&attributes);
    const int spawned = ::posix_spawn(&child, argv[0], standard.Actions(),
                                      withAttributes ? &attributes : nullptr, argv.data(), environ);
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

namespace {
std::atomic<UINT> g_ErrorMode{0};
}  // namespace

UINT SetErrorMode(UINT mode) { return g_ErrorMode.exchange(mode); }
