#include "bench/proxy_under_test.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/devices/fabric_client.h"

extern char** environ;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kUser = "benchuser";
constexpr const char* kPassword = "Bench8Secret5q";
constexpr auto kStartBound = std::chrono::seconds(120);

uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// A registry string value as the platform stores it: the type (1, REG_SZ) and the text with its NUL.
std::string RegistryString(const std::string& text) {
    return std::string("\x01\x00\x00\x00", 4) + text + std::string(1, '\0');
}

bool Exited(pid_t pid, int* status) { return ::waitpid(pid, status, WNOHANG) == pid; }

}  // namespace

ProxyUnderTest::ProxyUnderTest(const BenchPrograms& programs, const std::string& scenarioFile)
    : programs_(programs), scenarioFile_(scenarioFile) {
    std::string pattern = (std::filesystem::temp_directory_path() / "corlink-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
    fabricSocket_ = root_ + "/fabric.sock";
}

ProxyUnderTest::~ProxyUnderTest() {
    for (pid_t* pid : {&proxy_, &fabric_}) {
        if (*pid > 0) {
            ::kill(*pid, SIGKILL);
            ::waitpid(*pid, nullptr, 0);
        }
    }
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

pid_t ProxyUnderTest::Spawn(const std::string& program, const std::string& argument,
                            const std::string& output) {
    // Everything the child needs is built before the fork: it only changes directory, redirects and execs.
    std::vector<std::string> environment = {"CORLINK_ROOT=" + root_, "CORLINK_FABRIC=" + fabricSocket_};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("CORLINK_", 0) != 0) environment.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string programCopy = program;
    std::string argumentCopy = argument;
    char* argv[] = {programCopy.data(), argumentCopy.empty() ? nullptr : argumentCopy.data(), nullptr};
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (::chdir(root_.c_str()) != 0 || out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) ::_exit(126);
    ::execve(program.c_str(), argv, envp.data());
    ::_exit(127);
}

bool ProxyUnderTest::Start() {
    if (StartPrograms()) return true;
    std::printf("  %s\n", error_.c_str());
    return false;
}

bool ProxyUnderTest::StartPrograms() {
    if (root_.empty()) {
        error_ = "no temporary machine root";
        return false;
    }
    port_ = FreePort();
    const std::string services = root_ + "/registry/HKLM/SYSTEM/CurrentControlSet/Services/corlink4";
    WriteFile(services + "/ImagePath", RegistryString("C:\\corlink\\corlink4.exe"));
    WriteFile(root_ + "/C/corlink/corlink.conf", "[Models]\nsimulated = Brenlow +Stor.*\n");
    WriteFile(root_ + "/C/Windows/System32/corlink4.conf",
              std::string("version  :1\nipaddress:127.0.0.1\nusername :") + kUser +
                  "\npassword :" + kPassword + "\nport     :" + std::to_string(port_) + "\n");

    fabric_ = Spawn(programs_.arraysim, scenarioFile_, root_ + "/arraysim.txt");
    const auto deadline = Clock::now() + kStartBound;
    int status = 0;
    while (!std::filesystem::exists(fabricSocket_)) {
        if (Clock::now() > deadline || Exited(fabric_, &status)) {
            fabric_ = -1;
            error_ = "arraysim did not start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    const auto started = Clock::now();
    proxy_ = Spawn(programs_.corlink4, "-debug", root_ + "/corlink4.txt");
    for (;;) {
        ProxyClientSession probe(1000);
        if (probe.Connect(port_)) break;
        if (Clock::now() > deadline || Exited(proxy_, &status)) {
            proxy_ = -1;
            error_ = "corlink4 did not listen";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    secondsUntilListening_ = std::chrono::duration<double>(Clock::now() - started).count();
    return true;
}

bool ProxyUnderTest::Stop() {
    if (proxy_ <= 0) return false;
    ::kill(proxy_, SIGINT);
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (!Exited(proxy_, &status)) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    proxy_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long ProxyUnderTest::ResidentKiB() const {
    std::ifstream status("/proc/" + std::to_string(proxy_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

bool ProxyUnderTest::OpenSession(ProxyClientSession* session) const {
    uint32_t handshake = 0;
    uint32_t result = 0;
    return session->Connect(port_) && session->Handshake(&handshake) &&
           session->Login(kUser, kPassword, &result) && result == 1;
}

std::string ProxyUnderTest::Admin(const std::string& message) const {
    std::string answer;
    if (!platform::SendFabricAdmin(fabricSocket_, message, &answer)) return "error: no answer";
    return answer;
}

}  // namespace bench
