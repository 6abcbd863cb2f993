// One non-blocking TCP socket of the proxy: the listening socket, an accepted client connection, or an
// outgoing connection to a listener. Every operation that would block waits on the socket, at most 2 ms at a
// time, and is retried until it completes, fails, or the socket is marked closing. Connections send without
// Nagle's delay. Operations return 1 for success and 0 for failure and keep the last Winsock error.
//
// Only the owner's thread closes the handle; other threads mark the socket closing, which makes every
// pending and later operation fail at once. A socket given a deadline fails its operations the same way
// once the deadline has passed (error WSAETIMEDOUT).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/net/winsock.h"

// Receive never stores more than this in one call (the size of a session's data buffer).
constexpr uint32_t RRE_SOCKET_MAX_RECEIVE = 4194304;
// Sends go out in fragments of at most this many bytes.
constexpr uint32_t RRE_SOCKET_SEND_FRAGMENT = 1024;
// The longest wait between two tries of an operation that would block.
constexpr uint32_t RRE_SOCKET_RETRY_MS = 2;

class CRRESocket {
  public:
    CRRESocket();
    ~CRRESocket();
    CRRESocket(const CRRESocket&) = delete;
    CRRESocket& operator=(const CRRESocket&) = delete;

    int Socket(int addressFamily, int socketType, int protocol);
    // address in network order, port in host order.
    int Bind(uint32_t address, uint16_t port);
    int Listen(int backlog);
    // Waits for a connection and hands it to target.
    int Accept(CRRESocket& target);
    // Sets the port (host order) into peer, binds to local, connects to peer.
    int Connect(sockaddr_in* peer, const sockaddr_in* local, uint16_t port);
    int GetPeerName();
    // Receives exactly count bytes (at most RRE_SOCKET_MAX_RECEIVE); fails when the peer closes first.
    int Receive(void* destination, uint32_t count);
    // Sends count bytes in fragments of at most RRE_SOCKET_SEND_FRAGMENT. All fragments but the last are
    // marked as followed by more of the same message, so the kernel may join them; so is the last when
    // moreFollows (the caller sends the rest of the message next).
    int Send(const void* source, uint32_t count, bool moreFollows = false);
    int IOCtl(LONG command, ULONG* value);
    CRRESocket& Close();

    int SetNonBlocking();
    // Turns Nagle's algorithm off: small writes leave at once.
    int SetNoDelay();
    // Operations fail once the clock's monotonic reading reaches deadlineMs; 0: no deadline.
    void SetDeadline(uint64_t deadlineMs) { m_DeadlineMs = deadlineMs; }
    // Marks the socket closing; may be called from any thread. Never cleared.
    CRRESocket& SetClosing();
    // The stored error, cleared by the read; 0 while closing.
    int32_t TakeLastError();
    // The peer's IPv4 address in host order, 0 when not known.
    uint32_t GetPeerIPv4() const;
    sockaddr_in* GetPeerAddr() { return &m_PeerAddr; }
    sockaddr_in* GetLocalAddr() { return &m_LocalAddr; }
    // Takes over a connected handle (any handle held before is closed).
    void Attach(SOCKET handle);
    SOCKET Handle() const { return m_hSocket; }
    bool IsClosing() const { return m_bClosing.load() != 0; }

  private:
    // Stores the calling thread's Winsock error and gives it back.
    int StoreLastError();
    // Clears the would-block error and waits until the socket is ready for events (WSAPoll), at most
    // RRE_SOCKET_RETRY_MS, so that the closing flag is read at least as often.
    void WaitBeforeRetry(int16_t events);
    // False once the socket is closing or its deadline has passed (the error is then WSAETIMEDOUT).
    bool MayGoOn();

    SOCKET m_hSocket;
    sockaddr_in m_PeerAddr;
    sockaddr_in m_LocalAddr;
    int32_t m_nLastError;
    std::atomic<int32_t> m_bClosing;
    int32_t m_bPeerKnown;
    uint64_t m_DeadlineMs = 0;
};
