#include "corlink/commands/enclosure_list_commands.h"

#include <algorithm>
#include <cstring>

#include "corlink/capi/byte_order.h"
#include "corlink/capi/structure_converters.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/commands/controller_db.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"

namespace {

constexpr uint32_t kIndexAt = 8;
constexpr uint32_t kCountAt = 12;
constexpr uint32_t kRecordsAt = 16;

void PutWord(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

RAID_CONTROLLER& EntryOf(const CommandContext& c) { return g_ControllerDb[static_cast<uint32_t>(c.index)]; }

// The enclosure list read again, in network order: the index and the count, then the records.
int32_t RunGetDriveEnclosures(CommandContext& c) {
    CAPI_U_GetDriveEnclosures(ControllerHandleOf(c.index));
    if (!FindCommandControllerAgain(c)) return -1;
    const RAID_CONTROLLER& entry = EntryOf(c);
    const uint32_t n = std::min(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    auto* records = reinterpret_cast<CAPI_DRIVE_ENCLOSURES_STRUCT*>(c.buffer + kRecordsAt);
    std::memset(records, 0, sizeof *records);
    std::memcpy(records, entry.enclosures, n * sizeof(CAPI_DRIVE_ENCLOSURE));
    PackCapiDriveEnclosuresStruct(PACK_TO_NETWORK, records);
    PutWord(c.buffer + kIndexAt, os_htonl(static_cast<uint32_t>(c.index)));
    PutWord(c.buffer + kCountAt, os_htonl(n));
    c.replyLength = static_cast<int32_t>(kRecordsAt + n * sizeof(CAPI_DRIVE_ENCLOSURE));
    DebugPrint("capicmd==>>capiGetDriveEnclosures success NumEnclosures=%d\n", n);
    return 0;
}

// All 16 advanced records, those past the entry's enclosures zero.
int32_t RunGetAdvDrvEnclosure(CommandContext& c) {
    const RAID_CONTROLLER& entry = EntryOf(c);
    const uint32_t n = std::min(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    uint8_t* records = c.buffer + kRecordsAt;
    std::memset(c.buffer + kIndexAt, 0, kRecordsAt - kIndexAt);
    std::memcpy(records, entry.advancedEnclosures, n * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    std::memset(records + n * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE), 0,
                (RAID_CONTROLLER_MAX_ENCLOSURES - n) * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    PutWord(c.buffer + kCountAt, n);
    c.replyLength = static_cast<int32_t>(kRecordsAt + RAID_CONTROLLER_MAX_ENCLOSURES * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    return 0;
}

}  // namespace

const FramedCommand kGetDriveEnclosures{Lookup::ClientId, FirstRead::None, false, nullptr, RunGetDriveEnclosures,
                                        false, ""};
const FramedCommand kGetAdvDrvEnclosure{Lookup::ClientId, FirstRead::None, false, nullptr, RunGetAdvDrvEnclosure,
                                        false, " %s\n"};
