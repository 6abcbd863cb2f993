// The session's message loop, requests, replies and the end of the session.
#include "corlink/server/hotlink.h"

#include <utility>

#include "corlink/executor/command_table.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/console_text.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/method_trace.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/handlers/rre.h"
#include "corlink/server/configuration.h"
#include "corlink/server/errmsg.h"
#include "corlink/server/run_state.h"
#include "corlink/server/socket.h"
#include "platform/system/crt_strings.h"
#include "platform/time/clock.h"

namespace {

constexpr uint64_t kSlowCommandSeconds = 30;

uint64_t NowSeconds() { return platform::GetClock().NowMs() / 1000; }

// The standard-output line of one executed request.
void PrintCommandResult(const Rre& rre, uint64_t seconds) {
    const uint32_t status = ReadBigEndian32(rre.Buffer);
    const uint32_t code = ReadBigEndian32(rre.Buffer + 4);
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s COMMAND (%d)%s return %d bytes status 0x%x errorcode 0x%x, %s, %llu seconds %s\n",
                  GetTimeStampText().c_str(), static_cast<int>(rre.Command), RreCommandNameOf(rre.Command),
                  rre.ReplyLength, status, code, status != 0 || code != 0 ? "B_A_D" : "",
                  static_cast<unsigned long long>(seconds),
                  seconds > kSlowCommandSeconds ? "RRE timeout" : "");
    ConsoleWrite(line);
}

// The bytes of the buffer a request may have written: the command table gives each command's largest
// reply (or the request's own length), and the reply length is what was written for certain.
uint32_t BytesWrittenByRequest(const Rre& rre) {
    uint32_t written = rre.Length;
    const RreCommandInfo* info = FindRreCommand(rre.Command);
    if (info != nullptr && info->replyLength != kAnyLength &&
        static_cast<uint32_t>(info->replyLength) > written)
        written = static_cast<uint32_t>(info->replyLength);
    if (rre.ReplyLength > 0 && static_cast<uint32_t>(rre.ReplyLength) > written)
        written = static_cast<uint32_t>(rre.ReplyLength);
    return written;
}

}  // namespace

CHotLink::CHotLink(CRRESocket* pSocket, LoginWaitPlace loginWait)
    : m_pSocket(pSocket), m_LoginWait(std::move(loginWait)) {
    METHOD_TRACE("CHotLink::CHotLink(pSocket)");
    DebugPrint("allocated %d bytes for m_databuf at %x\n", static_cast<int>(HOTLINK_BUFFER_SIZE),
               static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_databuf)));
}

CHotLink::~CHotLink() { METHOD_TRACE("CHotLink::^CHotLink"); }

void CHotLink::ProcessMsg() {
    METHOD_TRACE("CHotLink::ProcessMsg");
    OpenCapture();
    if (m_databuf == nullptr) {
        CErrMsg report(COMM_SEVERITY_CRITICAL, COMM_KIND_CLIENT_SESSION, COMM_CATEGORY_SYSTEM, 1,
                       COMM_ERR_ALLOCATE);
        report.SetAddress(m_pSocket->GetPeerIPv4());
        DebugPrint("%s", report.Format().c_str());
        DebugPrint("Throw 1");
    } else {
        Step step = Step::Next;
        while (step == Step::Next && !os_IsFlagSet(g_ShutDownSem)) {
            step = g_IpsMode ? IpsPass() : HandleMessage();
        }
        if (step == Step::Fail) ReportEnd();
    }
    CloseCapture();
    DebugPrint("End CHotLink::ProcessMsg");
}

CHotLink::Step CHotLink::Fail(int32_t reason, const char* marker) {
    DebugPrint("%s", marker);
    m_EndReason = reason;
    return Step::Fail;
}

void CHotLink::ReportEnd() {
    DebugPrint("Throw 8X");
    if (m_pSocket->TakeLastError() == 0) return;
    CErrMsg report(COMM_SEVERITY_INFO, COMM_KIND_CLIENT_SESSION, COMM_CATEGORY_COMMUNICATION, 1, m_EndReason);
    report.SetAddress(m_pSocket->GetPeerIPv4());
    DebugPrint("%s", report.Format().c_str());
}

