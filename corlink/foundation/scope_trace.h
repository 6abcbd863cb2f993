// Logs the entry to a routine when constructed and its exit when destroyed (also when an exception
// leaves the scope).
#pragma once

#include "corlink/foundation/log.h"

class ScopeTrace {
  public:
    explicit ScopeTrace(const char* routine) : m_Routine(routine) { DebugPrint("%s()\n", m_Routine); }
    ~ScopeTrace() { DebugPrint("%s() out\n", m_Routine); }
    ScopeTrace(const ScopeTrace&) = delete;
    ScopeTrace& operator=(const ScopeTrace&) = delete;

  private:
    const char* m_Routine;
};
