// Event texts: one crafted record per event code against the reviewed golden file (through the entry
// point that GET_EVENT uses, with the controller looked up in the database), the other branches of the
// rows that choose their text, and the length rule.
#include "corlink/diagnostics/event_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "corlink/controller_entry/raid_controller.h"
#include "corlink/diagnostics/event_rows.h"
#include "tests/support/event_records.h"

namespace {

using testsupport::EventRecordBuilder;

constexpr uint32_t kHandle = 0x100;

// One controller entry, without arrays, drives or enclosures (an entry is large: it lives on the heap).
class EventTextTest : public ::testing::Test {
  protected:
    EventTextTest() : controller_(std::make_unique<RAID_CONTROLLER>()) {
        std::memset(static_cast<void*>(controller_.get()), 0, sizeof(RAID_CONTROLLER));
        controller_->controllerHandle = kHandle;
    }

    std::string Text(const CAPI_EVENT_RECORD& record) const {
        return ComposeEventText(record, controller_.get());
    }

    std::unique_ptr<RAID_CONTROLLER> controller_;
};

TEST_F(EventTextTest, EveryEventCodeMatchesTheGoldenTexts) {
    const std::vector<CAPI_EVENT_RECORD> records = testsupport::CraftedEventRecords(kHandle);
    const std::vector<std::string> golden =
        testsupport::ReadEventTextsGolden(testsupport::EventTextsGoldenPath());
    EXPECT_EQ(golden.size(), records.size()) << testsupport::EventTextsGoldenPath();

    std::string actual;  // in the golden file's form, for review when a text differs
    bool same = golden.size() == records.size();
    for (size_t i = 0; i < records.size(); ++i) {
        const std::string text = FormatEventText(records[i], controller_.get());
        actual += testsupport::EventTextsGoldenLine(static_cast<uint32_t>(i), text.c_str()) + "\n";
        same = same && i < golden.size() && text == golden[i];
        EXPECT_EQ(text, i < golden.size() ? golden[i] : "") << "event " << i;
        EXPECT_LE(text.size(), EVENT_TEXT_MAX_LENGTH) << "event " << i;
    }
    if (!same) {
        const std::string path = ::testing::TempDir() + "event_texts.actual";
        std::ofstream(path) << actual;
        ADD_FAILURE() << "all texts written to " << path;
    }
}

TEST_F(EventTextTest, RowsThatChooseTheirTextByTheRecord) {
    const std::vector<uint8_t> vdisk = testsupport::CraftedVdiskSerial();
    const std::string sn = "00c0ff0a123456789abcdef001020304";
    auto vdiskEvent = [&](uint32_t code) {
        EventRecordBuilder b(code);
        b.Name("VD").Serial(vdisk);
        return b;
    };
    const struct {
        EventRecordBuilder record;
        std::string text;
    } cases[] = {
        // clang-format off
        {vdiskEvent(6), "Vdisk creation complete. Vdisk: VD, SN: " + sn},
        {vdiskEvent(6).Status(2).Params(1),
         "Vdisk creation aborted, error code = 2 (Vdisk: VD, SN: " + sn + ")"},
        {vdiskEvent(18).Status(2), "Vdisk reconstruct failed (Vdisk: VD, SN: " + sn + ")"},
        {vdiskEvent(21).Status(1).Params(0, 1), "Vdisk verification was aborted (Vdisk: VD, SN: " + sn + ")"},
        {vdiskEvent(21).Status(1).Params(4),
         "Vdisk verification failed, 4 correction(s) (Vdisk: VD, SN: " + sn + ")"},
        {vdiskEvent(21), "Vdisk verification complete. No errors. (Vdisk: VD, SN: " + sn + ")"},
        {EventRecordBuilder(25), "The statistics have been reset for all Vdisks on this RAID controller"},
        {EventRecordBuilder(26).Text56("S1"), "The statistics have been reset for a drive (drive: SN: S1)"},
        {vdiskEvent(37).LoopId(0xFFFFFFFF),
         "Vdisk reconstruct started (Vdisk: VD, SN: " + sn + ") with unknown drive"},
        {EventRecordBuilder(49).Params(3).Channel(0xFFFFFFFF),
         "SCSI maintenance command completed: cmd = TUR        drive = Unknown   "},
        {EventRecordBuilder(56).Text56("V2").Baselevel("B1"),
         "Storage Controller has booted up.  Code version: V2 (Baselevel: B1)"},
        {EventRecordBuilder(59).Params(0x99).Bytes(120, {0x2A, 0, 0, 0, 0, 9, 0, 0, 1}),
         "Disk channel error (Channel:2 LoopID:17): IOB Status 99  cdb:Wr 00000009 0001"},
        {EventRecordBuilder(62).Text56("S1").Params(12),
         "Spare drive failure (Channel:2 LoopID:17) SN: S1 . Sense key:Bad Sense Key(0Ch) ASC:00h ASCQ:00h "
         "no additional sense information"},
        {EventRecordBuilder(71).Params(0, 7), "Failover completed, failover set A"},
        {EventRecordBuilder(72).Params(1, 0), "Recovery initiated, failover set B"},
        {EventRecordBuilder(80).Params(0, 9),
         "The controller disabled unknown settings on one or more drives"},
        {EventRecordBuilder(109).Text56("v1"),
         "Volume statistics reset for volume: v1, SN: 00000000000000000000000000000000"},
        {EventRecordBuilder(111).Params(0x00030000, 0, 1), "Host link up Chan2: 3 IDs-NeedMore"},
        {EventRecordBuilder(113).Params(0x01010000, 0, 1),
         "Drive link up Chan2: 1 Loop ID , External Device(s)"},
        {EventRecordBuilder(117).Params(1, 0x2C), "Detected host channel error 2ch"},
        {EventRecordBuilder(117).Params(0, 1, 0x12, 0x3456),
         "Generated host channel error: status = 12 3456 "},
        {EventRecordBuilder(139).Text56("M1").Baselevel("M1"),
         "Management Controller has booted up.  Code version: M1"},
        {EventRecordBuilder(168).Params(3, 0, 1).EnclosureInfo("i"),
         "Drive enclosure event:  unknown, enclosure WWN 0000000000000000, fan 1, fan status Failed, i"},
        {EventRecordBuilder(168).Params(2, 0, 0x81).Status(0x8F).EnclosureInfo("i"),
         "Drive enclosure event:  Critical, enclosure WWN 0000000000000000, power supply 1, power supply "
         "status "
         " Failure, AC failure, i"},
        {EventRecordBuilder(169).Params(4, 1, 0, 15).EnclosureInfo("i"),
         "Warning/error condition in drive enclosure has cleared, enclosure WWN 0000000000000000, temp "
         "sensor 2, "
         ", temperature -5 C"
         "i"},
        {EventRecordBuilder(174).Params(0, 2),
         "Device firmware update aborted in transfer stage.  No enclosures have "
         "been affected."},
        {EventRecordBuilder(174).Params(2, 0), "Successful unknown device firmware update (WWN: No device)"},
        {EventRecordBuilder(174).Params(0, 9), "Bad status = 9"},
        {EventRecordBuilder(176), "All drive error statistics have been reset"},
        {EventRecordBuilder(177),
         "Cache memory used for old data has been freed for Vdisk: Unknown Vdisk, volume: "
         "Unknown Name, SN: "},
        {EventRecordBuilder(185),
         "Sent command to Enclosure Management Processor (EMP serial number = Unknown SN, "
         "index = 0, cmd = 0, length = 0)"},
        {EventRecordBuilder(233).Params(9),
         "Mixed drive types not allowed on channel 2, drive enclosure "
         "0000000000000000"},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.record.Record()), c.text);
    }
}

