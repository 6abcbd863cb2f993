// Snap pools and master volumes on one controller against the scripted proxy: the requests each operation
// builds, the kind checks that refuse without a request, and the array's refusals through the retry policy.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/api_raid_controller.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/retry_policy.h"
#include "tests/unit/provider/proxy_wire.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::NetworkReply;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::SessionTest;

constexpr int32_t kHandle = 0x100;
constexpr uint8_t kStandard = 0x11;
constexpr uint8_t kPool = 0x22;
constexpr uint8_t kMaster = 0x33;
constexpr uint8_t kSnapshot = 0x44;

struct Id {
    uint8_t bytes[16];
};
Id IdOf(uint8_t b) {
    Id id;
    std::memset(id.bytes, b, sizeof id.bytes);
    return id;
}

uint32_t WordAt(const std::vector<uint8_t>& data, size_t offset) {
    uint32_t v;
    std::memcpy(&v, data.data() + offset, sizeof v);
    return v;
}
bool BytesAre(const std::vector<uint8_t>& data, size_t offset, size_t count, uint8_t value) {
    for (size_t i = 0; i < count; ++i)
        if (data[offset + i] != value) return false;
    return true;
}

// A partition placed in the controller's tables as a refresh leaves it.
void Place(BVSS_CapiRaidController& c, uint8_t array, const char* name, uint8_t idByte, uint8_t specialClass,
           uint8_t type) {
    API_PARTITION_ENTRY& entry = c.mPartitions[c.mPartitionCount++];
    entry.arrayIndex = array;
    entry.partitionIndex = static_cast<uint16_t>(c.mNumPartitions[array]);
    std::strncpy(entry.partition.name, name, sizeof entry.partition.name);
    std::memset(entry.partition.serialNumber, idByte, 16);
    entry.partition.specialClass = specialClass;
    entry.partition.type = type;
    c.mPartitionTable[array][entry.partitionIndex] = &entry.partition;
    ++c.mNumPartitions[array];
    if (c.mNumArrays <= array) c.mNumArrays = array + 1u;
    std::memset(c.mArrays[array].serialNumber, 0xA0 + array, 16);
    c.mArrays[array].serialNumberLength = 16;
}

// Every request decoded to host order; each answered with the next code queued for its command (0 when
// none), a success with the command's length and, for ADD_ARRAY_PART, the new pool's record.
class SnapPoolTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) {
            const uint32_t code = request.header.OpCode;
            // GET_CONTROLLER carries the id alone: nothing to convert.
            requests_.push_back({code, request.data.size() < 8
                                           ? request.data
                                           : providertest::HostRequest(code, request.data)});
            std::deque<uint32_t>& queued = codes_[code];
            const uint32_t answer = queued.empty() ? 0 : queued.front();
            if (!queued.empty()) queued.pop_front();
            std::vector<uint8_t> reply(
                code == RRE_GET_CONTROLLER ? sizeof(API_RAID_CONTROLLER) : request.data.size(), 0);
            std::memcpy(reply.data() + 4, &answer, 4);
            if (answer == 0 && fills_.count(code) != 0) fills_[code](reply.data());
            if (code == RRE_ADD_ARRAY_PART && answer == 0) {
                auto* created = reinterpret_cast<CAPI_ARRAY_PARTITION*>(reply.data() + 160);
                std::strcpy(created->name, "made-by-array");
                std::memset(created->serialNumber, 0x55, 16);
            }
            return ScriptAction{{ReplyTo(request, NetworkReply(code, reply))}, false};
        });
        ASSERT_EQ(ProxyInit(), 0);
        controller_ = std::make_unique<BVSS_CapiRaidController>();
        controller_->mHandle = kHandle;
        Place(*controller_, 0, "data01", kStandard, kClassStandard, 0);
        Place(*controller_, 0, "pool01", kPool, kClassSnapshotFamily, CAPI_PTSNAP_BACKING_STORE);
        Place(*controller_, 1, "master01", kMaster, kClassSnapshotFamily, CAPI_PTSNAP_MASTER_VOLUME);
        Place(*controller_, 1, "snap01", kSnapshot, kClassSnapshotFamily, CAPI_PTSNAP_SNAPSHOT);
    }
    void TearDown() override {
        controller_.reset();
        CloseCapiSleepTimer();
        SessionTest::TearDown();
    }
    std::string Events() { return root_.ReadFile("eventlog/Application.log"); }
    std::vector<uint32_t> Codes() const {
        std::vector<uint32_t> codes;
        for (const Request& r : requests_) codes.push_back(r.code);
        return codes;
    }

    struct Request {
        uint32_t code;
        std::vector<uint8_t> data;  // host order
    };
    std::vector<Request> requests_;
    std::map<uint32_t, std::deque<uint32_t>> codes_;
    std::map<uint32_t, std::function<void(uint8_t* hostReply)>> fills_;
    std::unique_ptr<BVSS_CapiRaidController> controller_;
};

