// Names of the objects of events from the record and from a controller's database entry, and the
// event texts that depend on the entry.
#include "corlink/diagnostics/event_naming.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/controller_entry/raid_controller.h"
#include "corlink/diagnostics/event_record.h"
#include "corlink/diagnostics/event_text.h"
#include "tests/support/event_records.h"

namespace {

using testsupport::EventRecordBuilder;

const std::vector<uint8_t> kSerialA = {0x60, 0x0C, 0x0F, 0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
const std::vector<uint8_t> kWwn = {0x20, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

// A small database entry: arrays, drives and enclosures placed where a test wants them.
class EventNamingTest : public ::testing::Test {
  protected:
    EventNamingTest() : entry_(new RAID_CONTROLLER()) {}

    RAID_CONTROLLER& Entry() { return *entry_; }

    void AddArray(uint32_t index, const char* name, const std::vector<uint8_t>& serial, uint8_t raidLevel = 5,
                  uint8_t drivesPerSubArray = 0) {
        CAPI_ARRAY& array = entry_->arrays[index];
        std::strncpy(array.name, name, sizeof(array.name));
        std::memcpy(array.serialNumber, serial.data(), serial.size());
        array.raidLevel = raidLevel;
        array.numDrivesPerLowLevelArray = drivesPerSubArray;
        entry_->controller.raid.numArrays = std::max(entry_->controller.raid.numArrays, index + 1);
    }

    void AddDrive(uint32_t index, const char* serial, const std::vector<uint8_t>& wwn) {
        CAPI_DRIVE& drive = entry_->drives[index];
        std::memcpy(drive.serialNumber, serial, std::strlen(serial));
        std::memcpy(drive.flexId.FCNodeWWN, wwn.data(), wwn.size());
        entry_->controller.raid.numDrives = std::max(entry_->controller.raid.numDrives, index + 1);
    }

    void AddSlot(uint32_t enclosure, const char* name, uint32_t slot, const std::vector<uint8_t>& wwn) {
        CAPI_DRIVE_ENCLOSURE& e = entry_->enclosures[enclosure];
        std::strncpy(e.name, name, sizeof(e.name));
        std::memcpy(e.drives[slot].serialNumber, wwn.data(), wwn.size());
        e.numberDiskDrives = std::max<uint8_t>(e.numberDiskDrives, static_cast<uint8_t>(slot + 1));
        entry_->enclosureCount = std::max(entry_->enclosureCount, enclosure + 1);
    }

    std::string Vdisk(const EventRecordBuilder& b) {
        return GetVdiskName(EventRecord(b.Record()), entry_.get());
    }
    std::string Volume(const EventRecordBuilder& b) {
        return FormatVolumeText(EventRecord(b.Record()), entry_.get());
    }
    std::string DriveAt(const EventRecordBuilder& b) {
        return FormatDriveLocation(EventRecord(b.Record()), entry_.get());
    }
    std::string Text(const EventRecordBuilder& b) { return ComposeEventText(b.Record(), entry_.get()); }

  private:
    std::unique_ptr<RAID_CONTROLLER> entry_;
};

TEST_F(EventNamingTest, VdiskNames) {
    AddArray(0, "Other", std::vector<uint8_t>(16, 0xEE));
    AddArray(1, "", kSerialA);
    EXPECT_EQ(Vdisk(EventRecordBuilder(1).Name("A").Serial(kSerialA)), "A");
    EXPECT_EQ(Vdisk(EventRecordBuilder(1)), "Unknown Vdisk");
    EXPECT_EQ(Vdisk(EventRecordBuilder(1).Serial({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})),
              "0102030405060708090a0b0c0d0e0f10");
    EXPECT_EQ(Vdisk(EventRecordBuilder(1).Serial(kSerialA)), "NoName1");
    // A name of 32 characters of the record (over its three fragments), and one filling the array's field.
    EXPECT_EQ(Vdisk(EventRecordBuilder(1).Name("abcdefghijklmnopqrstuvwxyz012345")),
              "abcdefghijklmnopqrstuvwxyz012345");
    AddArray(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", kSerialA);
    EXPECT_EQ(Vdisk(EventRecordBuilder(1).Serial(kSerialA)), "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
}

TEST_F(EventNamingTest, VolumeTexts) {
    std::vector<uint8_t> volumeSerial = kSerialA;
    volumeSerial[12] = 0x77;  // same first 12 bytes as the array's
    AddArray(1, "Arr", kSerialA);
    EXPECT_EQ(Volume(EventRecordBuilder(104).Serial(volumeSerial).Text56("vol-1")),
              "Vdisk: Arr, volume: vol-1, SN: 600c0ff00102030405060708770a0b0c");
    EXPECT_EQ(Volume(EventRecordBuilder(104)
                         .Serial(volumeSerial)
                         .Name("Named")
                         .Text56("a-volume-name-of-more-than-20")),
              "Vdisk: Named, volume: a-volume-name-of-mor, SN: 600c0ff00102030405060708770a0b0c");
    volumeSerial[11] = 0;
    EXPECT_EQ(Volume(EventRecordBuilder(104).Serial(volumeSerial)),
              "volume: , SN: 600c0ff00102030405060700770a0b0c");
}

TEST_F(EventNamingTest, DriveLocations) {
    AddDrive(2, "DRIVE-IN-SLOT", kWwn);
    AddDrive(3, "DRIVE-NOWHERE", std::vector<uint8_t>(8, 0x99));
    EXPECT_EQ(DriveAt(EventRecordBuilder(58).Text56("DRIVE-NOWHERE")), "SN:DRIVE-NOWHERE");
    EXPECT_EQ(DriveAt(EventRecordBuilder(58).Text56("UNKNOWN-DRIVE")), "SN:UNKNOWN-DRIVE");
    AddSlot(0, "Encl1", 0, kWwn);
    EXPECT_EQ(DriveAt(EventRecordBuilder(58).Text56("DRIVE-IN-SLOT")), "SN:DRIVE-IN-SLOT Encl:Encl1 Slot:0");
    // The last enclosure that holds the drive is named; a name that fills its field ends there.
    AddSlot(2, "EnclosureNameOf20Chr", 5, kWwn);
    EXPECT_EQ(DriveAt(EventRecordBuilder(58).Text56("DRIVE-IN-SLOT")),
              "SN:DRIVE-IN-SLOT Encl:EnclosureNameOf20Chr Slot:5");
}

TEST_F(EventNamingTest, WithoutADatabaseEntryTheFallbacksApply) {
    const CAPI_EVENT_RECORD record = EventRecordBuilder(8).Serial(kSerialA).Text56("D1").Record();
    EXPECT_EQ(GetVdiskName(EventRecord(record), nullptr), "600c0ff00102030405060708090a0b0c");
    EXPECT_EQ(FormatVolumeText(EventRecord(record), nullptr),
              "volume: D1, SN: 600c0ff00102030405060708090a0b0c");
    EXPECT_EQ(FormatDriveLocation(EventRecord(record), nullptr), "SN:D1");
    EXPECT_EQ(ComposeEventText(record, nullptr),
              "Vdisk 600c0ff00102030405060708090a0b0c member failed (Channel:2 LoopID:17 SN: D1)");
}

// Counts in the entry beyond the lists' capacities: every walk stops at the capacity.
TEST_F(EventNamingTest, CountsBeyondTheListsAreCapped) {
    Entry().controller.raid.numArrays = 0xFFFFFFFF;
    Entry().controller.raid.numDrives = 0xFFFFFFFF;
    Entry().enclosureCount = 1000;
    AddDrive(249, "LAST-DRIVE", kWwn);
    for (uint32_t e = 0; e < RAID_CONTROLLER_MAX_ENCLOSURES; ++e)
        Entry().enclosures[e].numberDiskDrives = 255;
    const EventRecordBuilder record = EventRecordBuilder(58).Text56("LAST-DRIVE").Serial({9, 9, 9});
    EXPECT_EQ(DriveAt(record), "SN:LAST-DRIVE");
    EXPECT_EQ(Vdisk(record), "09090900000000000000000000000000");
    EXPECT_EQ(Volume(record), "volume: LAST-DRIVE, SN: 09090900000000000000000000000000");
}

TEST_F(EventNamingTest, FailedMemberNamesItsMirrorOrSubVdisk) {
    const std::vector<uint8_t> raid10(16, 0x10), raid50(16, 0x50), raid50NoSize(16, 0x51);
    AddArray(0, "R10", raid10, 10);
    AddArray(1, "R50", raid50, 8, 4);
    AddArray(2, "R50x", raid50NoSize, 8, 0);
    const auto failed = [](const std::vector<uint8_t>& serial, uint32_t member) {
        return EventRecordBuilder(8).Serial(serial).Text56("D").Params(member);
    };
    EXPECT_EQ(Text(failed(raid10, 3)), "Vdisk R10 member failed (Channel:2 LoopID:17 SN: D), mirror 2");
    EXPECT_EQ(Text(failed(raid10, 4)), "Vdisk R10 member failed (Channel:2 LoopID:17 SN: D), mirror 1");
    EXPECT_EQ(Text(failed(raid50, 9)), "Vdisk R50 member failed (Channel:2 LoopID:17 SN: D), sub-Vdisk 3");
    EXPECT_EQ(Text(failed(raid50NoSize, 9)), "Vdisk R50x member failed (Channel:2 LoopID:17 SN: D)");
    EXPECT_EQ(Text(failed(raid50, 9).Channel(0xFFFFFFFF)),
              "Vdisk R50 member failed (drive ID unknown, SN: D), sub-Vdisk 3");
}

TEST_F(EventNamingTest, RenamedVolumeTakesItsOldVdiskNameFromTheDatabase) {
    AddArray(0, "Arr", kSerialA);
    EXPECT_EQ(Text(EventRecordBuilder(103).Serial(kSerialA).Name("vol-new").Text56("vol-old")),
              "Volume name changed for Vdisk: Arr, volume: vol-old, SN: 600c0ff00102030405060708090a0b0c  "
              "New name: "
              "vol-new");
}

TEST_F(EventNamingTest, DetectedErrorNamesTheDriveSlot) {
    AddDrive(0, "S1", kWwn);
    AddSlot(1, "Front", 7, kWwn);
    EXPECT_EQ(Text(EventRecordBuilder(58).Text56("S1").Params(2, 4, 1)),
              "Disk detected error (Channel:2 LoopID:17 SN:S1 Encl:Front Slot:7) Key,Code,Qual=(02h,04h,01h) "
              "cdb:000000000000 Info:00000000h Not Ready LUN not ready, becoming ready");
}

}  // namespace
