// The reply callback: each reply lands in the entry of the controller that answered, in the partition
// table, the reply buffers or the event buffer; counts beyond a table store nothing past it; the entry's
// updateStatus tells the waiter how the reply went.
#include "corlink/database/master_callback.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "corlink/capi/controller_handles.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/event_buffer.h"
#include "corlink/database/reply_buffers.h"
#include "tests/support/state_reset.h"

namespace {

constexpr CAPI_HANDLE kHandleA = 0x100;
constexpr CAPI_HANDLE kHandleB = 0x200;
const uint8_t kArraySerial[32] = {0x60, 0x0C, 0x0F, 0xF0, 0x00, 0x1A, 0x2B, 0x01,
                                  0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

class MasterCallbackTest : public ::testing::Test {
  protected:
    MasterCallbackTest() {
        Reset();
        AddController(kHandleA, 1);
        AddController(kHandleB, 0);
        // Controller B owns one array.
        RAID_CONTROLLER& b = g_ControllerDb[1];
        b.controller.raid.numArrays = 1;
        std::memcpy(b.arrays[0].serialNumber, kArraySerial, sizeof kArraySerial);
        b.arrays[0].serialNumberLength = 16;
    }
    ~MasterCallbackTest() override { Reset(); }

    static void Reset() { testsupport::ResetDatabaseState(); }
    static void AddController(CAPI_HANDLE handle, uint8_t failoverId) {
        RAID_CONTROLLER& entry = g_ControllerDb[g_NumControllers++];
        entry.controllerHandle = handle;
        entry.controller.failover.failoverId = failoverId;
        entry.lastConfigSequenceNumber = -1;
    }
    static RAID_CONTROLLER& A() { return g_ControllerDb[0]; }
    static RAID_CONTROLLER& B() { return g_ControllerDb[1]; }

    static void Reply(uint32_t code, CAPI_HANDLE handle, std::vector<uint8_t>* payload, uint32_t p1 = 0,
                      uint32_t p2 = 0, uint32_t p3 = 0, int32_t error = 0) {
        const CAPI_ADDRESS address = CapiControllerAddress(handle);
        MasterCallback(code, error, &address, p1, p2, p3, 0, payload != nullptr ? payload->data() : nullptr);
    }
    // A payload of `size` zero bytes, large enough for any reply read from it.
    static std::vector<uint8_t> Payload(size_t size) {
        return std::vector<uint8_t>(std::max<size_t>(size, 70000));
    }
};

TEST_F(MasterCallbackTest, EachControllerOfThePairKeepsItsOwnSequenceNumber) {
    std::vector<uint8_t> drives = Payload(2 * sizeof(CAPI_UNIFIED_DRIVE));
    Reply(2003, kHandleB, &drives, 2, 5, 9);
    EXPECT_EQ(B().driveListSequenceNumber, 9u);
    EXPECT_EQ(B().updateStatus, UPDATE_STATUS_STORED);
    Reply(2003, kHandleA, &drives, 2, 5, 9);
    EXPECT_EQ(A().driveListSequenceNumber, 5u);

    std::vector<uint8_t> none;
    Reply(2004, kHandleA, nullptr, 0, 41, 42);
    Reply(2004, kHandleB, nullptr, 0, 41, 42);
    EXPECT_EQ(A().lastConfigSequenceNumber, 41);
    EXPECT_EQ(B().lastConfigSequenceNumber, 42);
}

TEST_F(MasterCallbackTest, UnifiedDriveRecordsFindTheirArray) {
    std::vector<uint8_t> drives = Payload(2 * sizeof(CAPI_UNIFIED_DRIVE));
    std::memcpy(drives.data() + 212, kArraySerial, 16);  // drive 0 belongs to the array
    drives[260 + 212] = 0x99;                            // drive 1 to none known
    Reply(2003, kHandleB, &drives, 2, 0, 0);
    EXPECT_EQ(B().drives[0].containerIndex, 0);
    EXPECT_EQ(B().drives[1].containerIndex, 255);
    const uint8_t* extra =
        reinterpret_cast<const uint8_t*>(&B().drives[0]) + offsetof(CAPI_DRIVE, driveDownReason) + 1;
    // The bytes after driveDownReason come from bytes 215-217 and 220-223 of the unified record.
    EXPECT_EQ(extra[0], kArraySerial[3]);
    EXPECT_EQ(extra[2], kArraySerial[5]);
    EXPECT_EQ(extra[3], kArraySerial[8]);
    EXPECT_EQ(extra[6], kArraySerial[11]);
}

TEST_F(MasterCallbackTest, ArrayListRepairsTheLargePartitionCountUnlessTheControllerHasLargeCounts) {
    for (bool largeCounts : {false, true}) {
        B().controller.capabilities3 = largeCounts ? 0x8000 : 0;
        std::vector<uint8_t> arrays = Payload(sizeof(CAPI_ARRAY));
        auto* record = reinterpret_cast<CAPI_ARRAY*>(arrays.data());
        record->numArrayPartitions = 5;
        record->largeNumArrayPartitions = 7;
        Reply(2002, kHandleB, &arrays, 1, 0, 33);
        const uint16_t stored = B().arrays[0].largeNumArrayPartitions;
        EXPECT_EQ(stored, largeCounts ? 7 : 5);
        EXPECT_EQ(B().arrayListSequenceNumber, 33u);
    }
}

TEST_F(MasterCallbackTest, ShutdownReplyStoresNothingAndIsNotAFailedWait) {
    std::vector<uint8_t> data = Payload(sizeof(CAPI_UNIFIED_CONTROLLER));
    data[0] = 0x5A;
    std::memset(&g_UnifiedControllerBuffer, 0, sizeof g_UnifiedControllerBuffer);
    Reply(2001, kHandleA, &data, 0, 0, 0, 47);
    EXPECT_EQ(A().shutdown, 1u);
    EXPECT_EQ(A().updateStatus, UPDATE_STATUS_PENDING);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&g_UnifiedControllerBuffer)[0], 0);

