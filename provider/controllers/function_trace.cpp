#include "provider/controllers/function_trace.h"

#include "provider/controllers/debug_log.h"

BVSS_FunctionTrace::BVSS_FunctionTrace(const WCHAR* name) : m_name(name) {
    BVSS_DebugPrint(L"Entering: %s\n", m_name);
}

BVSS_FunctionTrace::~BVSS_FunctionTrace() {
    try {
        BVSS_DebugPrint(L"Exiting: %s\n", m_name);
    } catch (...) {
    }
}

BVSS_CritSecLock::BVSS_CritSecLock(CRITICAL_SECTION* section) : m_section(section) {
    EnterCriticalSection(m_section);
}

void BVSS_CritSecLock::Unlock() {
    if (m_section == nullptr) return;
    LeaveCriticalSection(m_section);
    m_section = nullptr;
}
