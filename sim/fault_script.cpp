#include "sim/fault_script.h"

#include <cstring>

namespace sim {
namespace {

constexpr struct {
    FaultKind kind;
    const char* name;
} kNames[] = {
    // clang-format off
    {FaultKind::ReturnCode, "return code"},
    {FaultKind::ExecuteThenCode, "execute then code"},
    {FaultKind::SurvivesDeletion, "survives deletion"},
    {FaultKind::MalformedReply, "malformed reply"},
    {FaultKind::NoReply, "no reply"},
    {FaultKind::PaperJam, "paper jam"},
    {FaultKind::BusReset, "bus reset"},
    {FaultKind::Vanish, "vanish"},
    {FaultKind::DownFor, "down"},
    {FaultKind::RefusingFor, "refusing"},
    {FaultKind::ClaimsRecords, "claims records"},
    {FaultKind::ExecuteThenNoReply, "execute then no reply"},
    {FaultKind::DiskError, "disk error"},
    {FaultKind::DiskCheckCondition, "disk check condition"},
    {FaultKind::DiskTimeout, "disk timeout"},
    {FaultKind::DiskReservationConflict, "disk reservation conflict"},
    // clang-format on
};

}  // namespace

const char* FaultKindName(FaultKind kind) {
    for (const auto& entry : kNames) {
        if (entry.kind == kind) return entry.name;
    }
    return "?";
}

bool FaultKindFromName(const char* name, FaultKind* kind) {
    for (const auto& entry : kNames) {
        if (std::strcmp(entry.name, name) == 0) {
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

std::optional<Fault> FaultScript::Take(uint32_t commandCode) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->commandCode != kAnyCommand && it->commandCode != static_cast<int64_t>(commandCode)) continue;
        if (it->after > 0) {
            --it->after;
            return std::nullopt;
        }
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
