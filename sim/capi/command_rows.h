// The CAPI commands the fabric answers, one row each: what the dispatcher checks and does around the
// handler. Rows live beside their handlers, one file per family of commands.
#pragma once

#include <cstdint>
#include <span>

#include "sim/capi/call.h"

namespace sim {

// Where a reply carries the pair's configuration sequence numbers.
enum class Sequence : uint8_t {
    None,
    PairInParams23,  // controller A's in param2, controller B's in param3
};

struct CommandRow {
    uint32_t code;
    const char* name;
    uint32_t includeType;     // the include the command must carry (0: none is looked at)
    uint32_t minIncludeSize;  // and at least this many bytes of it
    bool changesState;        // on success the pair's numbers move and the host's disks are derived again
    Sequence sequence;
    void (*handler)(Call&);
};

using CommandFamily = std::span<const CommandRow>;

// The families, each defined in its own file.
CommandFamily ControllerCommands();
CommandFamily ArrayCommands();
CommandFamily ArraySettingsCommands();
CommandFamily ArrayConfigCommands();
CommandFamily CacheCommands();
CommandFamily AuthDbCommands();
CommandFamily ControllerSettingsCommands();
CommandFamily DriveCommands();
CommandFamily EnclosureCommands();
CommandFamily HostCommands();
CommandFamily EventCommands();
CommandFamily MappingCommands();
CommandFamily RolloffCommands();
CommandFamily SnapshotCommands();
CommandFamily RestartCommands();

// The row of a command code, or null for a command the fabric does not answer.
const CommandRow* FindCommand(uint32_t code);

}  // namespace sim
