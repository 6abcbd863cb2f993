// The fabric's point-in-time copy services through CAPI exchanges: what a controller refuses (stale tags,
// too many snapshots, sources that are no master volume, conversions and roll-backs that do not fit, a
// second copy of a volume being copied, a full copy without room), what deletion and abort leave behind, the
// tags of each controller, the arrays' free capacity, snap pools that take room and stay while in use, and a
// full copy's progress on the clock.
#include <cstring>
#include <utility>
#include <vector>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "platform/time/clock.h"
#include "sim/capi/records.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

using sim::PartitionClass;

// The default scenario's volumes: data01 becomes a master volume over spare01, a snap pool.
constexpr size_t kMaster = 0;
constexpr size_t kStandard = 1;
constexpr size_t kStandard2 = 2;
constexpr size_t kPool = 3;
constexpr int32_t kOk = 0;

class SnapshotServicesTest : public FabricTest {
  protected:
    void SetUp() override {
        FabricTest::SetUp();
        fabric_->Edit([](sim::FabricModel& m) {
            auto& partitions = m.systems[0].partitions;
            partitions[kPool].partitionClass = PartitionClass::BackingStore;
            partitions[kMaster].partitionClass = PartitionClass::Master;
            partitions[kMaster].snapshot.master = partitions[kPool].serial;
        });
    }
    sim::StorageSystem Pair() const { return fabric_->Model().systems[0]; }
    sim::Serial16 Serial(size_t index) const { return Pair().partitions[index].serial; }

    template <class Record>
    int32_t Send(uint32_t command, uint32_t includeType, const Record& record,
                 std::vector<uint8_t>* reply = nullptr, const sim::ScsiAddress& lun = kLunA) {
        const std::vector<uint8_t> packet =
            Exchange(lun, IncludeRequest(command, includeType, &record, sizeof record, 0));
        if (reply != nullptr) *reply = packet;
        return static_cast<int32_t>(HeaderOf(packet).errorCode);
    }
    // The tag of the controller with this failoverId (1: A, 0: B), read through controller A.
    uint64_t Tag(uint32_t failoverId = 1) {
        std::vector<uint8_t> request = RequestPacket(CAPI_COMMAND_U_DMS_GET_TAG);
        CAPI_PACKET_HEADER header = HeaderOf(request);
        header.param4 = failoverId;
        std::memcpy(request.data(), &header, sizeof header);
        const std::vector<uint8_t> reply = Exchange(kLunA, request);
        CAPI_DMS_TAG tag{};
        if (reply.size() >= 80 + sizeof tag) std::memcpy(&tag, reply.data() + 80, sizeof tag);
        return (uint64_t{tag.tag.longs[1]} << 32) | tag.tag.longs[0];
    }
    static CAPI_CREATE_SNAPSHOTS_PARAMS Create(uint64_t tag, const sim::Serial16& source, uint8_t count = 1) {
        CAPI_CREATE_SNAPSHOTS_PARAMS params;
        std::memset(&params, 0, sizeof params);
        params.commitMode = 1;
        params.numEntries = count;
        params.tag.longs[0] = static_cast<uint32_t>(tag);
        params.tag.longs[1] = static_cast<uint32_t>(tag >> 32);
        for (auto& entry : params.entries)
            std::memcpy(entry.volumeSerialNumber, source.data(), source.size());
        return params;
    }
    // A new snapshot of the master volume; its serial.
    sim::Serial16 NewSnapshot() {
        std::vector<uint8_t> reply;
        EXPECT_EQ(Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(Tag(), Serial(kMaster)), &reply), kOk);
        sim::Serial16 serial{};
        if (reply.size() >= 80 + 24) std::memcpy(serial.data(), reply.data() + 80 + 8, serial.size());
        return serial;
    }
    static CAPI_SNAPSHOT_ID_PARAMS Commit(uint64_t tag, const sim::Serial16& snapshot) {
        CAPI_SNAPSHOT_ID_PARAMS params;
        std::memset(&params, 0, sizeof params);
        params.tag.longs[0] = static_cast<uint32_t>(tag);
        params.tag.longs[1] = static_cast<uint32_t>(tag >> 32);
        params.snapshots.numIds = 1;
        std::memcpy(params.snapshots.serialNumbers[0], snapshot.data(), snapshot.size());
        return params;
    }
    static CAPI_ROLLOFF_PARAMS Rolloff(const sim::Serial16& source, const std::array<uint8_t, 32>& vdisk) {
        CAPI_ROLLOFF_PARAMS params;
        std::memset(&params, 0, sizeof params);
        std::memcpy(params.volumeSerialNumber, source.data(), source.size());
        std::memcpy(reinterpret_cast<uint8_t*>(&params) + 16, vdisk.data(), 16);
        return params;
    }
};
INSTANTIATE_TEST_SUITE_P(Reach, SnapshotServicesTest, ::testing::Values(Reach::InProcess), ReachName);

