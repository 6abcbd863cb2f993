// LUN identification against a controller pair of a scripted proxy: which LUNs the provider accepts for a
// snapshot (firmware, partition ID, rediscovery at most once, volume kinds and the standard-volume
// setting), the completion of a LUN record for an array LUN, the arrays' identifier test, the snapshot-list
// lookup, and the SCSI address of a host disk of the simulated host.
#include "provider/controllers/lun_identification.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/file_calls.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_registry.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/lun_identification_fixture.h"
#include "tests/unit/provider/simulated_host_fixture.h"
#include "tests/unit/provider/vds_lun_fixture.h"

namespace {

using providertest::Controller;
using providertest::IdText;
using providertest::LunRecords;
using providertest::LunSpec;
using providertest::Volume;
using providertest::LunIdentificationTest;
using providertest::PairVolumes;
using providertest::kMaster;
using providertest::kPaged;
using providertest::kSnapshot;
using providertest::kStandard;
using providertest::kUnknown;

TEST_F(LunIdentificationTest, VolumeKindsAgainstTheStandardVolumeSetting) {
    struct Case {
        const char* name;
        uint8_t volume;
        const char* firmware;
        DWORD standardVolumes;
        BOOL supported;
    } cases[] = {
        // clang-format off
        {"standard volume, setting 0", kStandard, "V1.2", 0, FALSE},
        // Kept as the setting works: 1 is accepted here, and only snap-pool preparation (which runs for 2)
        // turns such a volume down later.
        {"standard volume, setting 1", kStandard, "V1.2", 1, TRUE},
        {"standard volume, setting 2", kStandard, "V1.2", 2, TRUE},
        {"master volume, setting 0", kMaster, "V1.2", 0, TRUE},
        {"snapshot, setting 0", kSnapshot, "V1.2", 0, FALSE},
        {"paged volume on a Q700, setting 0", kPaged, "V1.2", 0, TRUE},
        {"paged volume elsewhere, setting 0", kPaged, "C1.2", 0, FALSE},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair(c.firmware);
        ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK);
        std::remove(platform::EventLogPath().c_str());
        LunRecords luns({{IdText(c.volume)}});
        BOOL supported = 2;
        EXPECT_EQ(Identify(luns, c.standardVolumes, &supported), S_OK);
        EXPECT_EQ(supported, c.supported);
        EXPECT_EQ(Events().find("called with non-master volume for LUN ('" + IdText(c.volume) +
                                "'), device name=\\\\?\\disk#0, partition class = ") != std::string::npos,
                  !c.supported);
    }
}

TEST_F(LunIdentificationTest, NoLunIsSupportedAndAsksNothing) {
    const size_t before = proxy_.Messages().size();
    LunRecords none({});
    BOOL supported = FALSE;
    EXPECT_EQ(Identify(none, 0, &supported), S_OK);
    EXPECT_EQ(supported, TRUE);
    EXPECT_EQ(proxy_.Messages().size(), before);
    EXPECT_EQ(BVSS_IdentifyLuns(*set_, -1, nullptr, nullptr, 0, &supported), E_INVALIDARG);
    EXPECT_EQ(supported, FALSE);
}

TEST_F(LunIdentificationTest, FirmwareTestRefusesQuietlyAndStopsTheCall) {
    LunRecords luns({{IdText(kMaster), "X1.0"}, {IdText(kMaster)}});
    BOOL supported = TRUE;
    EXPECT_EQ(Identify(luns, 2, &supported), S_OK);
    EXPECT_EQ(supported, FALSE);
    EXPECT_EQ(Count("Ignoring LUN because array has X1.0 firmware.\n"), 1u);
    EXPECT_EQ(Count("PartitionSerialNumber="), 0u);  // the second LUN is never looked up
    EXPECT_EQ(Events(), "");

    LunRecords noRevision({{IdText(kMaster), nullptr}});
    EXPECT_EQ(Identify(noRevision, 0, &supported), S_OK);
    EXPECT_EQ(supported, TRUE);
}

// The serial text: either case, up to 64 digits into the 32-byte buffer with the first 16 bytes the
// partition ID; missing, empty, too long or not hexadecimal refuses the LUN without an event.
TEST_F(LunIdentificationTest, SerialTextsParseIntoThirtyTwoBytesAndMatchOnSixteen) {
    struct Case {
        std::string serial;
        BOOL supported;
    } cases[] = {
        // clang-format off
        {"5A5a5A5a5A5a5A5a5A5a5A5a5A5a5A5a", TRUE},
        {IdText(kMaster) + std::string(32, 'F'), TRUE},
        {IdText(kMaster) + std::string(33, 'F'), FALSE},
        {"6b6b-not-hex", FALSE},
        {"", FALSE},
        {"-", FALSE},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        LunRecords luns({{c.serial}});
        BOOL supported = 2;
        EXPECT_EQ(Identify(luns, 1, &supported), S_OK);
        EXPECT_EQ(supported, c.supported);
    }
    EXPECT_EQ(Events().find("AreLunsSupported"), std::string::npos);
    EXPECT_EQ(Count("Ignoring LUN because partition not found at line"), 4u);
}

