#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <thread>

#include "platform/net/broken_pipe.h"
#include "tests/support/test_root.h"

extern char** environ;

namespace testsupport {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& environment, const std::string& outputFile,
                           ChildOutput output)
    : outputFile_(outputFile) {
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("CORLINK_", 0) != 0) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings = {program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    int pipeEnds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (output == ChildOutput::Pipe && ::pipe2(pipeEnds, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    } else {
        posix_spawn_file_actions_adddup2(&actions, 2, 1);
    }
    posix_spawnattr_t attributes;
    const bool withAttributes = platform::InitChildSpawnAttributes(&attributes);
    if (posix_spawn(&pid_, program.c_str(), &actions, withAttributes ? &attributes : nullptr, argv.data(),
                    envp.data()) != 0) {
        pid_ = -1;
    }
    if (withAttributes) posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (pipeEnds[1] >= 0) ::close(pipeEnds[1]);
    outputPipe_ = pipeEnds[0];
}

void ChildProcess::CloseOutputPipe() {
    if (outputPipe_ >= 0) ::close(outputPipe_);
    outputPipe_ = -1;
}

ChildProcess::~ChildProcess() {
    CloseOutputPipe();
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void ChildProcess::Signal(int sig) const {
    if (pid_ > 0) ::kill(pid_, sig);
}

int ChildProcess::WaitForExit(std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

std::string ChildProcess::Output() const { return ReadWholeFile(outputFile_); }

bool WaitForFile(const std::string& path, std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace testsupport
