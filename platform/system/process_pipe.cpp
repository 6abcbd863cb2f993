#include "platform/system/process_pipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files/machine_root.h"
#include "platform/net/broken_pipe.h"
#include "platform/system/command_line_words.h"

extern char** environ;

namespace {

std::mutex g_ChildrenLock;
std::map<FILE*, pid_t> g_Children;  // streams opened by _popen and the program behind each

}  // namespace

FILE* _popen(const char* command, const char* mode) {
    if (command == nullptr || mode == nullptr || (mode[0] != 'r' && mode[0] != 'w') ||
        (mode[1] != '\0' && ((mode[1] != 't' && mode[1] != 'b') || mode[2] != '\0'))) {
        errno = EINVAL;
        return nullptr;
    }
    std::vector<std::string> words = platform::SplitCommandLine(command);
    if (words.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    words[0] = platform::MapPath(words[0]);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const bool reading = mode[0] == 'r';
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return nullptr;
    const int parentEnd = reading ? ends[0] : ends[1];
    const int childEnd = reading ? ends[1] : ends[0];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childEnd, reading ? STDOUT_FILENO : STDIN_FILENO);
    posix_spawnattr_t attributes;
    const bool withAttributes = platform::InitChildSpawnAttributes(&attributes);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, withAttributes ? &attributes : nullptr,
                                      argv.data(), environ);
    if (withAttributes) posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(childEnd);
    if (spawned != 0) {
        ::close(parentEnd);
        errno = spawned;
        return nullptr;
    }
    FILE* stream = ::fdopen(parentEnd, reading ? "r" : "w");
    if (stream == nullptr) {
        ::close(parentEnd);
        ::waitpid(child, nullptr, 0);
        return nullptr;
    }
    std::lock_guard<std::mutex> hold(g_ChildrenLock);
    g_Children[stream] = child;
    return stream;
}

int _pclose(FILE* stream) {
    pid_t child = -1;
    {
        std::lock_guard<std::mutex> hold(g_ChildrenLock);
        auto found = g_Children.find(stream);
        if (found == g_Children.end()) {
            errno = EINVAL;
            return -1;
        }
        child = found->second;
        g_Children.erase(found);
    }
    std::fclose(stream);
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
