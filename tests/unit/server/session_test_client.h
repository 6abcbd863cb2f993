// A proxy client for the session tests, written apart from the production code: it encodes its own
// header bytes, computes its own cookies and enciphers the password with OpenSSL's DES. It speaks
// through plain POSIX sockets on the loopback interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sessiontest {

// A listening socket on 127.0.0.1 with a free port, and the two ends of one accepted connection.
struct LoopbackPair {
    int clientFd = -1;
    int serverFd = -1;
};
// Connects a new client to a fresh loopback listener and accepts it; false on failure.
bool MakeLoopbackPair(LoopbackPair* pair);

struct Message {
    uint8_t signature[12] = {};
    uint32_t sequence = 0, cookie = 0, dataType = 0, opCode = 0, reserved = 0, dataLen = 0;
    std::vector<uint8_t> data;
};

class RawClient {
  public:
    explicit RawClient(int fd) : fd_(fd) {}
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool SendBytes(const std::vector<uint8_t>& bytes);
    // A header with the signature and these fields, then the data.
    bool Send(uint32_t dataType, uint32_t opCode, const std::vector<uint8_t>& data, uint32_t sequence = 0,
              uint32_t cookie = 0);
    // The next message, or false when none came in time or the connection closed.
    bool Read(Message* message, int waitMs = 5000);
    // Exactly n bytes, or false when they did not come in time.
    bool ReadExactly(uint8_t* out, size_t n, int waitMs = 5000);
    // True when the server closed the connection (with nothing more to read) within a few seconds.
    bool ServerClosed();
    void Close();

    // Handshake, then a login with this password; the login reply's words.
    std::vector<uint32_t> Login(const std::string& user, const std::string& password);
    // A request with the next sequence and the right cookie for the base.
    bool SendRequest(uint32_t opCode, const std::vector<uint8_t>& data);

    uint32_t base = 0;
    uint32_t sequence = 0;

  private:
    int fd_;
};

std::vector<uint8_t> EncodeHeader(uint32_t sequence, uint32_t cookie, uint32_t dataType, uint32_t opCode,
                                  uint32_t dataLen);
uint32_t ExpectedCookie(uint32_t base, uint32_t sequence);
// The 344 bytes of a login: user name, enciphered password, plain length, handshake echo.
std::vector<uint8_t> LoginRequest(const std::string& user, const std::string& password,
                                  uint32_t handshakeEcho);
std::vector<uint8_t> BigEndian(std::initializer_list<uint32_t> words);
uint32_t WordAt(const std::vector<uint8_t>& data, size_t offset);

}  // namespace sessiontest
