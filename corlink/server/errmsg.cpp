#include "corlink/server/errmsg.h"

#include <cstdarg>
#include <cstdio>

#include "corlink/foundation/log.h"

namespace {

constexpr const char* kServiceTitle = "Corlink Communication Service";

struct CodeTextEntry {
    int32_t code;
    const char* text;
};
constexpr CodeTextEntry kCodeTexts[] = {
    // clang-format off
    {COMM_ERR_OPEN, "Cannot open TCP/IP communication."},
    {COMM_ERR_LISTEN, "Cannot listen on the opened TCP/IP communication."},
    {COMM_ERR_IOCTL, "Cannot perform IOCTL on the TCP/IP communication."},
    {COMM_ERR_QUERY_INCOMING, "Cannot query incoming data status of the connection."},
    {COMM_ERR_ACCEPT, "Cannot accept the incoming connection."},
    {COMM_ERR_BIND, "Cannot bind TCP port with the opened TCP/IP communication."},
    {COMM_ERR_CONNECT, "Cannot connect with the incoming connection"},
    {COMM_ERR_RECEIVE, "Cannot receive data from the connected client"},
    {COMM_ERR_SEND, "Cannot send data to the connected client"},
    {COMM_ERR_CREATE_SESSION, "Cannot create a communication session for the incoming connection."},
    {COMM_ERR_ALLOCATE, "Cannot allocate memory."},
    {COMM_ERR_LOCK, "Cannot lock a resource."},
    // clang-format on
};
constexpr const char* kDefaultCodeText = "Cannot report status.";

// The event class of each kind of failure.
struct KindClass {
    int32_t kind;
    uint32_t eventClass;
};
constexpr KindClass kKindClasses[] = {{1, 17}, {2, 18}, {4, 19}, {5, 20}};

// System-error sub-codes: (event class, code) -> sub-code.
struct SystemSubCode {
    uint32_t eventClass;
    int32_t code;  // -1: any code
    uint32_t subCode;
};
constexpr SystemSubCode kSystemSubCodes[] = {
    // clang-format off
    {20, -1, 1},
    {17, COMM_ERR_REPORT_STATUS, 2},
    {17, COMM_ERR_CREATE_SESSION, 3},
    {17, COMM_ERR_LOCK, 4},
    {17, COMM_ERR_ALLOCATE, 5},
    {19, COMM_ERR_CREATE_SESSION, 2},
    {19, 15, 3},
    {19, 16, 4},
    // clang-format on
};

uint32_t EventClass(int32_t kind) {
    for (const KindClass& entry : kKindClasses) {
        if (entry.kind == kind) return entry.eventClass;
    }
    return 0;
}

uint32_t SubCode(int32_t category, uint32_t eventClass, int32_t code) {
    if (category == COMM_CATEGORY_COMMUNICATION) {
        return (eventClass == 17 || eventClass == 18 || eventClass == 19) ? 1 : 0;
    }
    if (category == COMM_CATEGORY_SYSTEM) {
        for (const SystemSubCode& entry : kSystemSubCodes) {
            if (entry.eventClass == eventClass && (entry.code == -1 || entry.code == code))
                return entry.subCode;
        }
    }
    return 0;
}

// The severity's text and its number in the message id; any other value counts as Info.
struct SeverityEntry {
    int32_t severity;
    const char* text;
    uint32_t number;
};
constexpr SeverityEntry kInfo = {COMM_SEVERITY_INFO, "Info", 3};
constexpr SeverityEntry kSeverities[] = {
    kInfo, {COMM_SEVERITY_WARNING, "Warning", 2}, {COMM_SEVERITY_CRITICAL, "Critical", 1}};

const SeverityEntry& SeverityOf(int32_t severity) {
    for (const SeverityEntry& entry : kSeverities) {
        if (entry.severity == severity) return entry;
    }
    return kInfo;
}

std::string Printf(const char* format, ...) CORLINK_PRINTF(1, 2);
std::string Printf(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    int n = FormatArgs(text, sizeof(text), format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(text);
}

}  // namespace

const char* MsgText(const char* text) { return text; }

CErrMsg::CErrMsg(int32_t severity, int32_t kind, int32_t category, int32_t hasCode, int32_t code)
    : m_Kind(kind), m_Severity(severity), m_Category(category), m_Code(0), m_Address(0) {
    SetCode(hasCode, code);
}

void CErrMsg::SetCode(int32_t flag, int32_t value) { m_Code = flag != 0 ? value : 0; }

void CErrMsg::SetAddress(uint32_t address) { m_Address = address; }

const char* CErrMsg::CodeText(int32_t code) {
    for (const CodeTextEntry& entry : kCodeTexts) {
        if (entry.code == code) return entry.text;
    }
    return kDefaultCodeText;
}

uint32_t CErrMsg::MessageId() const {
    uint32_t eventClass = EventClass(m_Kind);
    return (SeverityOf(m_Severity).number << 24) | (10u << 16) | (eventClass << 8) |
           SubCode(m_Category, eventClass, m_Code);
}

std::string CErrMsg::Format() const {
    if (m_Code == COMM_ERR_NONE && m_Category != COMM_CATEGORY_SYSTEM) return std::string();
    const char* category = m_Category == COMM_CATEGORY_SYSTEM ? "System Error" : "Communication Error";
    std::string line = Printf("%s: %s\n", MsgText(category), MsgText(CodeText(m_Code)));
    std::string report = Printf("[%s: 0x%X <%s>]\n%s", MsgText(kServiceTitle), MessageId(),
                                MsgText(SeverityOf(m_Severity).text), line.c_str());
    if (m_Address != 0) {
        report += Printf("%s: %u.%u.%u.%u\n", MsgText("TCP Address"), (m_Address >> 24) & 0xFF,
                         (m_Address >> 16) & 0xFF, (m_Address >> 8) & 0xFF, m_Address & 0xFF);
    }
    return report;
}
