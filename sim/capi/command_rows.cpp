#include "sim/capi/command_rows.h"

namespace sim {

const CommandRow* FindCommand(uint32_t code) {
    static const CommandFamily kFamilies[] = {
        ControllerCommands(),  ArrayCommands(),   ArraySettingsCommands(), DriveCommands(),
        ArrayConfigCommands(), CacheCommands(),   EnclosureCommands(),     HostCommands(),
        MappingCommands(),     RolloffCommands(), SnapshotCommands(),      ControllerSettingsCommands(),
        RestartCommands(),     AuthDbCommands(),  EventCommands()};
    for (const CommandFamily& family : kFamilies) {
        for (const CommandRow& row : family) {
            if (row.code == code) return &row;
        }
    }
    return nullptr;
}

}  // namespace sim