TEST_P(SnapshotServicesTest, RefusesWhatAControllerRefuses) {
    const sim::Serial16 snapshot = NewSnapshot();
    const uint64_t tag = Tag();
    auto convert = [&](size_t volume, uint8_t operation, size_t pool) {
        CAPI_ARRAY_PARTITION_PARAMS params;
        std::memset(&params, 0, sizeof params);
        std::memcpy(params.partitionSerialNumber, Serial(volume).data(), 16);
        params.isPaged = operation;
        std::memcpy(params.reserved136, Serial(pool).data(), 16);
        return Send(CAPI_COMMAND_U_CONVERT_MASTER_VOLUMES, 27, params);
    };
    auto commit = [&](uint64_t withTag) {
        return Send(CAPI_COMMAND_U_COMMIT_SNAPSHOTS, 73, Commit(withTag, snapshot));
    };
    auto rollback = [&](const sim::Serial16& master) {
        CAPI_ROLLBACK_PARAMS params;
        std::memset(&params, 0, sizeof params);
        std::memcpy(params.reserved0, snapshot.data(), 16);
        std::memcpy(params.masterVolumeSerialNumber, master.data(), 16);
        return Send(CAPI_COMMAND_U_ROLLBACK_MASTER_VOLUME, 75, params);
    };
    const auto vdisk = Pair().arrays[1].serial;
    ASSERT_EQ(Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard2), vdisk)), kOk);
    const struct {
        const char* name;
        int32_t returnCode;
        int32_t expected;
    } cases[] = {
        // clang-format off
        {"create with a tag handed out before the last", Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(tag - 1, Serial(kMaster))),
         CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG},
        {"17 snapshots in one command", Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(tag, Serial(kMaster), 17)),
         CAPI_ERROR_EXCEED_MAX_SNAPSHOT},
        {"a snapshot of a standard volume", Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(tag, Serial(kStandard))),
         CAPI_ERROR_NOT_A_MASTER_VOLUME},
        {"commit with a tag handed out before the last", commit(tag - 1), CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG},
        {"a master volume over a volume that is no snap pool", convert(kStandard, 9, kStandard2),
         CAPI_ERROR_NOT_A_BACKING_STORE},
        {"a master volume with snapshots back to standard", convert(kMaster, 8, kPool), CAPI_ERROR_SNAPSHOTS_ASSOC},
        {"roll-back onto a volume the snapshot is not of", rollback(Serial(kStandard)),
         CAPI_ERROR_MASTER_NOT_ASSOCIATED_WITH_SNAPSHOT},
        {"a second copy of a volume being copied", Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard2), vdisk)),
         CAPI_ERROR_ROLLOFF_IN_PROGRESS},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(c.returnCode, c.expected) << c.name;
    EXPECT_EQ(rollback(Serial(kMaster)), kOk);
    EXPECT_EQ(convert(kStandard, 9, kPool), kOk);
    EXPECT_EQ(Pair().partitions[kStandard].partitionClass, PartitionClass::Master);
}

// Deleting all snapshots of a master volume removes its snapshot partitions and lets it go back to a
// standard volume; an aborted copy takes its rolloff volume along.
TEST_P(SnapshotServicesTest, DeleteAllAndAbortRemoveTheirVolumes) {
    NewSnapshot();
    NewSnapshot();
    const size_t volumes = Pair().partitions.size();
    const auto deleted =
        Exchange(kLunA, ObjectRequest(CAPI_COMMAND_U_DELETE_ALL_SNAPSHOTS, Serial(kMaster).data(), 16));
    EXPECT_EQ(HeaderOf(deleted).errorCode, 0u);
    EXPECT_EQ(Pair().partitions.size(), volumes - 2);

    ASSERT_EQ(Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard), Pair().arrays[0].serial)), kOk);
    const sim::Serial16 copy = Pair().snapshotServices.rolloffs.back().volume;
    sim::StorageSystem pair = Pair();
    ASSERT_NE(sim::FindPartition(pair, copy.data()), nullptr);
    std::array<uint8_t, 512> abort{};
    std::memcpy(abort.data(), copy.data(), copy.size());
    EXPECT_EQ(Send(CAPI_COMMAND_U_ROLLOFF_ABORT, 88, abort), kOk);
    EXPECT_EQ(Pair().partitions.size(), volumes - 2);
    EXPECT_TRUE(Pair().snapshotServices.rolloffs.empty());
}