TEST_F(EventTextTest, RaidLayoutOfANewVdisk) {
    const struct {
        uint32_t p1, p2, p3;
        const char* layout;
    } cases[] = {
        // clang-format off
        {0, 0x00000C05, 0x2002, "12 drive RAID5, Zero Init and Low-Level Format, 32KB chunksize"},
        {0, 0x00000400, 0x1000, "4 drive RAID0, Chunk Size=16KB"},
        {0, 0x00000201, 0x0003, "2 drive RAID1, Online Init"},
        {0, 0x00000306, 0x0000, "3 drive NRAID"},
        {0, 0x02000C08, 0x4001, "6x2 drive R50, Offline Init, 64KB chunksize"},
        {0, 0x00000808, 0x4009, "8 drive RAID50, Format Type= 9, 64KB chunksize"},
        {0, 0x00000A0C, 0x0000, "10 drive Unknown RAID Type, No Init,  0KB chunksize"},
        {7, 0x00000306, 0x0000, "Controller internal error: 7"},
        // clang-format on
    };
    for (const auto& c : cases) {
        EventRecordBuilder b(23);
        b.Name("VD").Params(c.p1, c.p2, c.p3);
        EXPECT_EQ(Text(b.Record()), std::string("Vdisk creation started. Vdisk: VD, SN: "
                                                "00000000000000000000000000000000, ") +
                                        c.layout);
    }
}

