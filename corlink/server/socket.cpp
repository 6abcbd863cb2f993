#include "corlink/server/socket.h"

#include <cstring>
#include <optional>

#include "corlink/foundation/log.h"
#include "corlink/foundation/method_trace.h"
#include "corlink/foundation/nt_os.h"
#include "platform/kernel/sync.h"
#include "platform/time/clock.h"

CRRESocket::CRRESocket() : m_hSocket(INVALID_SOCKET), m_nLastError(0), m_bClosing(0), m_bPeerKnown(0) {
    memset(&m_PeerAddr, 0, sizeof(m_PeerAddr));
    memset(&m_LocalAddr, 0, sizeof(m_LocalAddr));
    METHOD_TRACE("CRRESocket::CRRESocket");
}

CRRESocket::~CRRESocket() {
    METHOD_TRACE("CRRESocket::^CRRESocket");
    Close();
}

int CRRESocket::StoreLastError() {
    m_nLastError = WSAGetLastError();
    return m_nLastError;
}

void CRRESocket::WaitBeforeRetry(int16_t events) {
    m_nLastError = 0;
    // A login deadline waits on the peer's bytes: virtual time must not run it out on its own meanwhile.
    std::optional<platform::WaitingForPeer> peer;
    if (m_DeadlineMs != 0) peer.emplace();
    WSAPOLLFD entry{m_hSocket, events, 0};
    if (WSAPoll(&entry, 1, static_cast<int>(RRE_SOCKET_RETRY_MS)) == SOCKET_ERROR) Sleep(RRE_SOCKET_RETRY_MS);
}

bool CRRESocket::MayGoOn() {
    if (IsClosing()) return false;
    if (m_DeadlineMs == 0 || platform::GetClock().MonotonicMs() < m_DeadlineMs) return true;
    m_nLastError = WSAETIMEDOUT;
    return false;
}

int CRRESocket::Socket(int addressFamily, int socketType, int protocol) {
    METHOD_TRACE("CRRESocket::Socket(Format, socketType, Protocol)");
    m_nLastError = 0;
    if (IsClosing()) return 0;
    if (m_hSocket != INVALID_SOCKET) closesocket(m_hSocket);  // never leak a handle left open
    m_hSocket = socket(addressFamily, socketType, protocol);
    if (m_hSocket == INVALID_SOCKET) {
        StoreLastError();
        return 0;
    }
    SetNonBlocking();
    SetNoDelay();
    return 1;
}

int CRRESocket::Bind(uint32_t address, uint16_t port) {
    METHOD_TRACE("CRRESocket::Bind");
    if (IsClosing() || m_hSocket == INVALID_SOCKET) return 0;
    BOOL reuse = 1;
    setsockopt(m_hSocket, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = os_htons(port);
    local.sin_addr.s_addr = address;
    if (bind(m_hSocket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        StoreLastError();
        return 0;
    }
    return 1;
}

int CRRESocket::Listen(int backlog) {
    METHOD_TRACE("CRRESocket::Listen");
    if (IsClosing()) return 0;
    if (listen(m_hSocket, backlog) != 0) {
        StoreLastError();
        return 0;
    }
    return 1;
}

int CRRESocket::Accept(CRRESocket& target) {
    METHOD_TRACE("CRRESocket::Accept");
    while (!IsClosing()) {
        SOCKET connection = accept(m_hSocket, nullptr, nullptr);
        if (connection != INVALID_SOCKET) {
            target.Attach(connection);
            target.SetNonBlocking();
            target.SetNoDelay();
            return 1;
        }
        if (StoreLastError() != WSAEWOULDBLOCK) return 0;
        WaitBeforeRetry(POLLRDNORM);
    }
    return 0;
}

int CRRESocket::Connect(sockaddr_in* peer, const sockaddr_in* local, uint16_t port) {
    METHOD_TRACE("CRRESocket::Connect");
    peer->sin_port = os_htons(port);
    m_PeerAddr = *peer;
    m_bPeerKnown = 1;
    while (!IsClosing()) {
        bind(m_hSocket, reinterpret_cast<const sockaddr*>(local), sizeof(*local));  // fails once bound: fine
        if (connect(m_hSocket, reinterpret_cast<const sockaddr*>(peer), sizeof(*peer)) == 0) return 1;
        int error = StoreLastError();
        if (error == WSAEISCONN) {
            m_nLastError = 0;
            return 1;
        }
        if (error != WSAEWOULDBLOCK && error != WSAEINPROGRESS && error != WSAEALREADY) return 0;
        WaitBeforeRetry(POLLWRNORM);
    }
    return 0;
}

int CRRESocket::GetPeerName() {
    METHOD_TRACE("CRRESocket::GetPeerName");
    m_bPeerKnown = 0;
    if (IsClosing()) return 0;
    int length = sizeof(m_LocalAddr);
    if (getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&m_LocalAddr), &length) != 0) {
        StoreLastError();
        return 0;
    }
    length = sizeof(m_PeerAddr);
    if (getpeername(m_hSocket, reinterpret_cast<sockaddr*>(&m_PeerAddr), &length) != 0) {
        StoreLastError();
        return 0;
    }
    m_bPeerKnown = 1;
    return 1;
}

