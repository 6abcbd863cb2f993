// A production session served as the server's session thread serves it: the server end of a loopback
// connection attached to a CRRESocket, CHotLink's message loop on a thread of its own, and the connection
// closed when the loop ends. The client end is the test's.
#pragma once

#include <memory>
#include <thread>

#include "corlink/server/hotlink.h"
#include "corlink/server/socket.h"
#include "session_test_client.h"

namespace sessiontest {

class ServedSession {
  public:
    ServedSession() = default;
    ~ServedSession() { Join(); }
    ServedSession(const ServedSession&) = delete;
    ServedSession& operator=(const ServedSession&) = delete;

    // Connects and starts the session; the client's socket, or -1 on failure.
    int Start() {
        LoopbackPair pair;
        if (!MakeLoopbackPair(&pair)) return -1;
        socket_.Attach(static_cast<SOCKET>(pair.serverFd));
        socket_.SetNonBlocking();
        if (!socket_.GetPeerName()) return -1;
        session_ = std::make_unique<CHotLink>(&socket_);
        thread_ = std::thread([this] {
            session_->ProcessMsg();
            socket_.Close();
        });
        return pair.clientFd;
    }
    // Waits for the session to end (the client closes its end first).
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    CRRESocket socket_;
    std::unique_ptr<CHotLink> session_;
    std::thread thread_;
};

}  // namespace sessiontest
