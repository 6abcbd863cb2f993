// Event texts over arbitrary event records and a small controller-database entry built from the input:
// whatever the record's codes, texts and counts say, the text stays within its 249 characters and the
// caller's buffer, and no walk over the entry's lists leaves them.
//
// Input: bytes 0-155 the event record (missing bytes zero); byte 156 flags: bit 0 the record addresses
// the entry, bit 1 array 0 has the record's Vdisk serial number, bit 2 array 1 shares its first 12 bytes,
// bit 3 drive 0 has the record's drive serial number, bit 4 that drive sits in an enclosure slot;
// bytes 157-168 the entry's array, drive and enclosure counts (u32 each, unchecked on purpose); 169 the
// slot count of every enclosure; 170 array 0's RAID level; 171 its drives per sub-array; 172 and 173 the
// drive's enclosure and slot; 174-205 array 0's name and 206-225 the enclosure's name (no NUL needed).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "corlink/capi_wire/capi_event.h"
#include "corlink/database/controller_db.h"
#include "corlink/diagnostics/event_text.h"
#include "corlink/handlers/event_commands.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

constexpr uint32_t kHandle = 0x100;
constexpr size_t kRecordSize = sizeof(CAPI_EVENT_RECORD);
constexpr size_t kInputSize = 226;
constexpr size_t kSerial = 88, kDriveSerial = 56;

uint32_t U32(const uint8_t* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Fills the database entry the way the input says, over an entry left as zero elsewhere.
void BuildEntry(RAID_CONTROLLER& entry, const uint8_t* in, const CAPI_EVENT_RECORD& record) {
    const auto* r = reinterpret_cast<const uint8_t*>(&record);
    const uint8_t flags = in[156];
    entry.controllerHandle = kHandle;
    std::memset(static_cast<void*>(&entry.arrays[0]), 0, 2 * sizeof(CAPI_ARRAY));
    std::memset(static_cast<void*>(&entry.drives[0]), 0, sizeof(CAPI_DRIVE));
    std::memset(static_cast<void*>(entry.enclosures), 0, sizeof(entry.enclosures));
    entry.controller.raid.numArrays = U32(in + 157);
    entry.controller.raid.numDrives = U32(in + 161);
    entry.enclosureCount = U32(in + 165);

    CAPI_ARRAY& array = entry.arrays[0];
    if (flags & 0x02) std::memcpy(array.serialNumber, r + kSerial, sizeof(array.serialNumber));
    array.raidLevel = in[170];
    array.numDrivesPerLowLevelArray = in[171];
    std::memcpy(array.name, in + 174, sizeof(array.name));
    if (flags & 0x04) {
        std::memcpy(entry.arrays[1].serialNumber, r + kSerial, 12);
        entry.arrays[1].serialNumber[12] = static_cast<uint8_t>(r[kSerial + 12] + 1);
        std::memcpy(entry.arrays[1].name, in + 174, sizeof(entry.arrays[1].name));
    }

    CAPI_DRIVE& drive = entry.drives[0];
    if (flags & 0x08) std::memcpy(drive.serialNumber, r + kDriveSerial, sizeof(drive.serialNumber));
    std::memcpy(drive.flexId.FCNodeWWN, in + 157, sizeof(drive.flexId.FCNodeWWN));
    for (CAPI_DRIVE_ENCLOSURE& enclosure : entry.enclosures) {
        enclosure.numberDiskDrives = in[169];
        std::memcpy(enclosure.name, in + 206, sizeof(enclosure.name));
    }
    if (flags & 0x10) {
        CAPI_DRIVE_ENCLOSURE& enclosure = entry.enclosures[in[172] % RAID_CONTROLLER_MAX_ENCLOSURES];
        std::memcpy(enclosure.drives[in[173] % 64].serialNumber, drive.flexId.FCNodeWWN, 8);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t in[kInputSize] = {};
    std::memcpy(in, data, std::min(size, sizeof(in)));
    CAPI_EVENT_RECORD record;
    std::memcpy(&record, in, kRecordSize);
    if ((in[156] & 0x01) != 0) record.address.controllerHandle = kHandle;

    RAID_CONTROLLER& entry = g_ControllerDb[0];
    BuildEntry(entry, in, record);
    g_NumControllers = 1;

    // The text as a reply carries it: NUL-terminated, its length returned, the rest of the buffer as the
    // caller left it.
    char text[EVENT_TEXT_BUFFER_SIZE] = {};
    const uint16_t length = FormatEventText(text, &record);
    Check(length <= EVENT_TEXT_MAX_LENGTH);
    Check(std::strlen(text) == length);
    for (size_t i = length; i < sizeof(text); ++i) Check(text[i] == 0);

    // Without a database entry the same record still gets a text within its bounds.
    const std::string unnamed = FormatEventText(record, nullptr);
    Check(unnamed.size() <= EVENT_TEXT_MAX_LENGTH);
    return 0;
}
