// The storage-system identifier of a controller pair, from what its enclosures report.
#include <cstdio>
#include <cstring>

#include "corlink/controller_entry/raid_controller.h"
#include "corlink/database/controller_discovery.h"

namespace {

constexpr uint8_t kFruDataValid = 2;
constexpr uint8_t kFruTypeStorageSystem = 9;  // the FRU whose supplier serial names the storage system
constexpr size_t kSystemSerialLength = 6;
constexpr uint32_t kFrusPerEnclosure = sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE{}.fruDataValidity);

// The six-character supplier serial of the enclosure's storage-system FRU, or null.
const char* StorageSystemSerial(const CAPI_ADVANCED_DRIVE_ENCLOSURE& enclosure) {
    for (uint32_t k = 0; k < kFrusPerEnclosure; ++k) {
        const CAPI_FRUID_INFO& fru = enclosure.fruidInfo[k];
        if (enclosure.fruDataValidity[k] == kFruDataValid && fru.fruType == kFruTypeStorageSystem &&
            strnlen(fru.supplierSn, sizeof(fru.supplierSn)) == kSystemSerialLength) {
            return fru.supplierSn;
        }
    }
    return nullptr;
}

}  // namespace

void SetUniqueSNFromEnclosures(RAID_CONTROLLER& entry) {
    char* sn = entry.UniqueSN;
    const uint8_t* wwn = entry.enclosures[0].enclosureWWN;
    std::snprintf(sn, sizeof(entry.UniqueSN), "%02X%02X%02X", wwn[4], wwn[5], wwn[6]);
    const uint32_t enclosures = entry.enclosureCount < RAID_CONTROLLER_MAX_ENCLOSURES
                                    ? entry.enclosureCount
                                    : RAID_CONTROLLER_MAX_ENCLOSURES;
    for (uint32_t j = 0; j < enclosures; ++j) {
        if (const char* serial = StorageSystemSerial(entry.advancedEnclosures[j])) {
            std::memset(sn, 0, sizeof(entry.UniqueSN));
            std::memcpy(sn, serial, kSystemSerialLength);
        }
    }
    if (std::strcmp(sn, "000000") == 0) {
        std::strcpy(sn, "555555");
    }
}