    Reply(2001, kHandleA, &data);
    EXPECT_EQ(A().shutdown, 0u);
    EXPECT_EQ(A().updateStatus, UPDATE_STATUS_STORED);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&g_UnifiedControllerBuffer)[0], 0x5A);
}

TEST_F(MasterCallbackTest, ErrorCodesMarkTheWaitFailedExceptThePartnerNotUpCodes) {
    const struct {
        int32_t error;
        int32_t status;
    } cases[] = {{0, UPDATE_STATUS_STORED},
                 {59, UPDATE_STATUS_STORED},
                 {139, UPDATE_STATUS_STORED},
                 {2, UPDATE_STATUS_FAILED}};
    for (const auto& c : cases) {
        A().updateStatus = UPDATE_STATUS_PENDING;
        Reply(410, kHandleA, nullptr, 0, 0, 0, c.error);
        EXPECT_EQ(A().updateStatus, c.status) << c.error;
    }
}

TEST_F(MasterCallbackTest, ReplyForNoKnownControllerEndsTheWaitAndIsDropped) {
    Reply(410, 0x900, nullptr);
    EXPECT_EQ(g_badControllerNumberError, 1);
    EXPECT_EQ(A().updateStatus, UPDATE_STATUS_PENDING);
    MasterCallback(410, 0, nullptr, 0, 0, 0, 0, nullptr);  // no address at all
    EXPECT_EQ(B().updateStatus, UPDATE_STATUS_PENDING);
}

TEST_F(MasterCallbackTest, InitializeCompleteSetsTheFlag) {
    g_InitializeComplete = 0;
    MasterCallback(340, 0, nullptr, 0, 0, 0, 0, nullptr);
    EXPECT_EQ(g_InitializeComplete, 1);
}

TEST_F(MasterCallbackTest, PartitionsAreStoredUnderTheArrayTheirSerialNames) {
    std::vector<uint8_t> parts = Payload(3 * sizeof(CAPI_ARRAY_PARTITION));
    for (uint32_t i = 0; i < 3; ++i) {
        std::memcpy(parts.data() + i * 568 + 52, kArraySerial, 32);
        parts[i * 568 + 20] = static_cast<uint8_t>('a' + i);
    }
    Reply(2073, kHandleA, &parts, 3, 0, 7);  // A asks, B owns the array: found over all controllers
    const CAPI_ARRAY_PARTITION* third = gCapiArrayPartitions.Find(1, 0, 2);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->name[0], 'c');
    const uint16_t count = B().arrays[0].largeNumArrayPartitions;
    EXPECT_EQ(count, 3);
    EXPECT_EQ(A().updateStatus, UPDATE_STATUS_STORED);

    // A serial that no controller has: nothing stored, but the wait still ends.
    A().updateStatus = UPDATE_STATUS_PENDING;
    parts[52] = 0xEE;
    parts[20] = 'z';
    Reply(2073, kHandleA, &parts, 1, 0, 0);
    EXPECT_EQ(gCapiArrayPartitions.Find(1, 0, 0)->name[0], 'a');
    EXPECT_EQ(A().updateStatus, UPDATE_STATUS_STORED);
}

