// Faults injected into a controller's exchange: each scripted fault meets the next matching command
// (by command code, or any command) as many times as scripted, then is used up.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace sim {

enum class FaultKind {
    ReturnCode,  // the command is answered with this return code and no data
    NoReply,     // the command is taken but its reply never comes: the reply read times out
    PaperJam,    // the WRITE BUFFER is refused with "reply waiting" sense (5/3B/05); not executed
    BusReset,    // the WRITE BUFFER is refused with reset sense (6/29/00); not executed
    Vanish,      // the controller drops off the bus as the command arrives
};

const char* FaultKindName(FaultKind kind);

inline constexpr int64_t kAnyCommand = -1;

struct Fault {
    FaultKind kind = FaultKind::ReturnCode;
    int64_t commandCode = kAnyCommand;
    int32_t returnCode = 0;  // ReturnCode only
    uint32_t times = 1;
};

class FaultScript {
public:
    void Add(const Fault& fault) { faults_.push_back(fault); }
    // The first scripted fault for this command, counted as used once.
    std::optional<Fault> Take(uint32_t commandCode);
    void Clear() { faults_.clear(); }

private:
    std::deque<Fault> faults_;
};

}  // namespace sim
