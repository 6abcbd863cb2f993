// The real programs under measure: arraysim serving a scenario and corlink4 in a console run on a fresh
// machine root (a temporary directory removed afterwards) and a free loopback port, both started the way
// scripts/demo starts them, from the root's directory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "tools/proxy_client_session.h"

namespace bench {

struct BenchPrograms {
    std::string corlink4;
    std::string arraysim;
};

class ProxyUnderTest {
  public:
    ProxyUnderTest(const BenchPrograms& programs, const std::string& scenarioFile);
    ~ProxyUnderTest();  // stops what still runs and removes the root
    ProxyUnderTest(const ProxyUnderTest&) = delete;
    ProxyUnderTest& operator=(const ProxyUnderTest&) = delete;

    // Starts the fabric, then the proxy, and waits until the proxy listens (after its first discovery);
    // prints the reason when that fails.
    bool Start();
    // Ctrl-C to the proxy; true when it exits with code 0 within the bound.
    bool Stop();

    uint16_t port() const { return port_; }
    // Seconds from starting corlink4 until it accepted a connection.
    double secondsUntilListening() const { return secondsUntilListening_; }
    // corlink4's resident memory (VmRSS) in KiB, or -1.
    long ResidentKiB() const;
    // A session connected and logged in (false with the reason in session->Error()).
    bool OpenSession(ProxyClientSession* session) const;
    // One message on the fabric's administration channel; its answer.
    std::string Admin(const std::string& message) const;
    const std::string& error() const { return error_; }

  private:
    bool StartPrograms();
    pid_t Spawn(const std::string& program, const std::string& argument, const std::string& output);

    BenchPrograms programs_;
    std::string scenarioFile_;
    std::string root_;
    std::string fabricSocket_;
    pid_t fabric_ = -1;
    pid_t proxy_ = -1;
    uint16_t port_ = 0;
    double secondsUntilListening_ = 0;
    std::string error_;
};

}  // namespace bench
