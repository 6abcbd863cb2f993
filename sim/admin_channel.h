// The fabric's administration channel: one text message per request, a verb and key=value words, for
// processes that drive a fabric served by arraysim (end-to-end tests):
//   fault pair=0 half=b kind=return-code command=1004 code=47 times=1 ms=0 after=0
//   disk-fault disk=1 kind=disk-error command=any code=55 times=1
//   condition pair=0 half=a state=down|refusing|up ms=90000 code=47
//   reboot pair=0 half=a ms=30000        present pair=0 half=b value=0|1
//   rescan      disks      journal      clear-journal      volumes      set serial-text-length=32
//   set pair=0 rolloff-copy-ms=300000 rolloff-stall-percent=40   (full copies started from now on; a
//       higher stall point also releases the running copies held below it)
// Fault kinds are FaultKindName's names with '-' for ' '. Every message is bounded and checked before
// anything is done; the answer starts with "ok" or "error".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/fault_script.h"
#include "sim/model/pair.h"

namespace sim {

class Fabric;

inline constexpr size_t kMaxAdminMessage = 1024;
inline constexpr size_t kMaxAdminAnswer = 0x10000;

struct AdminRequest {
    enum class Verb {
        Fault,
        DiskFault,
        Condition,
        Reboot,
        Present,
        Rescan,
        Disks,
        Journal,
        ClearJournal,
        Set,
        Volumes
    };
    Verb verb = Verb::Rescan;
    size_t pair = 0;
    int half = 0;
    uint32_t disk = 0;
    Fault fault;
    HalfState state = HalfState::Up;
    uint32_t durationMs = 0;
    int32_t code = 0;
    bool present = true;
    // Set: only the keys given change.
    bool setsSerialTextLength = false;
    uint32_t serialTextLength = 0;
    bool setsRolloffCopyMs = false;
    uint32_t rolloffCopyMs = 0;
    bool setsRolloffStallPercent = false;
    uint8_t rolloffStallPercent = 100;
};

// Reads one message; false with the reason in *error when it is not a well-formed request.
bool ParseAdminMessage(std::string_view message, AdminRequest* request, std::string* error);
// Parses and carries out one message on the fabric; the answer text (at most kMaxAdminAnswer bytes).
std::string AnswerAdminMessage(Fabric& fabric, std::string_view message);

}  // namespace sim
