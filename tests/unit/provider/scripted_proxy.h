// A scripted stand-in for the proxy on 127.0.0.1, for the provider's session and wrapper tests: it answers
// handshake, login and listener registration as the proxy does, records every message, and hands each
// request to the test's script, which says what to send back (or to close the connection). Kept apart
// from the code that includes the Winsock stand-in.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "corlink/proxy_protocol/proxy_header.h"
#include "tests/unit/provider/proxy_wire.h"  // NetworkReply, HostRequest

namespace providertest {

struct ProxyMessage {
    PROXY_MSG_HEADER header;
    std::vector<uint8_t> data;
};

// What the stand-in does with one request.
struct ScriptAction {
    std::vector<std::vector<uint8_t>> sends;  // raw bytes, sent in order
    bool close = false;                       // then closes the connection
};

class ScriptedProxy {
  public:
    using Script = std::function<ScriptAction(const ProxyMessage& request)>;

    static constexpr uint32_t kSessionBase = 0x1234;
    static constexpr uint32_t kHandshakeValue = 0xCAFE;

    ScriptedProxy();
    ~ScriptedProxy();

    uint16_t port() const { return port_; }
    // The script for requests (PROXY_REQUEST); without one every request is answered with an 8-byte reply
    // of status 0 and code 0.
    void SetScript(Script script);
    // Control steps the stand-in fails: the connection is closed instead of answering that opcode.
    void CloseOnControl(uint32_t opCode, bool enabled);
    // Every message received, in order, over all connections.
    std::vector<ProxyMessage> Messages();
    // Forgets the messages received so far (a long run keeps no record of them).
    void ForgetMessages();
    int Logins();
    // Closes the connection being served (the next one is accepted as usual).
    void DropConnection();

  private:
    void Serve();
    bool ServeConnection(int fd);
    bool ReadMessage(int fd, ProxyMessage* message);

    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> current_{-1};
    std::mutex lock_;
    Script script_;
    std::vector<ProxyMessage> messages_;
    std::vector<uint32_t> closeOnControl_;
    int logins_ = 0;
    std::thread thread_;
};

// The reply the proxy sends to a request: its header echoed with DataType PROXY_REPLY and the data's length.
std::vector<uint8_t> ReplyTo(const ProxyMessage& request, const std::vector<uint8_t>& data,
                             uint32_t dataType = PROXY_REPLY);
// A reply's data of `length` bytes: status and code (big-endian), then zeros.
std::vector<uint8_t> ReplyData(uint32_t length, int32_t status, uint32_t code);

}  // namespace providertest
