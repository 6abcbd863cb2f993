// The event rows whose text is built from several parts: a failed member's mirror or sub-Vdisk, a new
// Vdisk's RAID layout, sensor readings, detected SCSI errors, link topology, volume cache settings, FRU
// status words and drive-enclosure conditions.
#include <string>

#include "corlink/controller_entry/raid_controller.h"
#include "corlink/diagnostics/code_text_table.h"
#include "corlink/diagnostics/event_decoders.h"
#include "corlink/diagnostics/event_naming.h"
#include "corlink/diagnostics/event_rows.h"
#include "corlink/diagnostics/text_format.h"

namespace {

using E = const EventContext&;

uint32_t Bits(uint32_t value, unsigned low, unsigned count) { return (value >> low) & ((1U << count) - 1); }

// ---- event 8: a Vdisk member failed; a RAID 10 names the mirror, a RAID 50 the sub-Vdisk
constexpr uint8_t kRaid50 = 8;
constexpr uint8_t kRaid10 = 10;

std::string MemberSuffix(E e) {
    const CAPI_ARRAY* array =
        FindArrayBySerial(e.controller, e.record.Bytes(EventRecord::kSerial), EventRecord::kSerialSize);
    if (array == nullptr) return "";
    if (array->raidLevel == kRaid10) return TextFormat(", mirror %d", {e.P(1) % 2 + 1});
    // Without a sub-Vdisk size there is no sub-Vdisk to name.
    if (array->raidLevel == kRaid50 && array->numDrivesPerLowLevelArray != 0) {
        return TextFormat(", sub-Vdisk %d", {e.P(1) / array->numDrivesPerLowLevelArray + 1});
    }
    return "";
}

std::string Event8(E e) {
    const std::string text =
        e.DriveUnknown() ? TextFormat("Vdisk %s member failed (drive ID unknown, %s)", {e.Vdisk(), e.Drive()})
                         : TextFormat("Vdisk %s member failed (%s %s)", {e.Vdisk(), e.Where(), e.Drive()});
    return text + MemberSuffix(e);
}

// ---- event 23: Vdisk creation started, with the RAID layout (P2) and the chunk size and format (P3)
std::string RaidText(E e) {
    if (e.P(1) != 0) return TextFormat("Controller internal error: %d", {e.P(1)});
    const uint32_t type = Bits(e.P(2), 0, 8);
    const uint32_t drives = Bits(e.P(2), 8, 8);
    const uint32_t subArrays = Bits(e.P(2), 24, 8);
    if (type < 6) return TextFormat("%u drive RAID%u", {drives, type});
    switch (type) {
        case 6: return TextFormat("%u drive NRAID", {drives});
        case 7: return TextFormat("%u drive RAID30", {drives});
        case 8:
            if (subArrays == 0) return TextFormat("%u drive RAID50", {drives});
            return TextFormat("%ux%u drive R50", {drives / subArrays, subArrays});
        case 9: return TextFormat("%u drive RAID51", {drives});
        case 10: return TextFormat("%u drive RAID10", {drives});
        default: return TextFormat("%u drive Unknown RAID Type", {drives});
    }
}

std::string ChunkText(E e) {
    const uint32_t type = Bits(e.P(2), 0, 8);
    const uint32_t chunkKb = Bits(e.P(3), 8, 8);
    const auto formatType = static_cast<uint8_t>(Bits(e.P(3), 0, 8));
    switch (type) {
        case 0: return TextFormat(", Chunk Size=%2uKB", {chunkKb});
        case 1: return TextFormat(", %s", {GetFormatTypeText(formatType)});
        case 6: return "";
        default: return TextFormat(", %s, %2uKB chunksize", {GetFormatTypeText(formatType), chunkKb});
    }
}

std::string Event23(E e) {
    return TextFormat("Vdisk creation started. Vdisk: %s, SN: %s, %s%s",
                      {e.Vdisk(), e.Serial(), RaidText(e), ChunkText(e)});
}

// ---- events 39 and 40: a sensor out of range (P1 the sensor, P2 the reading, P3 the data gate)
enum class Reading { Volts, Degrees, GateDegrees };

struct SensorRow {
    uint32_t sensor;
    const char* format;
    Reading reading;
};

constexpr SensorRow kSensors[] = {
    // clang-format off
    {1, "A +5V system power sensor %s has occurred. VCC: %2d.%02d V", Reading::Volts},
    {2, "A +2.5V system power sensor %s has occurred. 2.5V: %2d.%02d V", Reading::Volts},
    {3, "A +12V system power sensor %s has occurred. 12V: %2d.%02d V", Reading::Volts},
    {5, "A temperature sensor #1 %s has occurred. Temperature: %3d C", Reading::Degrees},
    {6, "A CPU temperature sensor %s has occurred. Temperature: %3d C", Reading::Degrees},
    {7, "A temperature sensor #2 %s has occurred. Temperature: %3d C", Reading::Degrees},
    {8, "An SC +2.5V power sensor %s has occurred. 2.5V: %2d.%02d V", Reading::Volts},
    {9, "An MC +2.5V power sensor %s has occurred. 2.5V: %2d.%02d V", Reading::Volts},
    {10, "A temperature sensor #3 %s has occurred. DG-%1d Temperature: %3d C", Reading::GateDegrees},
    {11, "A Pardock temperature %s has occurred. IC temperature: %3d C", Reading::Degrees},
    // clang-format on
};

std::string SensorEvent(E e) {
    const char* kind = e.record.Code() == 39 ? "warning" : "failure";
    const uint32_t value = e.P(2);
    for (const SensorRow& row : kSensors) {
        if (row.sensor != e.P(1)) continue;
        switch (row.reading) {
            case Reading::Volts:  // millivolts, printed in volts and rounded hundredths
                return TextFormat(row.format, {kind, value / 1000, (value % 1000 + 5) / 10});
            case Reading::Degrees: return TextFormat(row.format, {kind, value});
            case Reading::GateDegrees: return TextFormat(row.format, {kind, e.P(3) + 1, value});
        }
    }
    return TextFormat("An unknown sensor warning has occurred (param1=%d, param2=%d)", {e.P(1), value});
}

// ---- events 58 and 235: an error a disk or target detected, with its sense data
constexpr uint32_t kSenseSpecificValid = 1U << 8;
constexpr uint32_t kInformationValid = 1U << 9;

std::string DetectedError(E e) {
    const uint32_t flags = e.P(1);
    const uint32_t key = Bits(e.P(1), 0, 8), asc = Bits(e.P(2), 0, 8), ascq = Bits(e.P(3), 0, 8);
    std::string text =
        TextFormat("%s (%s %s) Key,Code,Qual=(%02lXh,%02lXh,%02lXh) cdb:%s ",
                   {e.record.Code() == 58 ? "Disk detected error" : "Target detected error", e.Where(),
                    e.DriveSlot(), key, asc, ascq, GetCdbText(e.record.Bytes(EventRecord::kName))});
    const bool senseSpecific = (flags & kSenseSpecificValid) != 0;
    if (!senseSpecific || (flags & kInformationValid) != 0) text += TextFormat("Info:%08.8xh ", {e.P(4)});
    if (senseSpecific) {
        text += TextFormat("CmdSpc:%xh ", {Bits(e.P(2), 8, 16) << 16 | Bits(e.P(1), 16, 16)});
        text += TextFormat("FRU:%xh ", {Bits(e.P(2), 24, 8)});
        text += TextFormat("SnsKeySpc:%xh ", {Bits(e.P(3), 8, 24)});
    }
    text +=
        TextFormat("%s %s", {GetSenseKeyText(key), GetAscAscqText(static_cast<int32_t>(asc * 256 + ascq))});
    return text;
}

// ---- events 111 and 113: a host or drive link came up
std::string LinkUp(E e) {
    const bool host = e.record.Code() == 111;
    const uint32_t pointToPoint = Bits(e.P(1), 0, 8), ids = Bits(e.P(1), 16, 8),
                   external = Bits(e.P(1), 24, 8);
    const char* plural = ids == 1 ? " " : "s";
    std::string topology;
    if (pointToPoint != 0) {
        topology = "Point-to-Point";
    } else if (host && (e.P(3) & 1) != 0) {
        topology = TextFormat("%d ID%s-NeedMore", {ids, plural});
    } else {
        topology = TextFormat("%d Loop ID%s", {ids, plural});
    }
    const char* attach = Bits(e.P(2), 8, 16) != 0 ? ", Fabric" : external != 0 ? ", External Device(s)" : "";
    return TextFormat(host ? "Host link up Chan%d: %s%s" : "Drive link up Chan%ld: %s%s",
                      {e.Channel(), topology, attach});
}

// ---- event 118: a volume's cache parameters (P1 prefetch bytes, P2 write-back, P3 optimization)
std::string PrefetchText(uint32_t bytes) {
    constexpr uint32_t kKb = 1024, kMb = 0x100000, kLargest = 0x6000000, kDefault = 0xFFFFFFFF;
    if (bytes < kMb) return TextFormat("Prefetch=%4uKB", {bytes / kKb});
    if (bytes < kLargest) return TextFormat("Prefetch=%2uMB", {bytes / kMb});
    return bytes == kDefault ? "Prefetch=Default" : "Prefetch>96MB";
}

std::string Event118(E e) {
    return TextFormat(
        "Cache parameters have been changed (%s, %s, %s) for %s",
        {TextFormat("Cache Optimization=%s", {Bits(e.P(3), 0, 8) != 0 ? "Sequential" : "Standard"}),
         PrefetchText(e.P(1)), TextFormat("Write-back Cache=%s", {Bits(e.P(2), 0, 8) != 0 ? "On " : "Off"}),
         e.Volume()});
}

// ---- event 129: a FRU's status changed; the FRU numbering is this event's own
constexpr CodeText kStatusChangeFru[] = {{1, "PM-A"}, {2, "PM-B"}, {3, "PP-A"}, {4, "PP-B"}};
constexpr CodeText kPresence[] = {{0, "present"}, {1, "not present"}};
constexpr CodeText kSubFru[] = {{0, "none"}, {1, "fan1"}, {2, "fan2"}, {3, "AC"}, {4, "DC"}};
constexpr CodeText kSubFruStatus[] = {{0, "ok"}, {1, "failed"}};

std::string Event129(E e) {
    constexpr char kUnknown[] = "unknown";
    return TextFormat(
        "FRU status change (FRU: %s; FRU presence: %s; subFRU: %s; subFRU status: %s). Intermittent failures "
        "of AC "
        "or fans will latch after 20 warning events. To clear fault, replace or reseat faulty module",
        {CodeTextOr(kStatusChangeFru, e.P(1), kUnknown), CodeTextOr(kPresence, e.P(2), kUnknown),
         CodeTextOr(kSubFru, e.P(3), kUnknown), CodeTextOr(kSubFruStatus, e.P(4), kUnknown)});
}

// ---- events 168 and 169: a drive-enclosure element (P1 its kind, P2 its index, P3 its status, P4 a
// temperature + 20) reported or cleared a condition
constexpr uint32_t kPowerSupply = 2, kFan = 3, kTempSensor = 4;

std::string Temperature(E e) { return TextFormat(", temperature %d C", {e.P(4) - 20}); }
std::string ElementText(E e) { return GetEnclosureElementText(static_cast<uint8_t>(e.P(1))); }

std::string Event168(E e) {
    const auto status = static_cast<uint8_t>(e.P(3));
    std::string text = TextFormat(
        "Drive enclosure event:  %s, enclosure WWN %s, %s %d",
        {GetEnclosureSeverityText(static_cast<uint8_t>(e.Status())), e.Wwn(), ElementText(e), e.P(2) + 1});
    if (e.P(1) == kFan) text += TextFormat(", fan status %s", {GetFanStatusText(status)});
    if (e.P(1) == kTempSensor) text += TextFormat(", sensor status %s", {GetTempSensorStatusText(status)});
    if (e.P(1) == kPowerSupply)
        text += TextFormat(", power supply status %s", {GetPowerSupplyStatusText(status)});
    if (e.P(1) == kTempSensor) text += Temperature(e);
    return text + ", " + e.record.Text(EventRecord::kEnclosureInfo);
}

std::string Event169(E e) {
    std::string text =
        TextFormat("Warning/error condition in drive enclosure has cleared, enclosure WWN %s, %s %d, ",
                   {e.Wwn(), ElementText(e), e.P(2) + 1});
    if (e.P(1) == kTempSensor) text += Temperature(e);
    return text + e.record.Text(EventRecord::kEnclosureInfo);
}

std::string Event107(E e) { return FormatCriticalErrorText(e.record); }

constexpr ConditionalEventRow kRows[] = {
    // clang-format off
    {8, Event8},     {23, Event23},   {39, SensorEvent},    {40, SensorEvent}, {58, DetectedError},
    {107, Event107}, {111, LinkUp},   {113, LinkUp},        {118, Event118},   {129, Event129},
    {168, Event168}, {169, Event169}, {235, DetectedError},
    // clang-format on
};

}  // namespace

std::span<const ConditionalEventRow> ComposedEventRows() { return kRows; }
