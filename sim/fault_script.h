// Faults injected into a controller's exchange or a host disk's I/O: each scripted fault meets the next
// matching command (by CAPI command code or SCSI operation code, or any command), or the one after the
// number it lets pass, as many times as scripted, then is used up.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

namespace sim {

enum class FaultKind {
    // Controllers
    ReturnCode,        // answered with returnCode and no data; not executed
    ExecuteThenCode,   // executed (a change takes effect), then answered with returnCode
    SurvivesDeletion,  // answered as done, but not executed: the object it deletes stays
    MalformedReply,    // answered with a reply whose header is damaged (signature, length); not executed
    NoReply,           // taken, but its reply never comes: the reply read times out
    PaperJam,          // the WRITE BUFFER is refused with "reply waiting" sense (5/3B/05); not executed
    BusReset,          // the WRITE BUFFER is refused with reset sense (6/29/00); not executed
    Vanish,            // the controller drops off the bus as the command arrives
    DownFor,           // the controller goes down for durationMs: this and later commands get no reply
    RefusingFor,       // the controller refuses this and later commands with returnCode for durationMs
    ClaimsRecords,     // executed, then its reply claims returnCode records in param1 (more than it carries)
    ExecuteThenNoReply,  // executed (a change takes effect), then its reply is lost: the reply read times out
    // Host disks
    DiskError,                // the I/O control fails with the Windows error in returnCode
    DiskCheckCondition,       // CHECK CONDITION; returnCode holds sense key << 16 | ASC << 8 | ASCQ
    DiskTimeout,              // the command never completes (ERROR_SEM_TIMEOUT)
    DiskReservationConflict,  // RESERVATION CONFLICT (0x18) with fixed sense; returnCode as for a CHECK
                              // CONDITION
};

const char* FaultKindName(FaultKind kind);
// The kind of a name as FaultKindName gives it; false for none.
bool FaultKindFromName(const char* name, FaultKind* kind);

inline constexpr int64_t kAnyCommand = -1;

struct Fault {
    FaultKind kind = FaultKind::ReturnCode;
    int64_t commandCode = kAnyCommand;
    int32_t returnCode = 0;
    uint32_t times = 1;
    uint32_t durationMs = 0;  // DownFor, RefusingFor
    uint32_t after = 0;       // matching commands let pass before the fault meets one
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
