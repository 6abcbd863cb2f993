// The communication error record of the TCP server: thrown by pointer when the server cannot start and
// composed as a report when a session or an event delivery fails.
#pragma once

#include <cstdint>
#include <string>

// Who failed.
enum CommErrorKind : int32_t {
    COMM_KIND_SERVER_START = 1,
    COMM_KIND_CLIENT_SESSION = 2,
    COMM_KIND_EVENT_SENDER = 4,
};

enum CommErrorSeverity : int32_t {
    COMM_SEVERITY_INFO = 1,
    COMM_SEVERITY_WARNING = 2,
    COMM_SEVERITY_CRITICAL = 3,
};

enum CommErrorCategory : int32_t {
    COMM_CATEGORY_COMMUNICATION = 1,
    COMM_CATEGORY_SYSTEM = 2,
};

// The server's vocabulary of communication failures (also the reasons a session ends).
enum CommErrorCode : int32_t {
    COMM_ERR_NONE = 0,
    COMM_ERR_OPEN = 1,
    COMM_ERR_LISTEN = 2,
    COMM_ERR_IOCTL = 3,
    COMM_ERR_QUERY_INCOMING = 4,
    COMM_ERR_ACCEPT = 5,
    COMM_ERR_BIND = 6,
    COMM_ERR_CONNECT = 7,
    COMM_ERR_RECEIVE = 8,
    COMM_ERR_SEND = 9,
    COMM_ERR_CREATE_SESSION = 11,
    COMM_ERR_ALLOCATE = 12,
    COMM_ERR_REPORT_STATUS = 13,
    COMM_ERR_LOCK = 14,
};

// The message-text hook every text of a report passes through; returns the text unchanged.
const char* MsgText(const char* text);

class CErrMsg {
  public:
    CErrMsg(int32_t severity, int32_t kind, int32_t category, int32_t hasCode, int32_t code);

    // Stores value when flag is non-zero, else 0.
    void SetCode(int32_t flag, int32_t value);
    // The peer's IPv4 address in host order (0 none).
    void SetAddress(uint32_t address);

    // The report text; empty when the record has no code and its category is not 2.
    std::string Format() const;
    uint32_t MessageId() const;

    int32_t Kind() const { return m_Kind; }
    int32_t Severity() const { return m_Severity; }
    int32_t Category() const { return m_Category; }
    int32_t Code() const { return m_Code; }
    uint32_t Address() const { return m_Address; }

    // The text of a code ("Cannot report status." for a code without its own text).
    static const char* CodeText(int32_t code);

  private:
    int32_t m_Kind;
    int32_t m_Severity;
    int32_t m_Category;
    int32_t m_Code;
    uint32_t m_Address;
};
