// The regular rows of the event texts: a format and the kinds of its arguments.
#include "corlink/diagnostics/event_rows.h"

#include <string>
#include <vector>

#include "corlink/diagnostics/event_decoders.h"
#include "corlink/diagnostics/text_format.h"

namespace {

using enum EventArg;

constexpr EventRow kRows[] = {
    // clang-format off
    {1, "Vdisk critical: %s, SN: %s", {Vdisk, Serial}},
    {2, "Invalid SCSI configuration", {}},
    {3, "Vdisk offline: %s, SN: %s", {Vdisk, Serial}},
    {4, "Disk block reassigned %s LBA: %08.8xh, drive: %s, Vdisk: %s", {Where, P1, Drive, Vdisk}},
    {5, "Controller reboot complete", {}},
    {7, "Controller diagnostic failure, error code = %d", {P1}},
    {16, "Global spare drive added (drive: %s %s)", {Where, Drive}},
    {19,
     "Rescan for devices is complete.  Reason Code: %d. Found %d drive%s. Found %d Drive Enclosure%s",
     {P1, P2, PluralP2, P3, PluralP3}},
    {22,
     "Battery failure (status: %s  state: %s).  Replace battery. The write-back cache is now disabled.",
     {BatteryStatus, BatteryState}},
    {27, "Cache parameters have been changed for a Vdisk (Vdisk: %s, SN: %s)", {Vdisk, Serial}},
    {28, "Controller configuration parameters have been changed", {}},
    {31, "Spare drive deleted (drive: %s %s)", {Where, Drive}},
    {32, "Vdisk verification started: (Vdisk: %s, SN: %s)", {Vdisk, Serial}},
    {33, "Time/date has been changed", {}},
    {34, "Default factory configuration has been restored", {}},
    {35, "Vdisk utility aborted (Vdisk: %s, SN: %s utility: %s)", {Vdisk, Serial, Utility}},
    {36, "A drive test has completed (drive: %s)", {Drive}},
    {38, "Temperature, voltage, or current measurement has changed from error/warning to OK", {}},
    {41, "Dedicated spare drive added (Vdisk: %s, drive: %s %s)", {Vdisk, Where, Drive}},
    {42, "Configuration has changed. Reason Code: %s(%3u)   SeqNum: %9u", {ConfigReason, P1, P2}},
    {43, "Vdisk deleted (Vdisk: %s, SN: %s)", {Vdisk, Serial}},
    {44, "Unwritable cache data exists for volume (%s) comprising %2d%% of cache space", {Volume, P2}},
    {45,
     "Communication failure with Enclosure Management Processor (EMP code: %d  HIOB task status: %d)",
     {P1, P2}},
    {46, "EMP Command - Reserved", {}},
    {47, "A previous temperature, voltage or current out of range has cleared", {}},
    {48, "Vdisk name changed (old name: %.20s, new name: %s, SN: %s)", {T56, Vdisk, Serial}},
    {50, "Correctable ECC error in buffer memory, address = 0x%x", {P1}},
    {51, "Uncorrectable ECC error in buffer memory, address = 0x%x", {P1}},
    {52, "Expand Vdisk started (Vdisk: %s, SN: %s)", {Vdisk, Serial}},
    {54, "Battery needs replacing", {}},
    {55,
     "Disk drive (%s %s) reported a SMART event sense key:%s(%02lXh) ASC:%02lXh ASCQ:%02lXh %s Info:%08.8x",
     {Where, Drive, SenseKey, P1, P2, P3, AscOfP2P3, P4}},
    {57, "Host SCSI bus termination warning", {}},
    {60, "Disk channel %ld reset by a 3rd party", {Channel}},
    {61, "Disk channel %ld failure (bus hung)", {Channel}},
    {63, "Battery is now completely charged", {}},
    {64, "Disk channel change from SE to LVD or vice-versa", {}},
    {65, "Uncorrectable ECC error in buffer memory address 0x%x on bootup", {P1}},
    {66, "Battery hardware failure. Info: %1.1d %5.5d %5.5d", {P1, P2, P3}},
    {67, "Controller took ownership of Vdisk (Vdisk: %s)", {Vdisk}},
    {69, "Enclosure failure", {}},
    {70, "Battery temperature warning. Status = %s", {BatteryStatus}},
    {73, "Heartbeat detected from the other RAID controller", {}},
    {74, "Host ID changed from %ld to %ld for Vdisk: %s, SN: %s", {P1, P2, Vdisk, Serial}},
    {75, "%s  LUN %d was changed to undefined due to LUN conflict.", {Volume, P1}},
    {76, "System booting up with default configuration settings", {}},
    {78, "Spare drive unusable (too small) for Vdisk: %s, SN: %s", {Vdisk, Serial}},
    {79, "Trust Vdisk complete for Vdisk: %s SN: %s", {Vdisk, Serial}},
    {81, "Kill line released (allow other RAID controller to boot)", {}},
    {82, "Disk channel ID conflict", {}},
    {83, "Other controller state change (shutting down or rebooting); new state = %s", {FailoverReason}},
    {84, "Killed partner controller (held in reset); reason = %d (%s)", {P1, FailoverReason}},
    {85, "Disk channel ID changed", {}},
    {86, "Channel parameters have been changed", {}},
    {87, "Mirrored configuration has bad CRC", {}},
    {88, "Mirrored configuration is corrupt", {}},
    {89, "Mirrored configuration level is too high; this controller probably has downlevel firmware", {}},
    {90, "No mirrored configuration available from other controller", {}},
    {91, "Failover reset failure", {}},
    {92, "OEM Enclosure status, param1 = %d  param2 = %d", {P1, P2}},
    {95, "Both controllers have the same serial number", {}},
    {96, "Some configuration changes have been ignored", {}},
    {97, "Corrupt event entry", {}},
    {98, "Model specific event", {}},
    {100, "Communication error with Enclosure Management Processor (EMP code: %ld; EMP ID: %ld)", {P1, P2}},
    {101, "Trigger update of EMP data", {}},
    {102, "Domain validation fallback", {}},
    {104, "Volume size changed for %s", {Volume}},
    {105, "Volume LUN changed for %s  New LUN: %u", {Volume, Lun}},
    {106, "Volume added (%s)  LUN: %u", {Volume, Lun}},
    {108, "Volume deleted (%s)", {Volume}},
    {110, "Vdisk ownership has been given to the other controller for Vdisk: %s, SN: %s", {Vdisk, Serial}},
    {112, "Host link down Chan%ld", {Channel}},
    {114, "Drive link down Chan%ld", {Channel}},
    {115, "Other controller may have lost write back data", {}},
    {116, "Controller rebooted to avoid losing write back data in the other controller", {}},
    {119, "User put FRU offline completed (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {120, "User put FRU online completed (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {121, "User force FRU offline completed (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {122, "User force FRU online completed (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {123, "System put FRU offline completed (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {124, "System put FRU online completed (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {125, "System force FRU offline completed (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {126, "System force FRU online completed (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {128, "Unwise force FRU offline (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {130, "Put FRU online at bootup failed (FRU: %s )", {Fru}},
    {131, "FRU taken offline by user was left offline (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {132, "Excess FRU found and was left offline (FRU:%s; FRU status:%s)", {Fru, FruStatus}},
    {133, "There is no Data Gate Online", {}},
    {134, "System put FRU offline failed (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {135, "System put FRU online failed (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {137, "Down failed FRU (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {138, "ECC error threshold reached for FRU (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {140, "Management Controller is about to reboot", {}},
    {141, "Management Controller IP address has been changed to: %s", {T56}},
    {142, "User put offline started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {143, "User put online started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {144, "User force offline started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {145, "User force online started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {146, "System put offline started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {147, "System put online started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {148, "System force offline started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {149, "System force online started (FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {150, "Down failed FRU started(FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {151, "Module latch switch activated(FRU: %s; FRU status: %s)", {Fru, FruStatus}},
    {152, "Storage Controller not receiving data from the Management Controller", {}},
    {153, "Storage Controller has resumed communications with the Management Controller", {}},
    {154, "New Management Controller application code has been loaded", {}},
    {155, "New Management Controller loader code has been loaded", {}},
    {156, "The Management Controller has been restarted by the Storage Controller", {}},
    {157, "A failure was encountered trying to write to the flash chip", {}},
    {158, "A correctable ECC error has occurred in Storage Controller CPU memory", {}},
    {159, "DG-%d port bypass circuit has failed", {P2Plus1}},
    {160, "Invalid Enclosure Management Processor configuration", {}},
    {161, "One or more enclosures do not have a valid path to an Enclosure Management Processor", {}},
    {162, "Previous WWN unknown", {}},
    {163, "Previous Other WWN unknown", {}},
    {164, "Detected an alert condition in a drive enclosure", {}},
    {165, "Detected an alert condition in a drive enclosure has cleared", {}},
    {166,
     "The RAID metadata level between the two controllers does not match. Make sure both controllers have "
     "the same firmware level.",
     {}},
    {167, "Warning condition occurred during boot-up diagnostics", {}},
    {170, "A drive enclosure was added with the last rescan - WWN: %s Info: %s", {Wwn, T64}},
    {171, "A drive enclosure was removed with the last rescan - WWN: %s", {Wwn}},
    {172, "A Vdisk has been quarantined (Vdisk: %s SN: %s)", {Vdisk, Serial}},
    {173, "A Vdisk has been de-quarantined (Vdisk: %s SN: %s)", {Vdisk, Serial}},
    {178, "Added host to volume mapping list for %s", {Volume}},
    {179, "Removed host from volume mapping list for %s", {Volume}},
    {180, "Volume mapping type changed for %s", {Volume}},
    {181, "LAN configuration parameters have been set", {}},
    {182, "Drive channels paused (type = %d)", {P1}},
    {183, "Drive channels unpaused", {}},
    {184, "Battery Life Monitor Set - monitorOn = %d, months = %d", {P1, P2}},
    {186,
     "Drive enclosure params have been set for enclosure = %s.  Name = %s, Rack number = %d, Rack Position = "
     "%d",
     {Wwn, Name, P1, P2}},
    {187, "The writeback cache has been enabled", {}},
    {188, "The writeback cache has been disabled", {}},
    {189, "Drive port %d link, which was previously degraded or failed, is now healthy", {Channel}},
    {190, "AWT BATTERY FAIL", {}},
    {191, "AWT BATTERY GOOD", {}},
    {192, "AWT OVER TEMP", {}},
    {193, "AWT TEMP GOOD", {}},
    {194, "AWT PARTNER DOWN", {}},
    {195, "AWT PARTNER UP", {}},
    {196, "AWT UPS FAIL", {}},
    {197, "AWT UPS GOOD", {}},
    {198, "AWT PSU FAIL", {}},
    {199, "AWT PSU GOOD", {}},
    {200, "AWT FAN FAIL", {}},
    {201, "AWT FAN GOOD", {}},
    {202, "AWT: Write-Back cache can be re-enabled", {}},
    {203, "AWT: Write-Back cache possible, but not enabled", {}},
    {204, "Hardware Flush p1=%xh p2=%xh", {P1, P2}},
    {206, "Scrub Vdisk started (Vdisk: %s, SN: %s)", {Vdisk, Serial}},
    {208, "Scrub Drive started", {}},
    {209, "Scrub Drive complete", {}},
    {210, "Delete all snapshots complete", {}},
    {211,
     "SAS Topology Change: %d element%s, %d expander%s, %d level%s",
     {P1, PluralP1, P2, PluralP2, P3, PluralP3}},
    {212, "Delete all master volumes complete", {}},
    {213, "Convert master volumes complete", {}},
    {214, "Create snappshots complete", {}},
    {215, "Commit snapshots complete", {}},
    {216, "Delete snapshots complete", {}},
    {217, "SuperCap Failures", {}},
    {218, "SuperCap End of Life", {}},
    {219, "Utility Priority Changed from %d to %d", {P1, P2}},
    {220, "Rollback master volume started", {}},
    {221, "Reset snapshot complete", {}},
    {222, "DMS set policy complete", {}},
    {223, "DMS Set thresholds levels complete", {}},
    {224, "Background rollback complete", {}},
    {225, "Background master write Copy-On-Write failure", {}},
    {226, "Background rollback not started", {}},
    {227, "Background rollback sub-chunk failure", {}},
    {228, "Background rollback end failure", {}},
    {229, "DMS Threshold warning", {}},
    {230, "DMS Threshold error", {}},
    {231, "DMS Threshold critical", {}},
    {236, "Special shutdown, type = %s", {ShutdownType}},
    // clang-format on
};

// One argument's value: a number or a text.
struct ArgValue {
    bool isText = false;
    uint32_t number = 0;
    std::string text;
};

ArgValue Number(uint32_t value) { return ArgValue{false, value, {}}; }
ArgValue Text(std::string value) { return ArgValue{true, 0, std::move(value)}; }

ArgValue Evaluate(EventArg arg, const EventContext& e) {
    const EventRecord& r = e.record;
    switch (arg) {
        case None: break;
        case Vdisk: return Text(e.Vdisk());
        case Serial: return Text(e.Serial());
        case Drive: return Text(e.Drive());
        case Where: return Text(e.Where());
        case Volume: return Text(e.Volume());
        case Wwn: return Text(e.Wwn());
        case Name: return Text(e.Name());
        case P1: return Number(r.P(1));
        case P2: return Number(r.P(2));
        case P3: return Number(r.P(3));
        case P4: return Number(r.P(4));
        case P2Plus1: return Number(r.P(2) + 1);
        case Status: return Number(r.Status());
        case Channel: return Number(r.Channel());
        case Lun: return Number(r.NewLun());
        case T56: return Text(r.Text(EventRecord::kText));
        case T64: return Text(r.Text(EventRecord::kEnclosureInfo));
        case PluralP1: return Text(r.P(1) == 1 ? "" : "s");
        case PluralP2: return Text(r.P(2) == 1 ? "" : "s");
        case PluralP3: return Text(r.P(3) == 1 ? "" : "s");
        case Ctrl: return Text(GetStorageControllerText());
        case Fru: return Text(GetModuleNameText(r.P(1), r.P(2)));
        case FruStatus: return Text(GetModuleStatusText(r.P(4)));
        case BatteryStatus: return Text(GetBatteryStatusText(r.P(1)));
        case BatteryState: return Text(GetBatteryStateText(r.P(4)));
        case ConfigReason: return Text(GetConfigChangeReasonText(r.P(1)));
        case Utility: return Text(GetUtilityText(static_cast<int32_t>(r.P(1))));
        case FailoverReason: return Text(GetFailoverReasonText(r.P(1)));
        case SenseKey: return Text(GetSenseKeyText(r.P(1)));
        case AscOfP2P3: return Text(GetAscAscqText(static_cast<int32_t>(r.P(2) * 256 + r.P(3))));
        case ShutdownType: return Text(GetShutdownTypeText(static_cast<uint8_t>(r.P(1))));
    }
    return {};
}

}  // namespace

std::span<const EventRow> RegularEventRows() { return kRows; }

std::string FormatEventRow(const EventRow& row, const EventContext& event) {
    std::vector<ArgValue> values;
    for (EventArg arg : row.args) {
        if (arg == None) break;
        values.push_back(Evaluate(arg, event));
    }
    std::vector<FormatArg> args;
    args.reserve(values.size());
    for (const ArgValue& value : values) {
        args.push_back(value.isText ? FormatArg(value.text) : FormatArg(value.number));
    }
    return TextFormat(row.format, args.data(), args.size());
}
