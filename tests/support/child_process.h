// A program of the build run as a child process for end-to-end tests: its own environment (the test's
// CORLINK_ variables replaced by the ones given), its standard output and error in one file, or its
// standard output in a pipe the test reads (or stalls, or closes) and its standard error in the file. It
// starts with SIGPIPE's default action, as a shell would start it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

// Where a child's standard output goes.
enum class ChildOutput { File, Pipe };

// How long a test waits for a child process (or a peer in another process) to do what it is bound to do: a
// guard against a hang, never a measure of speed, so that it holds on a machine held to two cores under
// another build's load.
inline constexpr std::chrono::seconds kChildWorkBound{300};

class ChildProcess {
  public:
    // Starts program with args (after the program name); `environment` entries ("NAME=value") stand in
    // for every CORLINK_ variable of the test's own environment.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& environment, const std::string& outputFile,
                 ChildOutput output = ChildOutput::File);
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void Signal(int sig) const;
    // The wait status, or -1 when the child still runs after the bound.
    int WaitForExit(std::chrono::seconds bound);
    // The output file: standard error, and standard output unless it goes to the pipe.
    std::string Output() const;
    // The reading end of the standard output's pipe (ChildOutput::Pipe; -1 once closed).
    int OutputPipe() const { return outputPipe_; }
    void CloseOutputPipe();

  private:
    std::string outputFile_;
    pid_t pid_ = -1;
    int outputPipe_ = -1;
};

// Waits until a file (a child's socket, say) exists; false when it does not appear within the bound.
bool WaitForFile(const std::string& path, std::chrono::seconds bound);

}  // namespace testsupport
