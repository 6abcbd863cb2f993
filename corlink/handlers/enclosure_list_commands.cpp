#include "corlink/handlers/enclosure_list_commands.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/structure_converters.h"
#include "corlink/database/controller_db.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_wire/buffers_drives.h"

namespace {

using rre_wire::BufferAs;

RAID_CONTROLLER& EntryOf(const CommandContext& c) { return g_ControllerDb[static_cast<uint32_t>(c.index)]; }

// The enclosure list read again, in network order: the index and the count, then the records.
int32_t RunGetDriveEnclosures(CommandContext& c) {
    CAPI_U_GetDriveEnclosures(ControllerHandleOf(c.index));
    if (!FindCommandControllerAgain(c)) return -1;
    const RAID_CONTROLLER& entry = EntryOf(c);
    const uint32_t n = std::min(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    auto* reply = BufferAs<RRE_DRIVE_ENCLOSURES_BUFFER>(c.buffer);
    CAPI_DRIVE_ENCLOSURES_STRUCT* records = &reply->enclosures;
    std::memset(records, 0, sizeof *records);
    std::memcpy(records, entry.enclosures, n * sizeof(CAPI_DRIVE_ENCLOSURE));
    PackCapiDriveEnclosuresStruct(PACK_TO_NETWORK, records);
    reply->controllerIndex = os_htonl(static_cast<uint32_t>(c.index));
    reply->enclosureCount = os_htonl(n);
    c.replyLength = static_cast<int32_t>(offsetof(RRE_DRIVE_ENCLOSURES_BUFFER, enclosures) +
                                         n * sizeof(CAPI_DRIVE_ENCLOSURE));
    DebugPrint("capicmd==>>capiGetDriveEnclosures success NumEnclosures=%d\n", n);
    return 0;
}

// All 16 advanced records, those past the entry's enclosures zero.
int32_t RunGetAdvDrvEnclosure(CommandContext& c) {
    const RAID_CONTROLLER& entry = EntryOf(c);
    const uint32_t n = std::min(entry.enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    auto* reply = BufferAs<RRE_ADV_ENCLOSURES_BUFFER>(c.buffer);
    static_assert(RAID_CONTROLLER_MAX_ENCLOSURES == RRE_ENCLOSURE_CAPACITY);
    reply->controllerId = 0;
    std::memcpy(reply->enclosures, entry.advancedEnclosures, n * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    std::memset(reply->enclosures + n, 0,
                (RAID_CONTROLLER_MAX_ENCLOSURES - n) * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    reply->enclosureCount = n;
    c.replyLength = static_cast<int32_t>(sizeof(RRE_ADV_ENCLOSURES_BUFFER));
    return 0;
}

}  // namespace

const FramedCommand kGetDriveEnclosures{Lookup::ClientId,      FirstRead::None, false, nullptr,
                                        RunGetDriveEnclosures, false,           ""};
const FramedCommand kGetAdvDrvEnclosure{Lookup::ClientId,      FirstRead::None, false,  nullptr,
                                        RunGetAdvDrvEnclosure, false,           " %s\n"};
