// Serves a device backend (the fabric) on a Unix socket: one thread per connected process, each request
// answered in turn, the devices a connection opened held until it closes them or goes; and, when given,
// the administration channel. The counterpart of the platform's fabric client.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/device_io.h"
#include "platform/devices/wmi.h"

namespace sim {

// Answers one administration message (at most fabric_wire::kMaxName bytes) with a text.
using AdminHandler = std::function<std::string(const std::string& message)>;

class FabricServer {
  public:
    FabricServer(platform::DeviceBackend& backend, std::string socketPath, AdminHandler admin = nullptr,
                 platform::WmiProvider* wmi = nullptr)
        : backend_(backend), path_(std::move(socketPath)), admin_(std::move(admin)), wmi_(wmi) {}
    ~FabricServer() { Stop(); }
    FabricServer(const FabricServer&) = delete;
    FabricServer& operator=(const FabricServer&) = delete;

    // Listens and starts accepting; false when the socket cannot be made.
    bool Start();
    // Ends every connection and waits for their threads.
    void Stop();

  private:
    void AcceptLoop();
    struct Connection;
    void Serve(int fd);
    bool AnswerOne(Connection& connection);

    platform::DeviceBackend& backend_;
    std::string path_;
    AdminHandler admin_;
    platform::WmiProvider* wmi_;
    int listener_ = -1;
    std::thread acceptor_;
    std::mutex mutex_;
    bool stopping_ = false;
    std::vector<int> connections_;
    std::vector<std::thread> sessions_;
};

}  // namespace sim
