// A client of the proxy's TCP session, for the demo and the end-to-end tests: handshake, login with
// the enciphered password, requests with their sequence numbers and cookies, goodbye. Every wait is
// bounded by the session's time-out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corlink/proxy_protocol/proxy_header.h"

struct ProxyReply {
    PROXY_MSG_HEADER header;
    std::vector<uint8_t> data;
};

class ProxyClientSession {
  public:
    explicit ProxyClientSession(int timeoutMs = 5000) : m_TimeoutMs(timeoutMs) {}
    ~ProxyClientSession();
    ProxyClientSession(const ProxyClientSession&) = delete;
    ProxyClientSession& operator=(const ProxyClientSession&) = delete;

    // Connects to 127.0.0.1:port.
    bool Connect(uint16_t port);
    // Handshake with data: the proxy answers with its handshake value, which the login echoes.
    bool Handshake(uint32_t* handshakeValue);
    // The login's result word (1 logged in); on success the cookie base is kept for the requests.
    bool Login(const std::string& user, const std::string& password, uint32_t* result);
    // One proxy command; the reply's header and data.
    bool Request(uint32_t opCode, const std::vector<uint8_t>& data, ProxyReply* reply);
    // Says goodbye (no reply comes) and closes the connection.
    void Close();
    // True when the proxy closes the connection without sending anything first.
    bool WaitUntilClosedByPeer();

    // What went wrong last.
    const std::string& Error() const { return m_Error; }

  private:
    bool Send(PROXY_MSG_HEADER header, const std::vector<uint8_t>& data);
    bool Receive(ProxyReply* reply);
    bool SendAll(const uint8_t* bytes, size_t length);
    bool ReceiveAll(uint8_t* bytes, size_t length);
    bool Fail(const std::string& what);
    PROXY_MSG_HEADER NextSecuredHeader(uint32_t dataType, uint32_t opCode, uint32_t dataLen);

    int m_TimeoutMs;
    int m_Socket = -1;
    uint32_t m_HandshakeValue = 0;
    uint32_t m_Base = 0;
    uint32_t m_Sequence = 0;
    std::string m_Error;
};

// Big-endian words of a proxy buffer.
uint32_t ProxyWord(const std::vector<uint8_t>& data, size_t offset);