// Each controller hands out tags of its own: a create or commit must carry the tag that the owner of the
// volume's array (here A) handed out last, through either half; a commit whose tag went stale succeeds
// with the tag read again.
TEST_P(SnapshotServicesTest, TagsPerControllerAndAStaleCommit) {
    const uint64_t tagB = Tag(0);
    const uint64_t tagA = Tag(1);
    EXPECT_NE(tagA, tagB);
    EXPECT_EQ(Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(tagB, Serial(kMaster)), nullptr, kLunB),
              CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG);
    EXPECT_EQ(Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(tagB, Serial(kMaster))),
              CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Send(CAPI_COMMAND_U_CREATE_SNAPSHOTS, 72, Create(tagA, Serial(kMaster)), &reply, kLunB), kOk);
    sim::Serial16 snapshot{};
    ASSERT_GE(reply.size(), 80u + 24);
    std::memcpy(snapshot.data(), reply.data() + 80 + 8, snapshot.size());

    EXPECT_EQ(Tag(0), tagB + 1);  // B's tag moves on alone
    EXPECT_EQ(Send(CAPI_COMMAND_U_COMMIT_SNAPSHOTS, 73, Commit(tagA, snapshot)), kOk);
    const uint64_t stale = Tag(1) - 1;
    ASSERT_EQ(stale, tagA);
    EXPECT_EQ(Send(CAPI_COMMAND_U_COMMIT_SNAPSHOTS, 73, Commit(stale, snapshot)),
              CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG);
    EXPECT_EQ(Send(CAPI_COMMAND_U_COMMIT_SNAPSHOTS, 73, Commit(stale + 1, snapshot)), kOk);
    sim::StorageSystem pair = Pair();
    const sim::Partition* committed = sim::FindPartition(pair, snapshot.data());
    ASSERT_NE(committed, nullptr);
    EXPECT_TRUE(committed->snapshot.committed);
    EXPECT_EQ(committed->snapshot.tag, stale + 1);
}

// An array's free capacity is what its volumes leave of it (snapshots take none): the array list reports
// it, and a full copy onto an array without room for the source is refused.
TEST_P(SnapshotServicesTest, ArrayFreeCapacityFollowsItsVolumes) {
    const uint64_t source = Pair().partitions[kStandard].blocks;
    fabric_->Edit([&](sim::FabricModel& m) {
        sim::StorageSystem& pair = m.systems[0];
        pair.arrays[1].capacityBlocks = sim::UsedBlocks(pair, 1) + source - 1;
        pair.arrays[1].preferredOwner = 0;
    });
    auto reported = [&](size_t array) {
        const std::vector<uint8_t> list = sim::ArrayListPayload(Pair());
        CAPI_ARRAY record;
        EXPECT_GE(list.size(), (array + 1) * sizeof record);
        if (list.size() < (array + 1) * sizeof record) return uint64_t{0};
        std::memcpy(&record, list.data() + array * sizeof record, sizeof record);
        EXPECT_EQ(record.preferredOwner, array == 1 ? 0 : 1);
        EXPECT_EQ(record.numFreeArrayPartitionSegments, 1);
        return uint64_t{record.maxNewPartitionSize.longs[1]} << 32 | record.maxNewPartitionSize.longs[0];
    };
    const uint64_t before = reported(0);
    EXPECT_EQ(before, sim::kDefaultArrayBlocks - sim::UsedBlocks(Pair(), 0));
    NewSnapshot();
    EXPECT_EQ(reported(0), before);
    EXPECT_EQ(reported(1), source - 1);
    EXPECT_EQ(Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard), Pair().arrays[1].serial)),
              CAPI_ERROR_INSUFFICIENT_ARRAY_FREE_SPACE);
    ASSERT_EQ(Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard), Pair().arrays[0].serial)), kOk);
    EXPECT_EQ(before - reported(0), source);
}