TEST_F(SnapPoolTest, CreatesAPoolOnTheVdiskAndHandsOutItsRecord) {
    uint8_t vdisk[32];
    for (int i = 0; i < 32; ++i) vdisk[i] = static_cast<uint8_t>(0x80 + i);
    const uint64_t blocks = 0x123456780ull;
    CAPI_ARRAY_PARTITION record;
    std::memset(&record, 0xEE, sizeof record);
    int32_t code = 99;
    ASSERT_EQ(
        controller_->capiBSCreate(vdisk, blocks, "a-name-of-forty-characters-0123456789abc", &record, &code),
        S_OK);
    EXPECT_EQ(code, 0);
    EXPECT_STREQ(record.name, "made-by-array");
    ASSERT_EQ(requests_.size(), 1u);
    const std::vector<uint8_t>& r = requests_[0].data;
    EXPECT_EQ(requests_[0].code, RRE_ADD_ARRAY_PART);
    EXPECT_EQ(WordAt(r, 8), uint32_t(kHandle));
    EXPECT_EQ(static_cast<int32_t>(WordAt(r, 12)), -1);  // no LUN
    EXPECT_EQ(WordAt(r, 16), 0x23456780u);
    EXPECT_EQ(WordAt(r, 20), 0x1u);
    EXPECT_EQ(r[24], 1);  // a snap pool
    EXPECT_EQ(r[25], 1);
    EXPECT_EQ(r[26], 0);
    EXPECT_EQ(std::memcmp(r.data() + 32, vdisk, 32), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data() + 128)), "a-name-of-forty-characters-0123");
    EXPECT_EQ(r[128 + 31], 0);

    // The array short of room: every try refused, the record zeroed, the code handed back.
    codes_[RRE_ADD_ARRAY_PART] = {150, 150, 150, 150};
    requests_.clear();
    EXPECT_EQ(controller_->capiBSCreate(vdisk, blocks, "sp1", &record, &code), VSS_E_INSUFFICIENT_STORAGE);
    EXPECT_EQ(code, 150);
    EXPECT_EQ(requests_.size(), 4u);
    EXPECT_TRUE(BytesAre(std::vector<uint8_t>(reinterpret_cast<uint8_t*>(&record),
                                              reinterpret_cast<uint8_t*>(&record) + sizeof record),
                         0, sizeof record, 0));
    EXPECT_NE(
        Log().find(
            "capiBSCreate(): create snap pool on vdisk failed, VdiskID=808182838485868788898a8b8c8d8e8f .\n"),
        std::string::npos);
    EXPECT_EQ(controller_->capiBSCreate(nullptr, blocks, "sp1", &record, &code), kProviderBadArgument);
    EXPECT_EQ(requests_.size(), 4u);
}

TEST_F(SnapPoolTest, PolicyCarriesTheValueOnlyWithErrorPolicyFive) {
    struct Case {
        uint8_t error;
        uint32_t low, high;  // the value's words as sent
    } cases[] = {{5, 0x00C00000, 0x2}, {2, 0, 0}};
    for (const Case& c : cases) {
        requests_.clear();
        ASSERT_EQ(controller_->capiBSSetPolicy(IdOf(kPool).bytes, c.error, 255, 0x200C00000ull), S_OK);
        ASSERT_EQ(requests_.size(), 1u);
        const std::vector<uint8_t>& r = requests_[0].data;
        EXPECT_EQ(requests_[0].code, RRE_SET_DMS_POLICY);
        EXPECT_EQ(WordAt(r, 8), uint32_t(kHandle));
        EXPECT_TRUE(BytesAre(r, 12, 16, kPool));
        EXPECT_EQ(r[12 + 24], 0);
        EXPECT_EQ(r[12 + 25], c.error);
        EXPECT_EQ(r[12 + 26], 255);
        EXPECT_EQ(WordAt(r, 12 + 32), c.low) << int(c.error);
        EXPECT_EQ(WordAt(r, 12 + 36), c.high) << int(c.error);
    }
}

