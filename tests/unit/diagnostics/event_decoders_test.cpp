// The words of coded event fields, one table of cases, and the ASC/ASCQ table as a whole.
#include "corlink/diagnostics/event_decoders.h"

#include <gtest/gtest.h>

#include <string>

#include "corlink/diagnostics/event_record.h"
#include "corlink/diagnostics/text_format.h"
#include "tests/support/event_records.h"

namespace {

std::string Cdb(std::initializer_list<uint8_t> bytes) {
    uint8_t cdb[16] = {};
    std::copy(bytes.begin(), bytes.end(), cdb);
    return GetCdbText(cdb);
}

std::string CriticalError(uint32_t fault, uint8_t debugRegister, const char* thread) {
    testsupport::EventRecordBuilder b(107);
    b.LoopId(fault).Params(1, 2, 3, 4).Byte(120, debugRegister).Text56(thread);
    return FormatCriticalErrorText(EventRecord(b.Record()));
}

TEST(EventDecoders, Words) {
    const struct {
        std::string actual, expected;
    } cases[] = {
        // clang-format off
        // failed commands
        {Cdb({0x28, 0x00, 0x00, 0x01, 0x02, 0x03, 0x00, 0x00, 0x08, 0x00}), "Rd 00010203 0008"},
        {Cdb({0x2A, 0x00, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x01, 0x00}), "Wr fffffffe 0100"},
        {Cdb({0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}), "000102030405"},
        {Cdb({0x88, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}), "880100000000000000000000000000ff"},
        {Cdb({0x35, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x09, 0x0A}), "35010000000000000009"},
        // sense data
        {GetSenseKeyText(14), "Miscompare"},
        {GetSenseKeyText(12), "Bad Sense Key"},
        {GetAscAscqText(0x0401), "LUN not ready, becoming ready"},
        {GetAscAscqText(0x0408), ""},
        {GetAscAscqText(0x040A), "LUN not accessible, asymmetric accsss state transition"},
        {GetAscAscqText(0x2902), "scsi bus reset occurred"},
        {GetAscAscqText(0x8500), "Inter-Controller Msg error (No recv posted, BE_NR)"},
        {GetAscAscqText(-1), ""},
        {GetAscAscqText(0x10000), ""},
        {GetIobStatusText(0x43), "Aborted, Link Down"},
        {GetIobStatusText(0x99), "IOB Status 99"},
        {GetMaintenanceOpText(3), "TUR      "},
        {GetMaintenanceOpText(15), "Unknown  "},
        // controller
        {GetBatteryStatusText(15), "dead"},
        {GetBatteryStatusText(20), "unknown"},
        {GetBatteryStateText(7), "trickle charge pending"},
        {GetBatteryStateText(8), "unknown"},
        {GetModuleNameText(2, 3), "DG-4"},
        {GetModuleNameText(2, 7), "unknown"},
        {GetModuleNameText(1, 1), "DM-A"},
        {GetModuleNameText(4, 0), "PM-B"},
        {GetModuleNameText(3, 2), "unknown"},
        {GetModuleNameText(5, 1), "unknown"},
        {GetModuleStatusText(4), "offline"},
        {GetModuleStatusText(11), "unknown"},
        {GetConfigChangeReasonText(62), "OTHER_STATE_CHANGE"},
        {GetConfigChangeReasonText(63), "Unknown Reason Code"},
        {GetFailoverReasonText(127), "Unknown"},
        {GetFailoverReasonText(8), "Undefined Failover Code = 8"},
        {GetFailoverReasonText(0xFFFFFFFF), "Undefined Failover Code = -1"},
        {GetUtilityText(5), "Expand"},
        {GetUtilityText(-1), "Bad Utility"},
        {GetFormatTypeText(2), "Zero Init and Low-Level Format"},
        {GetFormatTypeText(7), "Format Type= 7"},
        {GetShutdownTypeText(4), "EC reboot"},
        {GetShutdownTypeText(200), "200"},
        {GetStorageControllerText(), "Storage Controller"},
        // drive enclosures
        {GetEnclosureSeverityText(0x9C), "Type Unknown"},
        {GetEnclosureSeverityText(0x91), "unknown"},
        {GetEnclosureElementText(50), "enclosure"},
        {GetEnclosureElementText(7), "unknown"},
        {GetFanStatusText(2), "Off"},
        {GetTempSensorStatusText(8), "Under Temp Warning"},
        {GetTempSensorStatusText(3), "unknown"},
        {GetPowerSupplyStatusText(0x81), " Failure, AC failure"},
        {GetPowerSupplyStatusText(0), " "},
        {GetPowerSupplyStatusText(0x24), " Under voltage, Over temp warning"},
        // critical errors (the fault name of a processor exception is not padded)
        {CriticalError(14, 0, ""),
         "Critical Error: Fault Type: Page Fault  p1: 0000001  p2:0000002 p3: 0000003  p4:0000004   No Curr "
         "Thread  "},
        {CriticalError(1, 3, "tMain"),
         "Critical Error: Fault Type: Debug Except., Dbg Reg Num = 3  p1: 0000001  p2:0000002 p3: 0000003  "
         "p4:0000004 "
         "  CThr:      tMain"},
        {CriticalError(1, 4, "tVeryLongThreadName"),
         "Critical Error: Fault Type: Debug Except.  p1: 0000001  p2:0000002 p3: 0000003  p4:0000004   "
         "CThr:tVeryLongTh"},
        {CriticalError(0xFFFFFFFF, 0, "t"), "Critical Error: Unknown Error       "},
        {CriticalError(0xFFFFFFFE, 2, "tMain"),
         "Critical Error: OSMEnterDebugger  p1: 0000001  p2:0000002 p3: 0000003  p4:0000004   CThr:      "
         "tMain, "
         "DbgRegNum=2"},
        {CriticalError(20, 0, ""),
         "Critical Error: Unknown Intr: 20  p1: 0000001  p2:0000002 p3: 0000003  "
         "p4:0000004   No Curr Thread  "},
        {CriticalError(0x105, 0, ""),
         "Critical Error: Unknown Intr:  5  p1: 0000001  p2:0000002 p3: 0000003  "
         "p4:0000004   No Curr Thread  "},
        // 32-bit numbers whatever the length modifier says
        {TextFormat("%ld|%lX|%u|%08.8x|%c|%%|%-4s|",
                    {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x12345u, uint32_t{'B'}, "ab"}),
         "-1|FFFFFFFF|4294967295|00012345|B|%|ab  |"},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
}

TEST(EventDecoders, MaintenanceOperationsAreNineCharactersWide) {
    for (uint32_t op = 0; op <= 15; ++op) EXPECT_EQ(GetMaintenanceOpText(op).size(), 9u) << op;
}

TEST(EventDecoders, PowerSupplyWordsOfEveryBit) {
    EXPECT_EQ(GetPowerSupplyStatusText(0xFF),
              " Failure, Over voltage, Under voltage, Over current, Over temp fail, Over temp warning, DC "
              "failure, AC "
              "failure");
    EXPECT_EQ(GetPowerSupplyStatusText(0xFF).size(), 110u);
}

// The ASC/ASCQ table: its key set, and texts that are all lower case except the controllers' own.
TEST(EventDecoders, AscAscqTableHasItsKeys) {
    int listed = 0;
    for (int32_t key = 0; key <= 0xFFFF; ++key) {
        const std::string text = GetAscAscqText(key);
        if (text.empty()) continue;
        ++listed;
        const bool own = text.starts_with("LUN ") || text.starts_with("Inter-Controller");
        if (!own) {
            for (char ch : text) EXPECT_FALSE(ch >= 'A' && ch <= 'Z') << std::hex << key << ": " << text;
        }
    }
    EXPECT_EQ(listed, 349);
    for (int32_t key : {0x0006, 0x0017, 0x0C0D, 0x3B15, 0x5D6C, 0x5DFF, 0x670A}) {
        EXPECT_FALSE(GetAscAscqText(key).empty()) << std::hex << key;
    }
    for (int32_t key : {0x0001, 0x0408, 0x3B16, 0x5D1D, 0x5D6D, 0x8600}) {
        EXPECT_TRUE(GetAscAscqText(key).empty()) << std::hex << key;
    }
}

}  // namespace