TEST_F(LunIdentificationTest, UnknownLunsRediscoverOnceAndStopAtTheFirst) {
    const size_t listsBefore = Sent(RRE_GET_CONTROLLERHANDLEDB);
    LunRecords luns({{IdText(kUnknown)}, {IdText(kUnknown + 1)}});
    BOOL supported = TRUE;
    EXPECT_EQ(Identify(luns, 2, &supported), S_OK);
    EXPECT_EQ(supported, FALSE);
    EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), listsBefore + 1);
    EXPECT_EQ(Count("findPartitionAndController failed.\n"), 1u);
    EXPECT_EQ(Count("PartitionSerialNumber="), 1u);
    EXPECT_EQ(Occurrences(Events(), "called with nonexistent partition for LUN ('" + IdText(kUnknown) +
                                        "'), device name=\\\\?\\disk#0"),
              1u);
}

// A volume made after the last discovery is found by the call's one rediscovery; the controllers held
// from before stay the same objects, and the next unknown LUN is refused without a second rediscovery.
TEST_F(LunIdentificationTest, OneRediscoveryFindsANewVolumeThenTheNextUnknownLunIsRefused) {
    BVSS_CapiRaidController* held = set_->mControllers[0].get();
    std::vector<Volume> volumes = PairVolumes();
    volumes.push_back({"new", 0x3D, 0, 1, 2});
    Pair("V1.2", volumes);
    const size_t listsBefore = Sent(RRE_GET_CONTROLLERHANDLEDB);
    LunRecords luns({{IdText(0x3D)}, {IdText(kUnknown)}});
    BOOL supported = TRUE;
    EXPECT_EQ(Identify(luns, 0, &supported), S_OK);
    EXPECT_EQ(supported, FALSE);
    EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), listsBefore + 1);
    EXPECT_EQ(set_->mControllers[0].get(), held);
    EXPECT_EQ(Count("AreLunsSupported: volume new specialClass=1 specialType=2 isPaged=0\n"), 1u);
    const std::string events = Events();
    EXPECT_EQ(Occurrences(events, "nonexistent partition"), 1u);
    EXPECT_NE(events.find("('" + IdText(kUnknown) + "'), device name=\\\\?\\disk#1"), std::string::npos);
}

TEST_F(LunIdentificationTest, FoundVolumeIsReadAgainFromItsArray) {
    const size_t refreshesBefore = Sent(RRE_GET_CONTROLLER);
    LunRecords luns({{IdText(kMaster)}});
    BOOL supported = FALSE;
    EXPECT_EQ(Identify(luns, 0, &supported), S_OK);
    EXPECT_EQ(supported, TRUE);
    EXPECT_GT(Sent(RRE_GET_CONTROLLER), refreshesBefore);
    EXPECT_EQ(Count("AreLunsSupported: hr = 0x0 at line"), 3u);
}

TEST_F(LunIdentificationTest, SerialInsertIsEmptyForAMissingText) {
    LunRecords luns({{"-"}, {IdText(kMaster)}});
    EXPECT_STREQ(BVSS_SerialNumberInsert(nullptr), "");
    EXPECT_STREQ(BVSS_SerialNumberInsert(&luns[0]), "");
    EXPECT_EQ(BVSS_SerialNumberInsert(&luns[1]), luns[1].m_szSerialNumber);
}

TEST_F(LunIdentificationTest, SnapshotLunIsCompletedWithItsIdTextAndNaaName) {
    const uint64_t liveBefore = platform::TaskMemory().liveBlocks;
    {
        LunRecords lun({{"ABab" + IdText(kSnapshot).substr(4) + "0123456789ABCDEF"}});
        BOOL supported = FALSE;
        ASSERT_EQ(BVSS_CompleteLunInformation(*set_, L"\\\\?\\disk#7", &lun[0], &supported), S_OK);
        EXPECT_EQ(supported, TRUE);
        EXPECT_STREQ(lun[0].m_szSerialNumber, IdText(kSnapshot).c_str());
        const BYTE id[16] = {kSnapshot, kSnapshot, kSnapshot, kSnapshot, kSnapshot, kSnapshot,
                             kSnapshot, kSnapshot, kSnapshot, kSnapshot, kSnapshot, kSnapshot,
                             kSnapshot, kSnapshot, kSnapshot, kSnapshot};
        BYTE naa[16];
        ASSERT_EQ(BVSS_PartitionIDToFCFSName(id, 16, naa, 16), S_OK);
        const VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = lun[0].m_deviceIdDescriptor;
        bool naaFound = false;
        for (ULONG i = 0; i < ids.m_cIdentifiers; ++i) {
            const VDS_STORAGE_IDENTIFIER& one = ids.m_rgIdentifiers[i];
            naaFound = naaFound || (one.m_Type == VDSStorageIdTypeFCPHName && one.m_cbIdentifier == 16 &&
                                    std::memcmp(one.m_rgbIdentifier, naa, 16) == 0);
        }
        EXPECT_TRUE(naaFound);
        EXPECT_EQ(ids.m_rgIdentifiers[0].m_rgbIdentifier[0], 0x11);  // the arrays' identifier stays
        EXPECT_EQ(Count("FillInLunInfo(): Partition snap"), 1u);
    }
    EXPECT_EQ(platform::TaskMemory().liveBlocks, liveBefore);
}