TEST_F(EventTextTest, SensorReadings) {
    const struct {
        uint32_t code, p1, p2, p3;
        const char* text;
    } cases[] = {
        // clang-format off
        {39, 1, 5123, 0, "A +5V system power sensor warning has occurred. VCC:  5.12 V"},
        {40, 3, 11996, 0, "A +12V system power sensor failure has occurred. 12V: 11.100 V"},
        {39, 6, 85, 0, "A CPU temperature sensor warning has occurred. Temperature:  85 C"},
        {40, 10, 60, 3, "A temperature sensor #3 failure has occurred. DG-4 Temperature:  60 C"},
        {39, 4, 7, 0, "An unknown sensor warning has occurred (param1=4, param2=7)"},
        {40, 0, 7, 0, "An unknown sensor warning has occurred (param1=0, param2=7)"},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(EventRecordBuilder(c.code).Params(c.p1, c.p2, c.p3).Record()), c.text);
    }
}

// A code in two tables would leave one of its rows unused.
TEST(EventRows, EachCodeHasOneRow) {
    std::vector<int> rows(256);
    for (const EventRow& row : RegularEventRows()) ++rows.at(row.code);
    for (auto table : {ConditionalEventRows(), ComposedEventRows()}) {
        for (const ConditionalEventRow& row : table) ++rows.at(row.code);
    }
    for (uint32_t code = 0; code < rows.size(); ++code) {
        const bool textless = code == 0 || (code >= 10 && code <= 15) || code == 17 || code == 29 ||
                              code == 30 || code == 99 || (code >= 234 && code != 235 && code != 236);
        EXPECT_EQ(rows[code], textless ? 0 : 1) << "event " << code;
    }
}

TEST(EventTextLength, CutAt249AndRefusedFrom500) {
    const struct {
        size_t length, fitted;
    } cases[] = {{249, 249}, {250, 249}, {499, 249}, {500, 0}, {700, 0}};
    for (const auto& c : cases) {
        ::testing::internal::CaptureStdout();
        const std::string fitted = FitEventText(std::string(c.length, 'x'), 58);
        const std::string output = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(fitted, std::string(c.fitted, 'x')) << c.length;
        if (c.fitted == 0) {
            EXPECT_EQ(output,
                      "QQQ:ERROR  actualString Length too BIG = " + std::to_string(c.length) +
                          " Stack CORRUPTION!!!\nQQQ:ERROR  event code 58\nQQQ:ERROR  start of string is " +
                          std::string(80, 'x') + "\n");
        } else {
            EXPECT_EQ(output, "");
        }
    }
}

}  // namespace
