#include "corlink/diagnostics/event_naming.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "corlink/controller_entry/raid_controller.h"
#include "corlink/diagnostics/event_record.h"
#include "corlink/diagnostics/text_format.h"

namespace {

constexpr size_t kVdiskNameMax = 32;
constexpr size_t kDriveSerialMax = 32;
constexpr size_t kVolumeNameMax = 20;
// A volume's serial number starts with the first 12 bytes of its Vdisk's.
constexpr size_t kVdiskSerialPrefix = 12;

template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

const CAPI_DRIVE* FindDriveBySerial(const RAID_CONTROLLER* controller, const uint8_t* serial) {
    if (controller == nullptr) return nullptr;
    const uint32_t count = std::min(controller->controller.raid.numDrives, RAID_CONTROLLER_MAX_DRIVES);
    for (uint32_t i = 0; i < count; ++i) {
        const CAPI_DRIVE& drive = controller->drives[i];
        if (std::memcmp(drive.serialNumber, serial, sizeof(drive.serialNumber)) == 0) return &drive;
    }
    return nullptr;
}

}  // namespace

const CAPI_ARRAY* FindArrayBySerial(const RAID_CONTROLLER* controller, const uint8_t* serial, size_t length,
                                    uint32_t* index) {
    if (controller == nullptr) return nullptr;
    const uint32_t count = std::min(controller->controller.raid.numArrays, RAID_CONTROLLER_MAX_ARRAYS);
    for (uint32_t i = 0; i < count; ++i) {
        const CAPI_ARRAY& array = controller->arrays[i];
        if (std::memcmp(array.serialNumber, serial, length) == 0) {
            if (index != nullptr) *index = i;
            return &array;
        }
    }
    return nullptr;
}

std::string GetVdiskName(const EventRecord& record, const RAID_CONTROLLER* controller) {
    if (record.HasObjectName()) return record.ObjectName();
    uint32_t index = 0;
    std::string name;
    if (const CAPI_ARRAY* array = FindArrayBySerial(controller, record.Bytes(EventRecord::kSerial),
                                                    EventRecord::kSerialSize, &index)) {
        name = FieldText(array->name);
        if (name.empty()) name = TextFormat("NoName%d", {index});
    } else if (record.IsZero(EventRecord::kSerial, EventRecord::kSerialSize)) {
        name = "Unknown Vdisk";
    } else {
        name = FormatSerialHex(record.Bytes(EventRecord::kSerial));
    }
    return name.substr(0, kVdiskNameMax);
}

std::string FormatVolumeText(const EventRecord& record, const RAID_CONTROLLER* controller) {
    std::string vdiskName;
    bool vdiskFound = false;
    if (record.HasObjectName()) {
        vdiskName = record.ObjectName();
        vdiskFound = true;
    } else if (const CAPI_ARRAY* array =
                   FindArrayBySerial(controller, record.Bytes(EventRecord::kSerial), kVdiskSerialPrefix)) {
        vdiskName = FieldText(array->name);
        vdiskFound = true;
    }
    const std::string serial = FormatSerialHex(record.Bytes(EventRecord::kSerial));
    const std::string volume = record.Text(EventRecord::kText, kVolumeNameMax);
    if (vdiskFound && !vdiskName.empty()) {
        return TextFormat("Vdisk: %s, volume: %s, SN: %s", {vdiskName, volume, serial});
    }
    return TextFormat("volume: %s, SN: %s", {volume, serial});
}

std::string FormatDriveSerial(const EventRecord& record) {
    return "SN: " + record.Text(EventRecord::kText, kDriveSerialMax);
}

std::string FormatDriveLocation(const EventRecord& record, const RAID_CONTROLLER* controller) {
    const std::string base = "SN:" + record.Text(EventRecord::kText, kDriveSerialMax);
    const CAPI_DRIVE* drive = FindDriveBySerial(controller, record.Bytes(EventRecord::kText));
    if (drive == nullptr) return base;
    // The slot whose serial number starts with the drive's node WWN; when several enclosures hold one,
    // the last of them is named.
    const CAPI_DRIVE_ENCLOSURE* foundEnclosure = nullptr;
    uint32_t foundSlot = 0;
    const uint32_t enclosures = std::min(controller->enclosureCount, RAID_CONTROLLER_MAX_ENCLOSURES);
    for (uint32_t e = 0; e < enclosures; ++e) {
        const CAPI_DRIVE_ENCLOSURE& enclosure = controller->enclosures[e];
        const uint32_t slots = std::min<uint32_t>(enclosure.numberDiskDrives, std::size(enclosure.drives));
        for (uint32_t s = 0; s < slots; ++s) {
            if (std::memcmp(enclosure.drives[s].serialNumber, drive->flexId.FCNodeWWN,
                            sizeof(drive->flexId.FCNodeWWN)) == 0) {
                foundEnclosure = &enclosure;
                foundSlot = s;
                break;
            }
        }
    }
    if (foundEnclosure == nullptr) return base;
    return TextFormat("%s Encl:%s Slot:%d", {base, FieldText(foundEnclosure->name), foundSlot});
}

std::string FormatChannelLoopId(const EventRecord& record) {
    return TextFormat("Channel:%d LoopID:%d", {record.Channel(), record.LoopId()});
}

std::string FormatSerialHex(const uint8_t* bytes) {
    std::string text;
    for (size_t i = 0; i < 16; ++i) text += TextFormat("%2.2x", {uint32_t{bytes[i]}});
    return text;
}

std::string FormatBytesHex(const uint8_t* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}