CHotLink::Step CHotLink::HandleMessage() {
    uint8_t wire[PROXY_HEADER_LENGTH] = {};
    if (!m_pSocket->Receive(wire, sizeof wire)) return Fail(COMM_ERR_RECEIVE, "Throw 2c");
    m_Header = DecodeProxyHeader(wire);
    if (!CheckProxySignature(m_Header)) return DiscardWaitingBytes();

    // The rest of an oversized message cannot be told from the next header: the session ends unread.
    if (m_Header.DataLen > HOTLINK_BUFFER_SIZE) {
        DebugPrint("DataLen %u is larger than the data buffer\n", m_Header.DataLen);
        return Fail(COMM_ERR_RECEIVE, "Throw 6");
    }
    m_Data.ClearUsed();
    m_Data.NoteUsed(m_Header.DataLen);
    if (!m_pSocket->Receive(m_databuf, m_Header.DataLen)) return Fail(COMM_ERR_RECEIVE, "Throw 6");

    switch (m_Header.DataType) {
        case PROXY_REQUEST: return HandleRequest();
        case PROXY_CONTROL: return HandleControl();
        default: return Step::Next;
    }
}

// A header without the signature gets no answer; whatever is waiting on the connection goes with it.
CHotLink::Step CHotLink::DiscardWaitingBytes() {
    ULONG waiting = 0;
    if (!m_pSocket->IOCtl(FIONREAD, &waiting)) return Fail(COMM_ERR_IOCTL, "Throw 3");
    const uint32_t count =
        waiting < HOTLINK_BUFFER_SIZE ? static_cast<uint32_t>(waiting) : HOTLINK_BUFFER_SIZE;
    m_Data.NoteUsed(count);
    if (!m_pSocket->Receive(m_databuf, count)) return Fail(COMM_ERR_RECEIVE, "Throw 5");
    return Step::Next;
}

CHotLink::Step CHotLink::HandleRequest() {
    if (!PassesSecurityCheck()) return Step::Next;
    Rre rre{};
    rre.Command = m_Header.OpCode;
    rre.Length = m_Header.DataLen;
    rre.Buffer = m_databuf;
    rre.BufferSize = HOTLINK_BUFFER_SIZE;
    rre.ReplyLength = static_cast<int32_t>(m_Header.DataLen);
    rre.Trusted = _stricmp(m_UserName, g_ProxyUser) == 0 ? 1 : 0;

    const uint64_t start = NowSeconds();
    DebugPrint("%s COMMAND (%d)%s enter\n", GetTimeStampText().c_str(), static_cast<int>(rre.Command),
               RreCommandNameOf(rre.Command));
    {
        ConsoleFlushDeferral oneWrite;  // the command's lines and its result line
        rreExecCommand(&rre);
        m_Data.NoteUsed(BytesWrittenByRequest(rre));
        const uint64_t end = NowSeconds();
        PrintCommandResult(rre, end >= start ? end - start : 0);
    }

    if (rre.ReplyLength < 0 || static_cast<uint32_t>(rre.ReplyLength) > HOTLINK_BUFFER_SIZE) {
        DebugPrint("reply length %d is outside the data buffer\n", rre.ReplyLength);
        SendServerError();
        return Step::Next;
    }
    return Reply(PROXY_REPLY, m_Header.OpCode, static_cast<uint32_t>(rre.ReplyLength));
}

CHotLink::Step CHotLink::Reply(uint32_t dataType, uint32_t opCode, uint32_t dataLen) {
    m_Data.NoteUsed(dataLen);
    if (!SendHeader(dataType, opCode, dataLen, dataLen > 0)) return Fail(COMM_ERR_SEND, "Throw 7X");
    if (dataLen > 0 && !m_pSocket->Send(m_databuf, dataLen)) return Fail(COMM_ERR_SEND, "Throw 8");
    return Step::Next;
}

int CHotLink::SendHeader(uint32_t dataType, uint32_t opCode, uint32_t dataLen, bool dataFollows) {
    m_Header.DataType = dataType;
    m_Header.OpCode = opCode;
    m_Header.DataLen = dataLen;
    uint8_t wire[PROXY_HEADER_LENGTH];
    EncodeProxyHeader(m_Header, wire);
    return m_pSocket->Send(wire, sizeof wire, dataFollows);
}

int CHotLink::SendSecurityCheckFail() {
    METHOD_TRACE("SendSecurityCheckFail");
    return SendHeader(PROXY_CONTROL, CTRL_SECURITY_CHECK_FAIL, 0);
}

int CHotLink::SendServerError() {
    METHOD_TRACE("CHotLink::SendServerError");
    return SendHeader(PROXY_CONTROL, CTRL_SERVER_ERROR, 0);
}

bool CHotLink::PassesSecurityCheck(const char* marker) {
    if (m_Security.CheckRequest(m_Header.SecuritySequence, m_Header.Cookie)) return true;
    SendSecurityCheckFail();
    if (marker != nullptr) DebugPrint("%s", marker);
    return false;
}
