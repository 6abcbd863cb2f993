// One client session of the proxy: reads each message from the connection, answers the control
// messages (handshake, login, listener registration and removal, goodbye) itself, runs each request
// through the command executor and sends the reply back. In "ips" runs the connection carries raw CAPI
// packets instead, passed through to a controller.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "corlink/proxy_protocol/proxy_header.h"
#include "corlink/server/ips_pass_through.h"
#include "corlink/server/login_wait.h"
#include "corlink/server/session_security.h"
#include "corlink/server/zeroed_buffer.h"

class CRRESocket;

// The data of one message, and of one reply, is at most this many bytes.
constexpr uint32_t HOTLINK_BUFFER_SIZE = 4194304;

class CHotLink {
  public:
    // The session does not own the socket. It holds loginWait, if any, until its client logs in, and then
    // lifts the socket's deadline.
    explicit CHotLink(CRRESocket* pSocket, LoginWaitPlace loginWait = LoginWaitPlace());
    ~CHotLink();
    CHotLink(const CHotLink&) = delete;
    CHotLink& operator=(const CHotLink&) = delete;

    // Runs the session until the connection fails, the client says goodbye or the service stops.
    void ProcessMsg();

  private:
    // What one step of the message loop decided.
    enum class Step { Next, End, Fail };
    // The pass-through buffers of an "ips" session. Each session has its own pair, so two ips sessions
    // never overwrite each other's packets.
    struct IpsBuffers {
        ZeroedBuffer request{IPS_BUFFER_SIZE};
        ZeroedBuffer reply{IPS_BUFFER_SIZE};
        uint32_t requestLength = 0;
        uint32_t replyLength = 0;
    };

    Step HandleMessage();
    Step DiscardWaitingBytes();
    Step HandleRequest();
    Step HandleControl();
    Step Handshake();
    Step Login();
    Step RegisterListener();
    Step LeaveListenerList();
    Step Goodbye();
    Step IpsPass();

    // Sends the current header with this class, code and length, then that many bytes of m_databuf.
    Step Reply(uint32_t dataType, uint32_t opCode, uint32_t dataLen);
    // Sends the current header with this class, code and length; 1 sent, 0 failed. With dataFollows the
    // kernel may hold the header back to join it with the data sent next.
    int SendHeader(uint32_t dataType, uint32_t opCode, uint32_t dataLen, bool dataFollows = false);
    int SendSecurityCheckFail();
    int SendServerError();
    // The check of a request or listener message; a refused one is answered with CTRL_SECURITY_CHECK_FAIL
    // and the marker, if any, is logged.
    bool PassesSecurityCheck(const char* marker = nullptr);
    // A listener list that cannot be locked: CTRL_SERVER_ERROR, the marker if any, and the next message.
    Step ListenerListUnavailable(const char* marker = nullptr);
    // Logs the marker and keeps the reason the session ends with.
    Step Fail(int32_t reason, const char* marker);
    void ReportEnd();

    void OpenCapture();
    void CloseCapture();

    PROXY_MSG_HEADER m_Header{};
    // The data buffer is all zeros before each message is received: what the last message, its command and
    // its reply wrote is noted as used, and only that is cleared.
    ZeroedBuffer m_Data{HOTLINK_BUFFER_SIZE};
    uint8_t* const m_databuf = m_Data.data();
    CRRESocket* m_pSocket;
    CSessionSecurity m_Security;
    char m_UserName[32] = {};
    FILE* m_fDumpHandle = nullptr;
    int m_ClientNumber = 0;
    int32_t m_EndReason = 0;
    std::unique_ptr<IpsBuffers> m_Ips;
    LoginWaitPlace m_LoginWait;
};

// "month/day hh:mm:ss.mmm" of the local time, for the head of the command log lines.
std::string GetTimeStampText();