// A snap pool takes room on its vdisk like any volume (the free capacity in the array record shrinks; a pool
// larger than the room is refused), and a pool that master volumes use, or a master volume that has
// snapshots, is not deleted; a deleted pool takes its policy along.
TEST_P(SnapshotServicesTest, SnapPoolsTakeRoomAndStayWhileInUse) {
    constexpr uint64_t kRoom = 1000;
    fabric_->Edit([&](sim::FabricModel& m) {
        m.systems[0].arrays[0].capacityBlocks = sim::UsedBlocks(m.systems[0], 0) + kRoom;
    });
    auto freeReported = [&] {
        const std::vector<uint8_t> list = sim::ArrayListPayload(Pair());
        CAPI_ARRAY record;
        std::memcpy(&record, list.data(), sizeof record);
        EXPECT_EQ(record.freeCapacity.longs[0], record.maxNewPartitionSize.longs[0]);
        return uint64_t{record.freeCapacity.longs[1]} << 32 | record.freeCapacity.longs[0];
    };
    auto newPool = [&](uint64_t blocks) {
        CAPI_ARRAY_PARTITION_PARAMS params;
        std::memset(&params, 0, sizeof params);
        params.size.longs[0] = static_cast<uint32_t>(blocks);
        std::memcpy(params.arraySerialNumber, Pair().arrays[0].serial.data(), 32);
        std::strcpy(params.name, "sp0123456789abcdef0");
        params.lun = -1;
        params.specialClass = 1;
        params.specialType = 1;
        return Send(CAPI_COMMAND_U_ADD_ARRAY_PARTITION, 27, params);
    };
    auto remove = [&](const sim::Serial16& serial) {
        return static_cast<int32_t>(
            HeaderOf(Exchange(kLunA, ObjectRequest(CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, serial.data(), 16)))
                .errorCode);
    };
    EXPECT_EQ(freeReported(), kRoom);
    EXPECT_EQ(newPool(kRoom + 1), CAPI_ERROR_INSUFFICIENT_ARRAY_FREE_SPACE);
    ASSERT_EQ(newPool(kRoom), kOk);
    EXPECT_EQ(Pair().partitions.back().partitionClass, PartitionClass::BackingStore);
    EXPECT_EQ(freeReported(), 0u);

    const sim::Serial16 snapshot = NewSnapshot();
    CAPI_DMS_POLICY policy;
    std::memset(&policy, 0, sizeof policy);
    std::memcpy(policy.snapPoolPartitionId, Serial(kPool).data(), 16);
    policy.ErrorPolicy = 5;
    ASSERT_EQ(Send(CAPI_COMMAND_U_DMS_SET_POLICY, 76, policy), kOk);
    EXPECT_EQ(remove(Serial(kPool)), CAPI_ERROR_MASTER_VOLUMES_ASSOC);
    EXPECT_EQ(remove(Serial(kMaster)), CAPI_ERROR_SNAPSHOTS_ASSOC);
    ASSERT_EQ(remove(snapshot), kOk);
    CAPI_ARRAY_PARTITION_PARAMS back;
    std::memset(&back, 0, sizeof back);
    std::memcpy(back.partitionSerialNumber, Serial(kMaster).data(), 16);
    back.isPaged = 8;
    ASSERT_EQ(Send(CAPI_COMMAND_U_CONVERT_MASTER_VOLUMES, 27, back), kOk);
    EXPECT_EQ(sim::MasterVolumeCount(Pair(), Serial(kPool)), 0u);
    ASSERT_EQ(Pair().snapshotServices.policies.size(), 1u);
    const sim::Serial16 pool = Serial(kPool);
    EXPECT_EQ(remove(pool), kOk);
    EXPECT_TRUE(Pair().snapshotServices.policies.empty());
    sim::StorageSystem pair = Pair();
    EXPECT_EQ(sim::FindPartition(pair, pool.data()), nullptr);
}

// A full copy's progress follows the platform clock; a stalled copy stops where it stalls and keeps running.
TEST_P(SnapshotServicesTest, RolloffProgressFollowsTheClock) {
    platform::ScopedVirtualClock clock;
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].snapshotServices.rolloffCopyMs = 100000; });
    auto progress = [&] {
        const std::vector<uint8_t> reply =
            Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_ROLLOFF_VOLUME_LIST));
        std::vector<std::pair<int, bool>> copies;  // percent, running
        for (size_t at = 80; at + sizeof(CAPI_ROLLOFF_VOLUME) <= reply.size();
             at += sizeof(CAPI_ROLLOFF_VOLUME)) {
            CAPI_ROLLOFF_VOLUME record;
            std::memcpy(&record, reply.data() + at, sizeof record);
            copies.emplace_back(record.percentComplete, (record.status & 1) != 0);
        }
        return copies;
    };
    ASSERT_EQ(Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard), Pair().arrays[0].serial)), kOk);
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].snapshotServices.rolloffStallPercent = 50; });
    ASSERT_EQ(Send(CAPI_COMMAND_U_ROLLOFF, 85, Rolloff(Serial(kStandard2), Pair().arrays[0].serial)), kOk);
    using Copies = std::vector<std::pair<int, bool>>;
    EXPECT_EQ(progress(), (Copies{{0, true}, {0, true}}));
    clock->Advance(40000);
    EXPECT_EQ(progress(), (Copies{{40, true}, {40, true}}));
    clock->Advance(60000);
    EXPECT_EQ(progress(), (Copies{{100, false}, {50, true}}));
    clock->Advance(3600000);
    EXPECT_EQ(progress(), (Copies{{100, false}, {50, true}}));
}

}  // namespace
}  // namespace simtest
