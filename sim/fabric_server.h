// Serves a device backend (the fabric) on a Unix socket: one thread per connected process, each request
// answered in turn. The counterpart of the platform's fabric client.
#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_io.h"

namespace sim {

class FabricServer {
public:
    FabricServer(platform::DeviceBackend& backend, std::string socketPath)
        : backend_(backend), path_(std::move(socketPath)) {}
    ~FabricServer() { Stop(); }
    FabricServer(const FabricServer&) = delete;
    FabricServer& operator=(const FabricServer&) = delete;

    // Listens and starts accepting; false when the socket cannot be made.
    bool Start();
    // Ends every connection and waits for their threads.
    void Stop();

private:
    void AcceptLoop();
    void Serve(int fd);
    bool AnswerOne(int fd);

    platform::DeviceBackend& backend_;
    std::string path_;
    int listener_ = -1;
    std::thread acceptor_;
    std::mutex mutex_;
    bool stopping_ = false;
    std::vector<int> connections_;
    std::vector<std::thread> sessions_;
};

}  // namespace sim