// Every refusal answers S_OK with FALSE and leaves the record as it was.
TEST_F(LunIdentificationTest, LunsThatAreNotTheArraysAreLeftAlone) {
    struct Case {
        const char* name;
        LunSpec lun;
    } cases[] = {
        // clang-format off
        {"master volume", {IdText(kMaster)}},
        {"USB disk", {IdText(kSnapshot), "V1.0", VDSBusTypeUsb}},
        {"no identifier of the arrays", {IdText(kSnapshot), "V1.0", VDSBusTypeFibre, {}}},
        {"first vendor identifier not the arrays'", {IdText(kSnapshot), "V1.0", VDSBusTypeSas, {0x12, 0x11}}},
        {"unknown partition", {IdText(kUnknown)}},
        {"unparsable serial", {"xyz"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LunRecords lun({c.lun});
        char* const text = lun[0].m_szSerialNumber;
        const ULONG identifiers = lun[0].m_deviceIdDescriptor.m_cIdentifiers;
        BOOL supported = TRUE;
        EXPECT_EQ(BVSS_CompleteLunInformation(*set_, L"\\\\?\\disk#3", &lun[0], &supported), S_OK);
        EXPECT_EQ(supported, FALSE);
        EXPECT_EQ(lun[0].m_szSerialNumber, text);
        EXPECT_STREQ(lun[0].m_szSerialNumber, c.lun.serial.c_str());
        EXPECT_EQ(lun[0].m_deviceIdDescriptor.m_cIdentifiers, identifiers);
    }
    EXPECT_EQ(Count("FillInLunInfo(): Unable to find partition on any attached controller.\n"), 1u);
    EXPECT_EQ(Events(), "");
}

TEST(SnapshotListLookup, FirstEntryWithTheSourceWins) {
    std::vector<BVSS_SnapshotInfo> list(3);
    const BYTE source[16] = {1}, other[16] = {2}, absent[16] = {3};
    const BYTE first[16] = {0xA1}, second[16] = {0xA2};
    list[0].mSource.setLunID(other);
    list[1].mSource.setLunID(source);
    list[1].mSnapshot.setLunID(first);
    list[2].mSource.setLunID(source);
    list[2].mSnapshot.setLunID(second);
    BYTE found[16] = {};
    size_t position = 99;
    ASSERT_TRUE(BVSS_FindSnapshotBySourceLun(list, source, found, &position));
    EXPECT_EQ(std::memcmp(found, first, 16), 0);
    EXPECT_EQ(position, 1u);
    BYTE untouched[16] = {0xEE};
    EXPECT_FALSE(BVSS_FindSnapshotBySourceLun(list, absent, untouched, &position));
    EXPECT_EQ(untouched[0], 0xEE);
    EXPECT_EQ(position, 1u);
    EXPECT_TRUE(BVSS_FindSnapshotBySourceLun(list, source, found, nullptr));
}

// The SCSI address of a disk of the simulated host.
using ScsiPathTest = providertest::SimulatedHostTest;

TEST_F(ScsiPathTest, AddressOfAnOpenableDiskAndVetoOtherwise) {
    const std::optional<sim::HostDisk> disk = fabric_->Disk(1);
    ASSERT_TRUE(disk.has_value());
    BYTE path = 0xEE, target = 0xEE;
    ULONG lun = 0xEEEE;
    ASSERT_EQ(BVSS_GetSCSIPath(L"\\\\.\\PhysicalDrive1", &path, &target, &lun), S_OK);
    EXPECT_EQ(path, disk->address.bus);
    EXPECT_EQ(target, disk->address.target);
    EXPECT_EQ(lun, disk->address.lun);

    path = target = 0xEE;
    lun = 0xEEEE;
    EXPECT_EQ(BVSS_GetSCSIPath(L"\\\\.\\PhysicalDrive77", &path, &target, &lun), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(path, 0xEE);
    EXPECT_EQ(target, 0xEE);
    EXPECT_EQ(lun, 0xEEEEu);
    EXPECT_NE(Log().find("Error opening \\\\.\\PhysicalDrive77. Error: "), std::string::npos);
}

}  // namespace