TEST_F(SnapPoolTest, ConvertsAStandardVolumeOntoAPool) {
    int32_t code = 99;
    ASSERT_EQ(controller_->capiConvertStdToMaster(IdOf(kStandard).bytes, IdOf(kPool).bytes, &code), S_OK);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(requests_.size(), 1u);
    const std::vector<uint8_t>& r = requests_[0].data;
    EXPECT_EQ(requests_[0].code, RRE_CONVERT_MASTER_VOLUME);
    EXPECT_EQ(WordAt(r, 8), uint32_t(kHandle));
    EXPECT_TRUE(BytesAre(r, 97, 16, kStandard));
    EXPECT_TRUE(BytesAre(r, 113, 16, 0));  // the 32-byte field holds the ID alone
    EXPECT_EQ(r[143], 9);
    EXPECT_TRUE(BytesAre(r, 152, 16, kPool));

    codes_[RRE_CONVERT_MASTER_VOLUME] = {47, 47, 47, 47};
    EXPECT_EQ(controller_->capiConvertStdToMaster(IdOf(kStandard).bytes, IdOf(kPool).bytes, &code),
              VSS_E_PROVIDER_VETO);
    EXPECT_EQ(code, 47);
    EXPECT_NE(Log().find("capiConvertStdToMaster(): Convert volume to master volume failed, StandardVolumeID="
                         "11111111111111111111111111111111 .\n"),
              std::string::npos);
}

// IDs that name no partition or one of another kind: an event, the refusal, no request, no code written.
TEST_F(SnapPoolTest, KindChecksRefuseWithoutARequest) {
    struct Case {
        const char* what;
        std::function<HRESULT(int32_t* code)> call;
        HRESULT result;
        const char* event;
    } cases[] = {
        // clang-format off
        {"policy on a standard volume",
         [&](int32_t*) { return controller_->capiBSSetPolicy(IdOf(kStandard).bytes, 5, 255, 1); },
         VSS_E_VOLUME_NOT_SUPPORTED,
         "capiBSSetPolicy(): The partition is not a snap pool:partition id=11111111111111111111111111111111"},
        {"policy on an unknown ID", [&](int32_t*) { return controller_->capiBSSetPolicy(IdOf(0x99).bytes, 5, 255, 1); },
         VSS_E_OBJECT_NOT_FOUND,
         "capiBSSetPolicy(): The input parameter specified is not a valid snap pool:partition id=9999"},
        {"a master volume converted again",
         [&](int32_t* code) {
             return controller_->capiConvertStdToMaster(IdOf(kMaster).bytes, IdOf(kPool).bytes, code);
         },
         VSS_E_VOLUME_NOT_SUPPORTED, "capiConvertStdToMaster(): The partition is not a standard volume:partition id=3333"},
        {"onto a snapshot",
         [&](int32_t* code) {
             return controller_->capiConvertStdToMaster(IdOf(kStandard).bytes, IdOf(kSnapshot).bytes, code);
         },
         VSS_E_VOLUME_NOT_SUPPORTED, "capiConvertStdToMaster(): The partition is not a snap pool:partition id=4444"},
        {"onto an unknown pool",
         [&](int32_t* code) {
             return controller_->capiConvertStdToMaster(IdOf(kStandard).bytes, IdOf(0x98).bytes, code);
         },
         VSS_E_OBJECT_NOT_FOUND,
         "capiConvertStdToMaster(): The input parameter specified is not a valid snap pool:partition id=9898"},
        // With no controller set published the pool and the master volume are simply not found.
        {"a pool deleted with no set published", [&](int32_t*) { return controller_->capiBSDelete(IdOf(kPool).bytes); },
         VSS_E_OBJECT_NOT_FOUND, "capiBSDelete(): The input parameter specified is not a valid snap pool:partition id=2222"},
        {"a master volume converted back with no set published",
         [&](int32_t*) { return controller_->capiConvertMasterToStd(IdOf(kMaster).bytes); }, VSS_E_OBJECT_NOT_FOUND,
         "capiConvertMasterToStd(): The input parameter specified is not a valid master volume:partition id=3333"},
        {"a null pool", [&](int32_t* code) { return controller_->capiConvertStdToMaster(IdOf(kStandard).bytes, nullptr, code); },
         kProviderBadArgument, nullptr},
        // clang-format on
    };
    ASSERT_EQ(BVSS_CapiRaidController::sRaidControllerSet, nullptr);
    for (const auto& c : cases) {
        int32_t code = 99;
        EXPECT_EQ(c.call(&code), c.result) << c.what;
        EXPECT_EQ(code, 99) << c.what;
        if (c.event != nullptr) {
            EXPECT_NE(Events().find(c.event), std::string::npos) << c.what << "\n" << Events();
        }
    }
    EXPECT_TRUE(requests_.empty());
}

