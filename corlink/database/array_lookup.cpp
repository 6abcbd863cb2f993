#include "corlink/database/array_lookup.h"

#include <algorithm>
#include <cstring>

#include "corlink/database/controller_db.h"

namespace {

bool InUse(int32_t index) { return index >= 0 && static_cast<uint32_t>(index) < g_NumControllers; }

uint32_t ArrayCount(const RAID_CONTROLLER& entry) {
    return std::min<uint32_t>(entry.controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
}

template <class Matches>
int32_t FindArray(int32_t index, const uint8_t* serial, Matches matches) {
    if (!InUse(index) || serial == nullptr) return -1;
    const RAID_CONTROLLER& entry = g_ControllerDb[static_cast<uint32_t>(index)];
    for (uint32_t a = 0; a < ArrayCount(entry); ++a) {
        if (matches(entry.arrays[a])) return static_cast<int32_t>(a);
    }
    return -1;
}

// The serial's printable characters but blanks and '&', '<', '>', moved together; the rest zero.
void NormaliseDriveSerial(const uint8_t* serial, uint8_t (&out)[kObjectSerialSize]) {
    std::memset(out, 0, sizeof out);
    size_t kept = 0;
    for (size_t i = 0; i < kObjectSerialSize; ++i) {
        const uint8_t c = serial[i];
        if (c < 0x21 || c > 0x7E || c == '&' || c == '<' || c == '>') continue;
        out[kept++] = c;
    }
}

}  // namespace

int32_t FindArrayBySerial(int32_t index, const uint8_t* serial) {
    return FindArray(index, serial, [serial](const CAPI_ARRAY& array) {
        const size_t length = std::min<size_t>(array.serialNumberLength, sizeof array.serialNumber);
        return length != 0 && std::memcmp(array.serialNumber, serial, length) == 0;
    });
}

int32_t FindArrayByWholeSerial(int32_t index, const uint8_t* serial) {
    return FindArray(index, serial, [serial](const CAPI_ARRAY& array) {
        return std::memcmp(array.serialNumber, serial, kObjectSerialSize) == 0;
    });
}

bool IsSameDriveSerial(const uint8_t* serial, const uint8_t* other) {
    if (std::memcmp(serial, other, kObjectSerialSize) == 0) return true;
    uint8_t a[kObjectSerialSize];
    uint8_t b[kObjectSerialSize];
    NormaliseDriveSerial(serial, a);
    NormaliseDriveSerial(other, b);
    return std::memcmp(a, b, sizeof a) == 0;
}

uint32_t DriveCount(int32_t index) {
    if (!InUse(index)) return 0;
    return std::min<uint32_t>(g_ControllerDb[static_cast<uint32_t>(index)].controller.raid.numDrives,
                              RAID_CONTROLLER_MAX_DRIVES);
}

const CAPI_DRIVE& DriveAt(int32_t index, uint32_t k) {
    return g_ControllerDb[static_cast<uint32_t>(index)].drives[k];
}

const CAPI_DRIVE* FindDriveBySerial(int32_t index, const uint8_t* serial) {
    for (uint32_t k = 0; k < DriveCount(index); ++k) {
        const CAPI_DRIVE& drive = DriveAt(index, k);
        if (std::memcmp(drive.serialNumber, serial, kObjectSerialSize) == 0) return &drive;
    }
    return nullptr;
}

const CAPI_DRIVE* FindDriveByLocation(int32_t index, uint32_t channel, uint32_t scsiId) {
    for (uint32_t k = 0; k < DriveCount(index); ++k) {
        const CAPI_DRIVE& drive = DriveAt(index, k);
        if (drive.channel == static_cast<uint8_t>(channel) && drive.scsiId == static_cast<uint16_t>(scsiId))
            return &drive;
    }
    return nullptr;
}
