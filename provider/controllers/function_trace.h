// The scope tracer that every function of the provider opens first ("Entering: <name>" and, on every way
// out, "Exiting: <name>"), and the scoped lock over a critical section.
#pragma once

#include "platform/kernel/critical_section.h"
#include "platform/system/wide_text.h"

class BVSS_FunctionTrace {
  public:
    explicit BVSS_FunctionTrace(const WCHAR* name);
    ~BVSS_FunctionTrace();
    BVSS_FunctionTrace(const BVSS_FunctionTrace&) = delete;
    BVSS_FunctionTrace& operator=(const BVSS_FunctionTrace&) = delete;

  private:
    const WCHAR* m_name;
};

class BVSS_CritSecLock {
  public:
    explicit BVSS_CritSecLock(CRITICAL_SECTION* section);
    ~BVSS_CritSecLock() { Unlock(); }
    // Leaves the section when it is held; at most once.
    void Unlock();
    BVSS_CritSecLock(const BVSS_CritSecLock&) = delete;
    BVSS_CritSecLock& operator=(const BVSS_CritSecLock&) = delete;

  private:
    CRITICAL_SECTION* m_section;
};