// The published set holds this controller and a second one; partitions only the second knows are found
// through the set, and the commands still go to this controller.
class SnapPoolSetTest : public SnapPoolTest {
  protected:
    void SetUp() override {
        SnapPoolTest::SetUp();
        auto other = std::make_unique<BVSS_CapiRaidController>();
        other->mHandle = 0x200;
        Place(*other, 0, "pool02", kOtherPool, kClassSnapshotFamily, CAPI_PTSNAP_BACKING_STORE);
        Place(*other, 0, "master02", kOtherMaster, kClassSnapshotFamily, CAPI_PTSNAP_MASTER_VOLUME);
        thisController_ = controller_.get();
        set_.mControllers.push_back(std::move(controller_));
        set_.mControllers.push_back(std::move(other));
        BVSS_CapiRaidController::StaticInit(&set_);
    }
    void TearDown() override {
        BVSS_CapiRaidController::StaticDeinit(&set_);
        set_.deleteAllControllers();
        SnapPoolTest::TearDown();
    }
    // The snapshot list (snap01 of master01), the master-volume list (master01 on pool01 with `snapshots`
    // snapshots) and the snap-pool list (pool01, used by none).
    void ListRows(uint32_t snapshots) {
        fills_[RRE_GET_SNAPSHOT_LIST] = [](uint8_t* r) {
            const uint32_t one = 1;
            std::memcpy(r + 48, &one, 4);
            auto* row = reinterpret_cast<CAPI_SNAPSHOT*>(r + 56);
            std::memset(row->partitionId, kSnapshot, 16);
            std::memset(row->masterPartitionId, kMaster, 16);
        };
        fills_[RRE_GET_MASTER_VOLUME_LIST] = [snapshots](uint8_t* r) {
            const uint32_t one = 1;
            std::memcpy(r + 48, &one, 4);
            auto* row = reinterpret_cast<CAPI_MASTER_VOLUME*>(r + 56);
            std::memset(row->partitionId, kMaster, 16);
            std::memset(row->snapPoolPartitionId, kPool, 16);
            row->numSnapshots = snapshots;
        };
        fills_[RRE_GET_BACKING_STORE_LIST] = [](uint8_t* r) {
            const uint32_t one = 1;
            std::memcpy(r + 16, &one, 4);
            auto* row = reinterpret_cast<CAPI_BACKING_STORE*>(r + 24);
            std::memset(row->partitionId, kPool, 16);
        };
    }
    static constexpr uint8_t kOtherPool = 0x66;
    static constexpr uint8_t kOtherMaster = 0x77;
    BVSS_RaidControllerSet set_;
    BVSS_CapiRaidController* thisController_ = nullptr;
};

// Another provider object's set, published after this one and released first, leaves nothing behind that
// this set's look-ups would read.
TEST_F(SnapPoolSetTest, ANewerSetReleasedFirstLeavesThisSetsLookUps) {
    {
        BVSS_RaidControllerSet newer;
        newer.mControllers.push_back(std::make_unique<BVSS_CapiRaidController>());
        BVSS_CapiRaidController::StaticInit(&newer);
        BVSS_CapiRaidController::StaticDeinit(&newer);
    }
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, &set_);
    EXPECT_EQ(thisController_->capiBSDelete(IdOf(kOtherPool).bytes), S_OK);
    EXPECT_EQ(thisController_->capiConvertMasterToStd(IdOf(kOtherMaster).bytes), S_OK);
    EXPECT_EQ(requests_.size(), 2u);
}

