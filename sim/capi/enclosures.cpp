// The enclosure commands: the enclosure list and the advanced record of one enclosure, named by its WWN.
#include "corlink/capi/capi_command_codes.h"
#include "corlink/capi/capi_error_codes.h"
#include "sim/capi/command_table.h"
#include "sim/capi/object_id.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeDriveEnclosures = 39;
constexpr uint32_t kIncludeAdvancedEnclosure = 80;

void DriveEnclosures(Call& call) { call.ReplyList(kIncludeDriveEnclosures, 1, EnclosureListPayload(call.pair())); }

void DriveEnclosure(Call& call) {
    const StorageSystem& pair = call.pair();
    if (!NamesObject(call, pair.enclosureWwn.data(), pair.enclosureWwn.size())) {
        call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
        return;
    }
    call.ReplyList(kIncludeAdvancedEnclosure, 1, AdvancedEnclosurePayload(pair));
}

constexpr CommandRow kRows[] = {
    {CAPI_COMMAND_U_GET_DRIVE_ENCLOSURES, "U_GET_DRIVE_ENCLOSURES", 0, 0, false, Sequence::PairInParams23,
     DriveEnclosures},
    {CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE, "U_GET_DRIVE_ENCLOSURE", kIncludeObjectId, kObjectIdSize, false,
     Sequence::PairInParams23, DriveEnclosure},
};

}  // namespace

CommandFamily EnclosureCommands() { return kRows; }

}  // namespace sim
