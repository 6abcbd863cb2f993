#include "tests/unit/provider/scripted_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/byte_order.h"

namespace providertest {
namespace {

bool ReadAll(int fd, uint8_t* bytes, size_t count) {
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::recv(fd, bytes + got, count - got, 0);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> data(words.size() * 4);
    size_t at = 0;
    for (uint32_t w : words) {
        WriteBigEndian32(data.data() + at, w);
        at += 4;
    }
    return data;
}

}  // namespace

std::vector<uint8_t> ReplyTo(const ProxyMessage& request, const std::vector<uint8_t>& data,
                             uint32_t dataType) {
    PROXY_MSG_HEADER header = request.header;
    header.DataType = dataType;
    header.DataLen = static_cast<uint32_t>(data.size());
    std::vector<uint8_t> bytes(PROXY_HEADER_LENGTH);
    EncodeProxyHeader(header, bytes.data());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::vector<uint8_t> ReplyData(uint32_t length, int32_t status, uint32_t code) {
    std::vector<uint8_t> data(std::max<uint32_t>(length, 8), 0);
    WriteBigEndian32(data.data(), static_cast<uint32_t>(status));
    WriteBigEndian32(data.data() + 4, code);
    return data;
}

ScriptedProxy::ScriptedProxy() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 8);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedProxy::~ScriptedProxy() {
    stopping_.store(true);
    ::shutdown(listener_, SHUT_RDWR);
    DropConnection();
    thread_.join();
    ::close(listener_);
}

void ScriptedProxy::SetScript(Script script) {
    std::lock_guard<std::mutex> g(lock_);
    script_ = std::move(script);
}

void ScriptedProxy::CloseOnControl(uint32_t opCode, bool enabled) {
    std::lock_guard<std::mutex> g(lock_);
    closeOnControl_.erase(std::remove(closeOnControl_.begin(), closeOnControl_.end(), opCode),
                          closeOnControl_.end());
    if (enabled) closeOnControl_.push_back(opCode);
}

std::vector<ProxyMessage> ScriptedProxy::Messages() {
    std::lock_guard<std::mutex> g(lock_);
    return messages_;
}

void ScriptedProxy::ForgetMessages() {
    std::lock_guard<std::mutex> g(lock_);
    messages_.clear();
}

int ScriptedProxy::Logins() {
    std::lock_guard<std::mutex> g(lock_);
    return logins_;
}

void ScriptedProxy::DropConnection() {
    const int fd = current_.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

void ScriptedProxy::Serve() {
    while (!stopping_.load()) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (stopping_.load()) return;
            continue;
        }
        current_.store(fd);
        while (!stopping_.load() && ServeConnection(fd)) {
        }
        current_.store(-1);
        ::close(fd);
    }
}

bool ScriptedProxy::ReadMessage(int fd, ProxyMessage* message) {
    uint8_t wire[PROXY_HEADER_LENGTH];
    if (!ReadAll(fd, wire, sizeof wire)) return false;
    message->header = DecodeProxyHeader(wire);
    if (message->header.DataLen > 8u * 1024 * 1024) return false;
    message->data.resize(message->header.DataLen);
    return message->data.empty() || ReadAll(fd, message->data.data(), message->data.size());
}

// One message; false when the connection is to end.
bool ScriptedProxy::ServeConnection(int fd) {
    ProxyMessage message;
    if (!ReadMessage(fd, &message)) return false;
    Script script;
    bool closeHere = false;
    {
        std::lock_guard<std::mutex> g(lock_);
        messages_.push_back(message);
        script = script_;
        if (message.header.DataType == PROXY_CONTROL)
            closeHere = std::find(closeOnControl_.begin(), closeOnControl_.end(), message.header.OpCode) !=
                        closeOnControl_.end();
        if (message.header.DataType == PROXY_CONTROL && message.header.OpCode == CTRL_LOGIN) ++logins_;
    }
    if (closeHere) return false;
    if (message.header.DataType == PROXY_CONTROL) {
        switch (message.header.OpCode) {
            case CTRL_HANDSHAKE: {
                ProxyMessage reply = message;
                reply.header.OpCode = CTRL_HANDSHAKE_REPLY;
                return WriteAll(fd, ReplyTo(reply, Words({1, kHandshakeValue}), PROXY_CONTROL));
            }
            case CTRL_LOGIN: {
                ProxyMessage reply = message;
                reply.header.OpCode = CTRL_LOGIN_REPLY;
                return WriteAll(fd, ReplyTo(reply, Words({1, kSessionBase, 1}), PROXY_CONTROL));
            }
            case CTRL_REGISTER_LISTENER: {
                ProxyMessage reply = message;
                reply.header.OpCode = CTRL_REGISTER_LISTENER_REPLY;
                return WriteAll(fd, ReplyTo(reply, {}, PROXY_CONTROL));
            }
            default: return true;  // goodbye and others: no answer
        }
    }
    const ScriptAction action =
        script ? script(message) : ScriptAction{{ReplyTo(message, ReplyData(8, 0, 0))}, false};
    for (const std::vector<uint8_t>& bytes : action.sends)
        if (!WriteAll(fd, bytes)) return false;
    return !action.close;
}

}  // namespace providertest
