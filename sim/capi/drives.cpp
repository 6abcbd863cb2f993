// The drive commands: the drive list.
#include "corlink/capi/capi_command_codes.h"
#include "sim/capi/command_table.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeUnifiedDrives = 52;

void DriveList(Call& call) {
    const StorageSystem& pair = call.pair();
    call.ReplyList(kIncludeUnifiedDrives, static_cast<uint32_t>(pair.drives.size()), DriveListPayload(pair));
}

constexpr CommandRow kRows[] = {
    {CAPI_COMMAND_U_GET_DRIVE_LIST, "U_GET_DRIVE_LIST", 0, 0, false, Sequence::PairInParams23, DriveList},
};

}  // namespace

CommandFamily DriveCommands() { return kRows; }

}  // namespace sim