int CRRESocket::Receive(void* destination, uint32_t count) {
    char* next = static_cast<char*>(destination);
    uint32_t remaining = count < RRE_SOCKET_MAX_RECEIVE ? count : RRE_SOCKET_MAX_RECEIVE;
    while (MayGoOn()) {
        if (remaining == 0) return 1;
        int received = recv(m_hSocket, next, static_cast<int>(remaining), 0);
        if (received < 0) {
            int error = StoreLastError();
            if (error == WSAEWOULDBLOCK) {
                WaitBeforeRetry(POLLRDNORM);
                continue;
            }
            DebugPrint("m_nLastError = %X\n", static_cast<unsigned>(error));
            if (error == WSAECONNRESET) m_nLastError = 0;
            return 0;
        }
        // The peer closed before every byte arrived: a partial message is never passed on.
        if (received == 0) return 0;
        next += received;
        remaining -= static_cast<uint32_t>(received);
    }
    return 0;
}

int CRRESocket::Send(const void* source, uint32_t count, bool moreFollows) {
    const char* next = static_cast<const char*>(source);
    uint32_t remaining = count;
    uint32_t fragment = count < RRE_SOCKET_SEND_FRAGMENT ? count : RRE_SOCKET_SEND_FRAGMENT;
    while (MayGoOn()) {
        if (remaining == 0) return 1;
        const int flags = moreFollows || remaining > fragment ? MSG_PARTIAL : 0;
        int sent = send(m_hSocket, next, static_cast<int>(fragment), flags);
        if (sent < 0) {
            if (StoreLastError() != WSAEWOULDBLOCK) return 0;
            WaitBeforeRetry(POLLWRNORM);
            continue;
        }
        next += sent;
        remaining -= static_cast<uint32_t>(sent);
        if (remaining < fragment) fragment = remaining;
    }
    return 0;
}

int CRRESocket::IOCtl(LONG command, ULONG* value) {
    METHOD_TRACE("CRRESocket::IOCtl");
    if (IsClosing()) return 0;
    if (ioctlsocket(m_hSocket, command, value) != 0) {
        StoreLastError();
        return 0;
    }
    return 1;
}

CRRESocket& CRRESocket::Close() {
    METHOD_TRACE("CRRE::Close");
    if (m_hSocket != INVALID_SOCKET) {
        closesocket(m_hSocket);
        m_hSocket = INVALID_SOCKET;
    }
    return *this;
}

int CRRESocket::SetNonBlocking() {
    ULONG on = 1;
    return ioctlsocket(m_hSocket, FIONBIO, &on);
}

int CRRESocket::SetNoDelay() {
    BOOL on = 1;
    return setsockopt(m_hSocket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
}

CRRESocket& CRRESocket::SetClosing() {
    m_bClosing.store(1);
    return *this;
}

int32_t CRRESocket::TakeLastError() {
    if (IsClosing()) return 0;
    int32_t error = m_nLastError;
    m_nLastError = 0;
    return error;
}

uint32_t CRRESocket::GetPeerIPv4() const {
    return m_bPeerKnown != 0 ? os_ntohl(m_PeerAddr.sin_addr.s_addr) : 0;
}

void CRRESocket::Attach(SOCKET handle) {
    if (m_hSocket != INVALID_SOCKET && m_hSocket != handle) closesocket(m_hSocket);
    m_hSocket = handle;
}
