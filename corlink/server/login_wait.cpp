#include "corlink/server/login_wait.h"

bool LoginWaits::TryEnter() {
    int32_t waiting = m_Waiting.load();
    do {
        if (waiting >= m_Cap) return false;
    } while (!m_Waiting.compare_exchange_weak(waiting, waiting + 1));
    return true;
}

void LoginWaits::Leave() { m_Waiting.fetch_sub(1); }

void LoginWaitPlace::Release() {
    if (m_Waits != nullptr) m_Waits->Leave();
    m_Waits = nullptr;
}

LoginWaitPlace& LoginWaitPlace::operator=(LoginWaitPlace&& other) noexcept {
    if (this != &other) {
        Release();
        m_Waits = other.m_Waits;
        other.m_Waits = nullptr;
    }
    return *this;
}