// Both controllers of a pair list the array, each at its own index: the reply goes to the entry that asked.
TEST_F(MasterCallbackTest, PartitionsOfAnArrayTheAskerListsAreStoredUnderTheAsker) {
    A().controller.raid.numArrays = 3;
    std::memcpy(A().arrays[2].serialNumber, kArraySerial, sizeof kArraySerial);
    std::vector<uint8_t> parts = Payload(2 * sizeof(CAPI_ARRAY_PARTITION));
    std::vector<uint8_t> volumes = Payload(2 * sizeof(CAPI_UNIFIED_PARTITION));
    for (uint32_t i = 0; i < 2; ++i) {
        std::memcpy(parts.data() + i * 568 + 52, kArraySerial, 32);
        parts[i * 568 + 20] = static_cast<uint8_t>('p' + i);
        std::memcpy(volumes.data() + i * 304 + 16, kArraySerial, 16);
        volumes[i * 304 + 96] = static_cast<uint8_t>('v' + i);
    }
    Reply(2073, kHandleA, &parts, 2, 0, 0);
    ASSERT_NE(gCapiArrayPartitions.Find(0, 2, 1), nullptr);
    EXPECT_EQ(gCapiArrayPartitions.Find(0, 2, 1)->name[0], 'q');
    EXPECT_EQ(A().arrays[2].largeNumArrayPartitions, 2);
    EXPECT_EQ(B().arrays[0].largeNumArrayPartitions, 0) << "B's row is B's own";

    Reply(2081, kHandleB, &volumes, 2, 0, 0);
    ASSERT_NE(gCapiArrayPartitions.Find(1, 0, 1), nullptr);
    EXPECT_EQ(gCapiArrayPartitions.Find(1, 0, 1)->name[0], 'w');
    EXPECT_EQ(gCapiArrayPartitions.Find(1, 0, 1)->arrayIndex, 0);
    EXPECT_EQ(B().arrays[0].largeNumArrayPartitions, 2);
    EXPECT_EQ(gCapiArrayPartitions.Find(0, 2, 1)->name[0], 'q') << "A's row untouched";
}

TEST_F(MasterCallbackTest, VolumeDataSkipsPoolObjectsToFindTheArrayAndConvertsEachRecord) {
    std::vector<uint8_t> volumes = Payload(2 * sizeof(CAPI_UNIFIED_PARTITION));
    uint8_t* pool = volumes.data();
    uint8_t* volume = volumes.data() + 304;
    pool[83] = 10;  // a pool object naming no known array
    std::memcpy(volume + 16, kArraySerial, 16);
    std::memcpy(volume + 96, "volume1", 7);
    volume[8] = 4;    // LUN
    volume[259] = 1;  // paged
    Reply(2081, kHandleB, &volumes, 2, 0, 0);
    const CAPI_ARRAY_PARTITION* stored = gCapiArrayPartitions.Find(1, 0, 1);
    ASSERT_NE(stored, nullptr);
    EXPECT_STREQ(stored->name, "volume1");
    EXPECT_EQ(stored->lun, 4);
    EXPECT_EQ(stored->arrayIndex, 0);
    EXPECT_EQ(stored->paged, 1);
    EXPECT_EQ(std::memcmp(stored->arraySerialNumber, kArraySerial, 16), 0);
    EXPECT_EQ(gCapiArrayPartitions.Find(1, 0, 0)->type, 10);
}

TEST_F(MasterCallbackTest, SingleEventStoresOneRecord) {
    std::vector<CAPI_EVENT_RECORD> buffer(EVENT_BUFFER_MAX_RECORDS);
    g_EventBuffer = buffer.data();
    std::vector<uint8_t> events = Payload(3 * sizeof(CAPI_EVENT_RECORD));
    events[0] = 77;  // sequence number of the first record
    events[156] = 78;
    Reply(2022, kHandleB, &events, 0, 0, 0);
    EXPECT_EQ(g_EventCount, 1u);
    EXPECT_EQ(buffer[0].sequenceNumber, 77u);
    EXPECT_EQ(buffer[0].address.controllerHandle, kHandleB);
    EXPECT_EQ(buffer[1].sequenceNumber, 0u);
    EXPECT_EQ(B().lastReceivedSequenceNumber, 77u);
}

