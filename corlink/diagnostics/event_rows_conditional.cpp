// The event rows that choose their format, or an argument's word, by the record's contents.
#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/code_names.h"
#include "corlink/diagnostics/event_decoders.h"
#include "corlink/diagnostics/event_naming.h"
#include "corlink/diagnostics/event_rows.h"
#include "corlink/diagnostics/text_format.h"

namespace {

constexpr uint32_t kUnitIsDrive = 0xFFFFFFFF;
constexpr size_t kVersionCompare = 16;
constexpr size_t kVolumeNameMax = 20;

using E = const EventContext&;

std::string T56(E e) { return e.record.Text(EventRecord::kText); }
std::string T72(E e) { return e.record.Text(EventRecord::kBaselevel); }
bool TextAt56Empty(E e) { return e.record.Byte(EventRecord::kText) == 0; }
bool VersionEqualsBaselevel(E e) {
    return std::memcmp(e.record.Bytes(EventRecord::kText), e.record.Bytes(EventRecord::kBaselevel),
                       kVersionCompare) == 0;
}

// A Vdisk utility that completed (status 0), was aborted (P1 set) or failed.
std::string CompletionText(E e, const char* complete, const char* aborted, const char* failed) {
    const char* format = e.Status() == 0 ? complete : e.P(1) != 0 ? aborted : failed;
    return TextFormat(format, {e.Vdisk(), e.Serial()});
}

// Appends the eight bytes at 56 (an enclosure WWN) as arguments.
void AppendWwnBytes(std::vector<FormatArg>& args, E e) {
    const uint8_t* wwn = e.record.Bytes(EventRecord::kText);
    for (int i = 0; i < 8; ++i) args.emplace_back(uint32_t{wwn[i]});
}

std::string Event6(E e) {
    if (e.Status() == 0)
        return TextFormat("Vdisk creation complete. Vdisk: %s, SN: %s", {e.Vdisk(), e.Serial()});
    const char* format = e.P(1) != 0 ? "Vdisk creation aborted, error code = %d (Vdisk: %s, SN: %s)"
                                     : "Vdisk creation failed, error code = %d (Vdisk: %s, SN: %s)";
    return TextFormat(format, {e.Status(), e.Vdisk(), e.Serial()});
}

std::string Event9(E e) {
    if (e.DriveUnknown()) {
        return TextFormat("Spare drive used for a critical Vdisk (Vdisk: %s, SN: %s) Drive: Unknown",
                          {e.Vdisk(), e.Serial()});
    }
    return TextFormat("Spare drive (%s, %s) used for a critical Vdisk (Vdisk: %s, SN: %s)",
                      {e.Where(), e.Drive(), e.Vdisk(), e.Serial()});
}

std::string Event18(E e) {
    return CompletionText(e, "Vdisk reconstruct completed successfully (Vdisk: %s, SN: %s)",
                          "Vdisk reconstruct aborted (Vdisk: %s, SN: %s)",
                          "Vdisk reconstruct failed (Vdisk: %s, SN: %s)");
}

std::string Event20(E e) {
    if (!VersionEqualsBaselevel(e)) {
        return TextFormat("%s firmware update complete.  Version: %s  (Baselevel: %s)",
                          {GetStorageControllerText(), T56(e), T72(e)});
    }
    return TextFormat("%s firmware update complete.  Version: %s", {GetStorageControllerText(), T72(e)});
}

std::string Event21(E e) {
    if (e.Status() != 0 && e.P(2) != 0) {
        return TextFormat("Vdisk verification was aborted (Vdisk: %s, SN: %s)", {e.Vdisk(), e.Serial()});
    }
    if (e.Status() != 0) {
        return TextFormat("Vdisk verification failed, %d correction(s) (Vdisk: %s, SN: %s)",
                          {e.P(1), e.Vdisk(), e.Serial()});
    }
    if (e.P(1) == 0) {
        return TextFormat("Vdisk verification complete. No errors. (Vdisk: %s, SN: %s)",
                          {e.Vdisk(), e.Serial()});
    }
    return TextFormat("Vdisk verification complete, %d correction(s) (Vdisk: %s, SN: %s)",
                      {e.P(1), e.Vdisk(), e.Serial()});
}

std::string Event24(E e) {
    if (e.record.UnitSelector() == kUnitIsDrive) {
        return TextFormat("The assigned LUN for a drive has changed (drive: %s)", {e.Drive()});
    }
    return TextFormat("The assigned LUN for a Vdisk has changed (Vdisk: %s, SN: %s)",
                      {e.Vdisk(), e.Serial()});
}

// A reset that names no Vdisk (no name, all-zero serial) concerns every Vdisk.
std::string Event25(E e) {
    if (!e.record.HasObjectName() && e.record.IsZero(EventRecord::kSerial, EventRecord::kSerialSize)) {
        return "The statistics have been reset for all Vdisks on this RAID controller";
    }
    return TextFormat("The statistics have been reset for a Vdisk (Vdisk: %s, SN: %s)",
                      {e.Vdisk(), e.Serial()});
}

// A reset that names no drive concerns every drive.
std::string Event26(E e) {
    if (TextAt56Empty(e)) return "The statistics have been reset for all drives";
    return TextFormat("The statistics have been reset for a drive (drive: %s)", {e.Drive()});
}

std::string Event37(E e) {
    if (e.DriveUnknown()) {
        return TextFormat("Vdisk reconstruct started (Vdisk: %s, SN: %s) with unknown drive",
                          {e.Vdisk(), e.Serial()});
    }
    return TextFormat("Vdisk reconstruct started (Vdisk: %s, SN: %s) drive: %s",
                      {e.Vdisk(), e.Serial(), e.Where()});
}

std::string Event49(E e) {
    const std::string drive = e.DriveUnknown() ? "Unknown" : e.Where();
    std::string result;
    if (e.Status() != 0) {
        char name[CAPI_NAME_TEXT_SIZE];
        CapiReturnCodeName(static_cast<int32_t>(e.Status()), name, sizeof(name));
        result = name;
    }
    const std::string operation = GetMaintenanceOpText(e.P(1));
    if (e.P(2) != 0 || e.P(3) != 0) {
        return TextFormat(
            "SCSI maintenance command completed with error: cmd = %s  drive = %s  SenseData %2x %2x %2x   %s",
            {operation, drive, e.P(2), e.P(3) & 0xFF, (e.P(3) >> 8) & 0xFF, result});
    }
    return TextFormat("SCSI maintenance command completed: cmd = %s  drive = %s   %s",
                      {operation, drive, result});
}

std::string Event53(E e) {
    return CompletionText(e, "Expand Vdisk completed successfully (Vdisk: %s, SN: %s)",
                          "Expand Vdisk aborted (Vdisk: %s, SN: %s)",
                          "Expand Vdisk failed (Vdisk: %s, SN: %s)");
}

std::string Event56(E e) {
    if (VersionEqualsBaselevel(e)) {
        return TextFormat("%s has booted up.  Code version: %s", {GetStorageControllerText(), T56(e)});
    }
    return TextFormat("%s has booted up.  Code version: %s (Baselevel: %s)",
                      {GetStorageControllerText(), T56(e), T72(e)});
}

std::string Event59(E e) {
    const uint8_t more = e.record.Byte(EventRecord::kMoreErrors);
    const std::string detail = more > 1 ? TextFormat("%d additional", {uint32_t{more}})
                                        : GetCdbText(e.record.Bytes(EventRecord::kName));
    return TextFormat("Disk channel error (%s): %s  cdb:%s", {e.Where(), GetIobStatusText(e.P(1)), detail});
}

std::string Event62(E e) {
    constexpr size_t kForVdiskMax = 31;
    const std::string forVdisk =
        e.record.HasObjectName() ? TextFormat(" for Vdisk %.32s", {e.Name()}).substr(0, kForVdiskMax) : "";
    return TextFormat("Spare drive failure (%s) %s %s. Sense key:%s(%02lXh) ASC:%02lXh ASCQ:%02lXh %s",
                      {e.Where(), e.Drive(), forVdisk, GetSenseKeyText(e.P(1)), e.P(1), e.P(2), e.P(3),
                       GetAscAscqText(static_cast<int32_t>(e.P(2) * 256 + e.P(3)))});
}

std::string Event68(E e) {
    return e.P(1) == 0 ? "Controller has shut down" : "Both controllers have shut down";
}

// The failover set is B when P2 is 0, else A.
uint32_t FailoverSet(E e) { return e.P(2) == 0 ? 'B' : 'A'; }

std::string Event71(E e) {
    const char* format =
        e.P(1) == 1 ? "Failover initiated, failover set %c" : "Failover completed, failover set %c";
    return TextFormat(format, {FailoverSet(e)});
}

std::string Event72(E e) {
    const char* format =
        e.P(1) == 1 ? "Recovery initiated, failover set %c" : "Recovery completed, failover set %c";
    return TextFormat(format, {FailoverSet(e)});
}

std::string Event77(E e) {
    return TextFormat("Cache initialized for %s. %s",
                      {e.P(2) == 1 ? "RAID controller B" : "RAID controller A",
                       e.P(1) != 0 ? "WB data found" : "Cache clean"});
}

std::string Event80(E e) {
    const char* setting = e.P(2) == 1   ? "write-back cache"
                          : e.P(2) == 2 ? "SMART support"
                                        : "unknown settings";
    return TextFormat("The controller %s %s on one or more drives",
                      {e.P(1) == 1 ? "enabled" : "disabled", setting});
}

// Events 93 and 94: the node WWN before (bytes 48-55) and now (bytes 40-47).
std::string NodeWwnChange(E e) {
    const char* head = e.record.Code() == 93 ? "Non-Native WWN is being used. Native Node WWN:"
                                             : "WWN has changed. Previous Node WWN:";
    constexpr size_t kOld = 48, kNew = 40, kWwnSize = 8;
    return TextFormat("%s %s %s %s", {head, FormatBytesHex(e.record.Bytes(kOld), kWwnSize),
                                      "Current Node WWN:", FormatBytesHex(e.record.Bytes(kNew), kWwnSize)});
}

// The old text names the Vdisk from the database: the record's object name is the new volume name.
std::string Event103(E e) {
    const EventRecord unnamed = e.record.WithoutObjectName();
    const std::string oldName = FormatVolumeText(unnamed, e.controller);
    const std::string newName = e.record.HasObjectName() ? TextFormat("New name: %s", {e.Name()}) : "";
    return TextFormat("Volume name changed for %s  %s", {oldName, newName});
}

std::string Event109(E e) {
    constexpr size_t kVolumeSerialCompare = 12;
    if (e.record.IsZero(EventRecord::kSerial, kVolumeSerialCompare) && TextAt56Empty(e)) {
        return "Volume statistics reset for all volumes";
    }
    return TextFormat("Volume statistics reset for %s", {e.Volume()});
}

std::string Event117(E e) {
    if (e.P(1) == 1) return TextFormat("Detected host channel error %xh", {e.P(2)});
    const char* detailFormat = e.P(2) == 2 ? "sense data = %2.2x, %4.4x  " : "status = %2.2x %4.4x ";
    return TextFormat("Generated host channel error: %s", {TextFormat(detailFormat, {e.P(3), e.P(4)})});
}

std::string Event127(E e) {
    return TextFormat(
        "%s %s %s",
        {TextFormat("Invalid disk drive dual port connection detected on channel %d.", {e.Channel()}),
         "One physical disk drive port may be connected to more than one controller port",
         "or both physical disk drive ports may be connected to the same controller port."});
}

std::string Event136(E e) {
    return TextFormat("Drive port %d link degraded (%s)",
                      {e.Channel(), e.P(1) == 0 ? "Excessive errors" : "Excessive LIPs"});
}

std::string Event139(E e) {
    const std::string version = VersionEqualsBaselevel(e)
                                    ? e.record.Text(EventRecord::kBaselevel, kVersionCompare)
                                    : TextFormat("%s  (Baselevel: %s)", {T56(e), T72(e)});
    return TextFormat("Management Controller has booted up.  Code version: %s", {version});
}

std::string Event174(E e) {
    const char* device = e.P(1) == 0 ? "enclosure" : e.P(1) == 1 ? "drive" : "unknown device";
    const std::string id = TextAt56Empty(e) ? "No device" : e.Wwn();
    switch (e.P(2)) {
        case 0: return TextFormat("Successful %s firmware update (WWN: %s)", {device, id});
        case 1:
            return TextFormat("Device firmware update failed in transfer stage.  No %s update attempted.",
                              {device});
        case 2:
            return TextFormat("Device firmware update aborted in transfer stage.  No %ss have been affected.",
                              {device});
        case 3:
            return TextFormat(
                "Failure in %s firmware update (WWN: %s). This %s is left in an unknown state and may need "
                "to be reset.",
                {device, id, device});
        case 4:
            return TextFormat(
                "Aborted %s firmware update (WWN: %s). This %s is left in an unknown state and may need to "
                "be reset.",
                {device, id, device});
        default: return TextFormat("Bad status = %d", {e.P(2)});
    }
}

std::string Event175(E e) {
    return TextFormat(
        "Ethernet link is %s for controller %s",
        {e.P(1) == 0 ? "down" : "up", e.record.Byte(EventRecord::kEthernetController) == 1 ? "A" : "B"});
}

std::string Event176(E e) {
    if (TextAt56Empty(e)) return "All drive error statistics have been reset";
    return TextFormat("Drive error statistics for drive: %s have been reset", {e.Drive()});
}

std::string Event177(E e) {
    constexpr size_t kSerialTextMax = 20;
    const std::string volume =
        TextAt56Empty(e) ? "Unknown Name" : e.record.Text(EventRecord::kText, kVolumeNameMax);
    return TextFormat("Cache memory used for old data has been freed for Vdisk: %s, volume: %s, SN: %s",
                      {e.Vdisk(), volume, e.record.Text(EventRecord::kSerial, kSerialTextMax)});
}

std::string Event185(E e) {
    const std::string emp =
        TextAt56Empty(e) ? "Unknown SN" : FormatSerialHex(e.record.Bytes(EventRecord::kText));
    return TextFormat(
        "Sent command to Enclosure Management Processor (EMP serial number = %s, index = %d, cmd = %d, "
        "length = %d)",
        {emp, e.P(1), e.P(2), e.P(3)});
}

std::string Event205(E e) {
    const uint32_t map = e.P(3);
    return TextFormat("Map %s  channelBitMap=%xh access=%s LUN=%d",
                      {e.Volume(), map & 0xFF, (map & 0x100) != 0 ? "Read-Only" : "Read/Write", map >> 16});
}

std::string Event207(E e) {
    if (e.Status() == 0)
        return TextFormat("Vdisk Scrub complete. (Vdisk: %s, SN: %s)", {e.Vdisk(), e.Serial()});
    return TextFormat("Vdisk Scrub Aborted, error code = %d (Vdisk: %s, SN: %s)",
                      {e.Status(), e.Vdisk(), e.Serial()});
}

std::string Event232(E e) {
    std::vector<FormatArg> args{e.Channel()};
    AppendWwnBytes(args, e);
    return TextFormat(
        "Excess drive enclosure on channel %d %02X%02X%02X%02X%02X%02X%02X%02X - Configuration limits "
        "exceeded",
        args.data(), args.size());
}

std::string Event233(E e) {
    const char* kind = e.P(1) == 3 ? "SAS drive(s)" : e.P(1) == 4 ? "SATA (drives)" : "Mixed drive types";
    std::vector<FormatArg> args{kind, e.Channel()};
    AppendWwnBytes(args, e);
    return TextFormat("%s not allowed on channel %d, drive enclosure %02X%02X%02X%02X%02X%02X%02X%02X",
                      args.data(), args.size());
}

constexpr ConditionalEventRow kRows[] = {
    // clang-format off
    {6, Event6},         {9, Event9},     {18, Event18},   {20, Event20},   {21, Event21},
    {24, Event24},       {25, Event25},   {26, Event26},   {37, Event37},   {49, Event49},
    {53, Event53},       {56, Event56},   {59, Event59},   {62, Event62},   {68, Event68},
    {71, Event71},       {72, Event72},   {77, Event77},   {80, Event80},   {93, NodeWwnChange},
    {94, NodeWwnChange}, {103, Event103}, {109, Event109}, {117, Event117}, {127, Event127},
    {136, Event136},     {139, Event139}, {174, Event174}, {175, Event175}, {176, Event176},
    {177, Event177},     {185, Event185}, {205, Event205}, {207, Event207}, {232, Event232},
    {233, Event233},
    // clang-format on
};

}  // namespace

std::span<const ConditionalEventRow> ConditionalEventRows() { return kRows; }
