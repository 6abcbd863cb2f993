#include "sim/fault_script.h"

namespace sim {

const char* FaultKindName(FaultKind kind) {
    switch (kind) {
        case FaultKind::ReturnCode: return "return code";
        case FaultKind::NoReply: return "no reply";
        case FaultKind::PaperJam: return "paper jam";
        case FaultKind::BusReset: return "bus reset";
        case FaultKind::Vanish: return "vanish";
    }
    return "?";
}

std::optional<Fault> FaultScript::Take(uint32_t commandCode) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->commandCode != kAnyCommand && it->commandCode != static_cast<int64_t>(commandCode)) continue;
        Fault fault = *it;
        if (it->times <= 1) {
            faults_.erase(it);
        } else {
            --it->times;
        }
        return fault;
    }
    return std::nullopt;
}

}  // namespace sim