TEST_F(SnapPoolSetTest, FindsThroughTheSetAndSendsToThisController) {
    ASSERT_EQ(thisController_->capiBSDelete(IdOf(kOtherPool).bytes), S_OK);
    ASSERT_EQ(thisController_->capiConvertMasterToStd(IdOf(kOtherMaster).bytes), S_OK);
    ASSERT_EQ(requests_.size(), 2u);
    const std::vector<uint8_t>& deleted = requests_[0].data;
    EXPECT_EQ(requests_[0].code, RRE_DELETE_PART);
    EXPECT_EQ(WordAt(deleted, 8), uint32_t(kHandle));
    EXPECT_TRUE(BytesAre(deleted, 16, 16, kOtherPool));
    EXPECT_TRUE(BytesAre(deleted, 32, 16, 0));
    const std::vector<uint8_t>& converted = requests_[1].data;
    EXPECT_EQ(requests_[1].code, RRE_CONVERT_MASTER_VOLUME);
    EXPECT_EQ(WordAt(converted, 8), uint32_t(kHandle));
    EXPECT_TRUE(BytesAre(converted, 97, 16, kOtherMaster));
    EXPECT_EQ(converted[143], 8);
    EXPECT_TRUE(BytesAre(converted, 152, 16, 0));

    // A snap pool is no master volume: its kind is logged, then the refusal.
    EXPECT_EQ(thisController_->capiConvertMasterToStd(IdOf(kPool).bytes), VSS_E_VOLUME_NOT_SUPPORTED);
    EXPECT_NE(Log().find("capiConvertMasterToStd(): Partition pool01, type = 1, class = 1\n"),
              std::string::npos);
    EXPECT_EQ(thisController_->capiBSDelete(IdOf(kMaster).bytes), VSS_E_VOLUME_NOT_SUPPORTED);
    EXPECT_EQ(requests_.size(), 2u);
}

// The last snapshot of a master volume: the snapshot, then the volume back to standard, then its pool (no
// longer used) deleted and the controller read again. With snapshots left only the snapshot goes.
TEST_F(SnapPoolSetTest, CleanupAfterASnapshotDeletionFreesWhatTheVolumeNoLongerNeeds) {
    // A conversion the array refuses ends the clean-up with its failure; the pool stays.
    ListRows(0);
    codes_[RRE_CONVERT_MASTER_VOLUME] = {47, 47, 47, 47};
    EXPECT_EQ(thisController_->cleanupSimpleSnapshotDelete(IdOf(kSnapshot).bytes), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(Codes().back(), RRE_CONVERT_MASTER_VOLUME);

    requests_.clear();
    ListRows(1);
    ASSERT_EQ(thisController_->cleanupSimpleSnapshotDelete(IdOf(kSnapshot).bytes), S_OK);
    EXPECT_EQ(Codes(),
              (std::vector<uint32_t>{RRE_GET_SNAPSHOT_LIST, RRE_DELETE_PART, RRE_GET_MASTER_VOLUME_LIST}));

    requests_.clear();
    ListRows(0);
    ASSERT_EQ(thisController_->cleanupSimpleSnapshotDelete(IdOf(kSnapshot).bytes), S_OK) << Log();
    EXPECT_EQ(Codes(),
              (std::vector<uint32_t>{RRE_GET_SNAPSHOT_LIST, RRE_DELETE_PART, RRE_GET_MASTER_VOLUME_LIST,
                                     RRE_CONVERT_MASTER_VOLUME, RRE_GET_BACKING_STORE_LIST, RRE_DELETE_PART,
                                     RRE_GET_CONTROLLER}));
    EXPECT_TRUE(BytesAre(requests_[1].data, 16, 16, kSnapshot));
    EXPECT_TRUE(BytesAre(requests_[3].data, 97, 16, kMaster));
    EXPECT_TRUE(BytesAre(requests_[5].data, 16, 16, kPool));
}

}  // namespace