// Counts a controller gives beyond the tables: nothing is written past a table.
TEST_F(MasterCallbackTest, CountsBeyondTheTablesStoreNothingPastThem) {
    std::vector<uint8_t> big = Payload(1500 * 568);
    std::memset(big.data(), 0x42, big.size());

    B().drives[0].howUsed = 9;
    Reply(2003, kHandleB, &big, 251, 0, 0);
    EXPECT_EQ(B().drives[0].howUsed, 9);
    EXPECT_EQ(B().updateStatus, UPDATE_STATUS_STORED);

    Reply(2002, kHandleB, &big, 129, 0, 0);
    EXPECT_EQ(B().arrays[0].serialNumber[0], kArraySerial[0]);

    B().updateStatus = UPDATE_STATUS_PENDING;
    Reply(2113, kHandleB, &big, 17, 0, 0);
    EXPECT_EQ(B().enclosureCount, 0u);
    EXPECT_EQ(B().updateStatus, UPDATE_STATUS_PENDING);

    Reply(2073, kHandleB, &big, 1153, 0, 0);
    EXPECT_EQ(gCapiArrayPartitions.Find(1, 0, 1152), nullptr);

    std::vector<CAPI_EVENT_RECORD> buffer(EVENT_BUFFER_MAX_RECORDS + 1);
    g_EventBuffer = buffer.data();
    Reply(2025, kHandleB, &big, 1, 1000, 0);
    EXPECT_EQ(g_EventCount, EVENT_BUFFER_MAX_RECORDS);
    EXPECT_EQ(buffer[EVENT_BUFFER_MAX_RECORDS].sequenceNumber, 0u);
    Reply(2025, kHandleB, &big, 10, 3, 0);  // a range that runs backwards holds no records
    EXPECT_EQ(g_EventCount, 0u);

    Reply(2209, kHandleB, &big, 5000, 0, 0);
    EXPECT_EQ(g_RolloffVolumeCount, ROLLOFF_VOLUME_LIST_REPLY_SIZE / ROLLOFF_VOLUME_RECORD_SIZE);

    std::vector<uint8_t> unified = Payload(sizeof(CAPI_UNIFIED_CONTROLLER));
    auto* record = reinterpret_cast<CAPI_UNIFIED_CONTROLLER*>(unified.data());
    record->controllers[0].numDrives = 300;
    record->controllers[1].numDrives = 12;
    Reply(2001, kHandleA, &unified);
    EXPECT_EQ(g_UnifiedControllerBuffer.controllers[0].numDrives, 250u);
    EXPECT_EQ(g_UnifiedControllerBuffer.controllers[1].numDrives, 12u);
}

// Each list keeps a count of its own (the snapshot list and the snapshot statistics too), cut to the records
// its buffer holds; clearing a store empties its data and its count.
TEST_F(MasterCallbackTest, ListCountsAreTheirOwnCutToTheirBuffersAndCleared) {
    std::vector<uint8_t> big = Payload(ROLLOFF_VOLUME_LIST_REPLY_SIZE);
    std::memset(big.data(), 0x42, big.size());
    const struct {
        uint32_t reply;
        const uint32_t* count;
        const uint8_t* data;
        uint32_t capacity;
    } lists[] = {
        // clang-format off
        {2201, &g_SnapshotCount, g_SnapshotListReply, 1024},
        {2202, &g_SnapshotStatisticsCount, g_SnapshotStatisticsReply, 1024},
        {2209, &g_RolloffVolumeCount, g_RolloffVolumeListReply, 2048},
        {2210, &g_BackingStoreCount, g_BackingStoreListReply, 128},
        {2220, &g_MasterVolumeCount, g_MasterVolumeListReply, 2048},
        {2233, &g_DmsPolicyThresholdCount, g_DmsPolicyThresholdListReply, 128},
        // clang-format on
    };
    for (const auto& list : lists) {
        SCOPED_TRACE(list.reply);
        Reply(list.reply, kHandleA, &big, 7, 0, 0);
        EXPECT_EQ(*list.count, 7u);
        EXPECT_EQ(list.data[0], 0x42);
        Reply(list.reply, kHandleA, &big, list.capacity + 1, 0, 0);
        EXPECT_EQ(*list.count, list.capacity);
        ClearStoredReply(list.reply);
        EXPECT_EQ(*list.count, 0u);
        EXPECT_EQ(list.data[0], 0);
    }
    Reply(2201, kHandleA, &big, 3, 0, 0);
    Reply(2202, kHandleA, &big, 5, 0, 0);
    EXPECT_EQ(g_SnapshotCount, 3u);
    EXPECT_EQ(g_SnapshotStatisticsCount, 5u);
}

TEST_F(MasterCallbackTest, EnclosureListClearsTheSlotsItDoesNotFill) {
    std::vector<uint8_t> enclosures = Payload(16 * sizeof(CAPI_DRIVE_ENCLOSURE));
    std::memset(enclosures.data(), 0x42, 16 * sizeof(CAPI_DRIVE_ENCLOSURE));
    Reply(2113, kHandleA, &enclosures, 2, 0, 0);
    EXPECT_EQ(A().enclosureCount, 2u);
    EXPECT_EQ(A().enclosures[1].enclosureWWN[0], 0x42);
    EXPECT_EQ(A().enclosures[2].enclosureWWN[0], 0);
}

}  // namespace
