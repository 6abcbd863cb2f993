// The texts that event rows take as arguments, from the record and the controller's database entry.
#include "corlink/diagnostics/event_naming.h"
#include "corlink/diagnostics/event_rows.h"

namespace {

constexpr uint32_t kUnknownPosition = 0xFFFFFFFF;
constexpr size_t kWwnSize = 8;

}  // namespace

bool EventContext::DriveUnknown() const {
    return record.Channel() == kUnknownPosition || record.LoopId() == kUnknownPosition;
}

std::string EventContext::Vdisk() const { return GetVdiskName(record, controller); }
std::string EventContext::Serial() const { return FormatSerialHex(record.Bytes(EventRecord::kSerial)); }
std::string EventContext::Drive() const { return FormatDriveSerial(record); }
std::string EventContext::Where() const { return FormatChannelLoopId(record); }
std::string EventContext::Volume() const { return FormatVolumeText(record, controller); }
std::string EventContext::DriveSlot() const { return FormatDriveLocation(record, controller); }
std::string EventContext::Wwn() const { return FormatBytesHex(record.Bytes(EventRecord::kText), kWwnSize); }
std::string EventContext::Name() const { return record.ObjectName(); }
