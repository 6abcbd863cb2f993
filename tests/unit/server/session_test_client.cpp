#include "session_test_client.h"

#define OPENSSL_SUPPRESS_DEPRECATED  // one-block DES is what the peer's cipher is made of
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/des.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace sessiontest {
namespace {

constexpr int kWaitMs = 5000;
constexpr char kKey[] = "vemorlit";
constexpr uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7,
};

uint8_t ReverseBits(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | ((b >> i) & 1) << (7 - i));
    return r;
}

// Standard DES on bit-reversed bytes: the peer's cipher takes each byte's bits lowest first.
void EncipherBlock(uint8_t* block) {
    DES_cblock key, in, out;
    for (int i = 0; i < 8; ++i) {
        key[i] = ReverseBits(static_cast<uint8_t>(kKey[i]));
        in[i] = ReverseBits(block[i]);
    }
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    DES_ecb_encrypt(&in, &out, &schedule, DES_ENCRYPT);
    for (int i = 0; i < 8; ++i) block[i] = ReverseBits(out[i]);
}

void PutWord(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

}  // namespace

bool MakeLoopbackPair(LoopbackPair* pair) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bool ok = ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
              ::listen(listener, 1) == 0 &&
              ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (ok) {
        pair->clientFd = ::socket(AF_INET, SOCK_STREAM, 0);
        ok = pair->clientFd >= 0 &&
             ::connect(pair->clientFd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (ok) pair->serverFd = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    return ok && pair->serverFd >= 0;
}

RawClient::~RawClient() { Close(); }

void RawClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RawClient::SendBytes(const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool RawClient::Send(uint32_t dataType, uint32_t opCode, const std::vector<uint8_t>& data, uint32_t sequence,
                     uint32_t cookie) {
    std::vector<uint8_t> bytes =
        EncodeHeader(sequence, cookie, dataType, opCode, static_cast<uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return SendBytes(bytes);
}

bool RawClient::ReadExactly(uint8_t* out, size_t n, int waitMs) {
    size_t got = 0;
    while (got < n) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0) return false;
        ssize_t r = ::recv(fd_, out + got, n - got, 0);
        if (r <= 0) return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

bool RawClient::Read(Message* m, int waitMs) {
    uint8_t h[36];
    if (!ReadExactly(h, sizeof h, waitMs)) return false;
    std::memcpy(m->signature, h, 12);
    std::vector<uint8_t> head(h, h + 36);
    m->sequence = WordAt(head, 12);
    m->cookie = WordAt(head, 16);
    m->dataType = WordAt(head, 20);
    m->opCode = WordAt(head, 24);
    m->reserved = WordAt(head, 28);
    m->dataLen = WordAt(head, 32);
    m->data.assign(m->dataLen, 0);
    return m->dataLen == 0 || ReadExactly(m->data.data(), m->dataLen);
}

bool RawClient::ServerClosed() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, kWaitMs) <= 0) return false;
    uint8_t byte;
    return ::recv(fd_, &byte, 1, 0) <= 0;
}

std::vector<uint32_t> RawClient::Login(const std::string& user, const std::string& password) {
    Message reply;
    if (!Send(3, 1, {'t', 'e', 's', 't'}) || !Read(&reply) || reply.dataLen != 8) return {};
    const uint32_t handshakeValue = WordAt(reply.data, 4);
    if (!Send(3, 3, LoginRequest(user, password, handshakeValue)) || !Read(&reply) || reply.dataLen != 12)
        return {};
    base = WordAt(reply.data, 4);
    sequence = 0;
    return {WordAt(reply.data, 0), WordAt(reply.data, 4), WordAt(reply.data, 8)};
}

bool RawClient::SendRequest(uint32_t opCode, const std::vector<uint8_t>& data) {
    ++sequence;
    return Send(1, opCode, data, sequence, ExpectedCookie(base, sequence));
}

std::vector<uint8_t> EncodeHeader(uint32_t sequence, uint32_t cookie, uint32_t dataType, uint32_t opCode,
                                  uint32_t dataLen) {
    std::vector<uint8_t> h(36, 0);
    std::memcpy(h.data(), "KESTRAVON", 9);
    const uint32_t words[] = {sequence, cookie, dataType, opCode, 0, dataLen};
    for (size_t i = 0; i < 6; ++i) PutWord(h.data() + 12 + 4 * i, words[i]);
    return h;
}

uint32_t ExpectedCookie(uint32_t base, uint32_t sequence) {
    return base + sequence + kInitialPermutation[sequence % 64];
}

std::vector<uint8_t> LoginRequest(const std::string& user, const std::string& password,
                                  uint32_t handshakeEcho) {
    std::vector<uint8_t> data(344, 0);
    std::memcpy(data.data(), user.data(), std::min<size_t>(user.size(), 32));
    // At most 40 characters are enciphered, blank-padded to whole blocks; the rest travel plain.
    uint8_t field[48] = {};
    std::memcpy(field, password.data(), std::min<size_t>(password.size(), 48));
    const size_t enciphered = std::min<size_t>(password.size(), 40);
    const size_t blocks = (enciphered + 7) / 8;
    for (size_t i = enciphered; i < blocks * 8; ++i) field[i] = ' ';
    for (size_t b = 0; b < blocks; ++b) EncipherBlock(field + 8 * b);
    // The cipher's copy-back stops at the first zero byte of the cipher text.
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(field, 0, blocks * 8));
    if (zero != nullptr)
        std::memset(field + (zero - field), 0, blocks * 8 - static_cast<size_t>(zero - field));
    std::memcpy(data.data() + 32, field, sizeof field);
    data[80] = static_cast<uint8_t>(password.size());
    PutWord(data.data() + 84, handshakeEcho);
    return data;
}

std::vector<uint8_t> BigEndian(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> bytes(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words) PutWord(bytes.data() + 4 * i++, w);
    return bytes;
}

uint32_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
    return uint32_t{data[offset]} << 24 | uint32_t{data[offset + 1]} << 16 | uint32_t{data[offset + 2]} << 8 |
           uint32_t{data[offset + 3]};
}

}  // namespace sessiontest
