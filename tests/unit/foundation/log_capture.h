// Captures the debugger output (where the log goes when no log file is open) for one test.
#pragma once

#include <mutex>
#include <string>

#include "platform/system/debug_output.h"

class DebuggerCapture {
  public:
    DebuggerCapture() {
        platform::SetDebugOutputSink([this](const std::string& s) {
            std::lock_guard<std::mutex> g(m_);
            text_ += s;
        });
    }
    ~DebuggerCapture() { platform::SetDebugOutputSink({}); }
    std::string Text() {
        std::lock_guard<std::mutex> g(m_);
        return text_;
    }
    void Clear() {
        std::lock_guard<std::mutex> g(m_);
        text_.clear();
    }

  private:
    std::mutex m_;
    std::string text_;
};
