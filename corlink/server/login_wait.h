// Connections that have not logged in yet: how many may wait at once (a cap) and how long each may take
// (a deadline), so that connections that never log in cannot hold the server's threads and descriptors.
#pragma once

#include <atomic>
#include <cstdint>

// Connections beyond this many not yet logged in are closed as soon as they are accepted.
constexpr int32_t LOGIN_WAIT_CAP = 64;
// A connection that has not logged in this long after it was accepted is closed.
constexpr uint32_t LOGIN_DEADLINE_MS = 30000;

class LoginWaits {
  public:
    explicit LoginWaits(int32_t cap = LOGIN_WAIT_CAP) : m_Cap(cap) {}
    LoginWaits(const LoginWaits&) = delete;
    LoginWaits& operator=(const LoginWaits&) = delete;

    // Takes a place for a connection; false when every place is taken.
    bool TryEnter();
    void Leave();

  private:
    const int32_t m_Cap;
    std::atomic<int32_t> m_Waiting{0};
};

// One connection's place among the LoginWaits, given back once: at the login or when the place goes.
class LoginWaitPlace {
  public:
    LoginWaitPlace() = default;  // holds no place
    explicit LoginWaitPlace(LoginWaits* waits) : m_Waits(waits) {}
    ~LoginWaitPlace() { Release(); }
    LoginWaitPlace(LoginWaitPlace&& other) noexcept : m_Waits(other.m_Waits) { other.m_Waits = nullptr; }
    LoginWaitPlace& operator=(LoginWaitPlace&& other) noexcept;
    LoginWaitPlace(const LoginWaitPlace&) = delete;
    LoginWaitPlace& operator=(const LoginWaitPlace&) = delete;

    void Release();

  private:
    LoginWaits* m_Waits = nullptr;
};
