// Snap-pool preparation of a snapshot set end to end: the provider's controller set in this process, the real
// corlink4 and arraysim as children. Pools are created (or found by their name) and volumes converted on the
// fabric; a vdisk without room is refused; a run that fails midway leaves the arrays as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/com_results.h"
#include "platform/time/clock.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/serial_numbers.h"
#include "tests/e2e/provider_on_fabric.h"
#include "tests/support/test_root.h"

namespace {

// vd01 holds a snap pool named after data00 (before any run) with a master volume over it, and data01 and
// data02, whose IDs agree in digits 3 to 19; vd02 a large volume; vd03 two volumes and too little room for
// both their pools.
constexpr const char* kScenario = SIM_SCENARIO_DIR "/pool_room.ini";

constexpr const char* kPoolOfV0 = "spc1c2c3c4c5c6c7c8c";  // there before the run
constexpr const char* kPoolOfV1 = "spb2c3d4e5f60718293";  // data01's and data02's
constexpr const char* kPoolOfV3 = "sp34567890abcdef123";

constexpr uint32_t kConvertCommand = 1222;
constexpr uint32_t kAddPartitionCommand = 1074;
constexpr uint32_t kDeletePartitionCommand = 1075;
constexpr uint32_t kSetPolicyCommand = 1231;

using Id = std::vector<uint8_t>;

Id IdOf(const char* hex) {
    Id id(16);
    BVSS_StringToSerialNumber(hex, id.data(), 16);
    return id;
}
const Id kV0 = IdOf("c0c1c2c3c4c5c6c7c8c9cacbcccdcecf");
const Id kV1 = IdOf("a1b2c3d4e5f60718293a4b5c6d7e8f90");
const Id kV2 = IdOf("00b2c3d4e5f60718293ffffffffffff1");
const Id kV3 = IdOf("1234567890abcdef1234567890abcdef");
const Id kV5 = IdOf("5500000000000000000000000000000a");
const Id kV6 = IdOf("5500000000000000000000000000000b");
const Id kMaster = IdOf("5000000000000000000000000000000b");
const Id kPool0 = IdOf("5000000000000000000000000000000a");
const Id kUnknown = IdOf("77777777777777777777777777777777");

// The CAPI command codes of the journal's lines, in order.
std::vector<uint32_t> JournalCodes(const std::string& journal, const std::vector<uint32_t>& wanted) {
    std::vector<uint32_t> codes;
    size_t at = 0;
    while ((at = journal.find("capi ", at)) != std::string::npos) {
        const size_t end = journal.find('\n', at);
        const std::string line = journal.substr(at, end - at);
        at = end;
        unsigned time = 0;
        char half = 0;
        char controller[64] = {};
        unsigned code = 0;
        if (std::sscanf(line.c_str(), "capi %u %c %63s %u", &time, &half, controller, &code) != 4) continue;
        for (uint32_t w : wanted)
            if (w == code) codes.push_back(code);
    }
    return codes;
}

class SnapPoolPreparationTest : public e2e::ProviderOnFabricTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Start(kScenario));
        set_ = std::make_unique<BVSS_RaidControllerSet>();
        set_->StaticInit();
        ASSERT_GE(set_->discoverRaidControllers(FALSE), 0) << ProviderLog();
        ProxySubsystem pair{};
        ASSERT_NO_FATAL_FAILURE(ListThePair(&pair));
        handleA_ = static_cast<int32_t>(pair.controllerA);
    }

    void TearDown() override {
        if (set_ != nullptr) set_->StaticDeinit();
        set_.reset();
        ProviderOnFabricTest::TearDown();
    }

    std::string Events() const { return root_.ReadFile("eventlog/Application.log"); }

    // The snapshot list of a set over these volumes, as the provider fills it.
    static std::vector<BVSS_SnapshotInfo> SetOf(const std::vector<Id>& volumes) {
        std::vector<BVSS_SnapshotInfo> list(volumes.size());
        for (size_t i = 0; i < volumes.size(); ++i) {
            std::memset(list[i].mSource.mSerialNumber, 0, sizeof list[i].mSource.mSerialNumber);
            std::memcpy(list[i].mSource.mSerialNumber, volumes[i].data(), 16);
        }
        return list;
    }

    // The arrays as controller A reports them now.
    std::unique_ptr<BVSS_CapiRaidController> Read() {
        auto controller = std::make_unique<BVSS_CapiRaidController>();
        controller->mHandle = handleA_;
        EXPECT_EQ(controller->capiUpdateController(1), S_OK);
        EXPECT_EQ(controller->capiGetMasterVolumeList(kSelectAllControllers, 1), S_OK);
        EXPECT_EQ(controller->capiGetBackingStoreList(kSelectAllControllers, 1), S_OK);
        return controller;
    }
    // A key of bytes is an ID, a key of characters a name.
    static const CAPI_ARRAY_PARTITION* Find(BVSS_CapiRaidController& c, const void* key, uint32_t length,
                                            PartitionKeyKind kind = PartitionKeyKind::Id) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        return SUCCEEDED(c.findPartition(key, length, &partition, kind)) ? partition : nullptr;
    }
    static const CAPI_ARRAY_PARTITION* Find(BVSS_CapiRaidController& c, const char* name, uint32_t length) {
        return Find(c, name, length, PartitionKeyKind::Name);
    }
    static bool IsMaster(BVSS_CapiRaidController& c, const Id& id) {
        const CAPI_ARRAY_PARTITION* p = Find(c, id.data(), 16);
        return p != nullptr && p->specialClass == 1 && p->type == CAPI_PTSNAP_MASTER_VOLUME;
    }
    static bool IsStandard(BVSS_CapiRaidController& c, const Id& id) {
        const CAPI_ARRAY_PARTITION* p = Find(c, id.data(), 16);
        return p != nullptr && p->specialClass == 0;
    }

    std::unique_ptr<BVSS_RaidControllerSet> set_;
    int32_t handleA_ = 0;
};

// Each standard volume gets the pool named after its ID (data02 shares data01's), sized a fifth of the
// volume and at least 6 GiB, with policy 5 / 255, and becomes its master volume; a master volume and a snap
// pool in the set are left alone. A second run finds everything done and sends no change.
TEST_F(SnapPoolPreparationTest, PreparesPoolsAndFindsThemByNameTheNextTime) {
    std::vector<BVSS_SnapshotInfo> set = SetOf({kV1, kV2, kV3, kMaster, kPool0});
    ASSERT_EQ(set_->calculateReserveSize(set), S_OK) << ProviderLog();
    EXPECT_NE(ProviderLog().find("calculateReserveSize(): getBackingStoreSize(data01): 6442M\n"),
              std::string::npos);
    EXPECT_NE(ProviderLog().find("calculateReserveSize(): getBackingStoreSize(logs01): 21474M\n"),
              std::string::npos);
    EXPECT_NE(ProviderLog().find("getBackingStoreSize(spc1c2c3c4c5c6c7c8c)"), std::string::npos)
        << "a snap pool counts";
    EXPECT_EQ(ProviderLog().find("getBackingStoreSize(master01)"), std::string::npos);

    ASSERT_EQ(Admin("clear-journal"), "ok");
    ASSERT_EQ(set_->createReserveSpace(set), S_OK) << ProviderLog();
    EXPECT_NE(
        ProviderLog().find("createReserveSpace(): skipping DMS master volume or snapshot 'master01' (XXX)\n"),
        std::string::npos);
    EXPECT_NE(ProviderLog().find(
                  "createReserveSpace(): The snap pool to be created name is 'spb2c3d4e5f60718293'\n"),
              std::string::npos);
    const std::string journal = Admin("journal");
    EXPECT_EQ(JournalCodes(journal, {kAddPartitionCommand}).size(), 2u) << journal;
    EXPECT_EQ(JournalCodes(journal, {kSetPolicyCommand}).size(), 2u) << journal;
    EXPECT_EQ(JournalCodes(journal, {kConvertCommand}).size(), 3u) << journal;

    auto a = Read();
    const CAPI_ARRAY_PARTITION* shared = Find(*a, kPoolOfV1, 19);
    const CAPI_ARRAY_PARTITION* large = Find(*a, kPoolOfV3, 19);
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(shared->size.longs[0], 12582912u);
    EXPECT_EQ(large->size.longs[0], 41943040u);
    EXPECT_EQ(shared->type, CAPI_PTSNAP_BACKING_STORE);
    for (const Id& v : {kV1, kV2, kV3}) EXPECT_TRUE(IsMaster(*a, v));
    uint32_t onShared = 0;
    for (uint32_t i = 0; i < a->mMasterVolumeCount; ++i)
        if (std::memcmp(a->mMasterVolumes[i].snapPoolPartitionId, shared->serialNumber, 16) == 0) ++onShared;
    EXPECT_EQ(onShared, 2u);
    for (uint32_t i = 0; i < a->mBackingStoreCount; ++i) {
        if (std::memcmp(a->mBackingStores[i].partitionId, shared->serialNumber, 16) == 0) {
            EXPECT_EQ(a->mBackingStores[i].numMasterVolumes, 2u);
        }
    }

    ASSERT_EQ(Admin("clear-journal"), "ok");
    ASSERT_EQ(set_->createReserveSpace(set), S_OK) << ProviderLog();
    const std::string again = Admin("journal");
    EXPECT_TRUE(JournalCodes(again, {kAddPartitionCommand, kConvertCommand}).empty()) << again;
}

// The conversion of the last volume fails: every volume the run converted goes back to a standard volume
// (also the one converted onto a pool that was there before, and data02 on the pool data01's run made),
// every pool it created is deleted, the pool that was there stays; a volume the set cannot find midway
// undoes the run as well, and the first failure is what the run reports.
TEST_F(SnapPoolPreparationTest, AFailureMidwayUndoesWhatTheRunDid) {
    std::vector<BVSS_SnapshotInfo> set = SetOf({kV0, kV1, kV2, kV3});
    ASSERT_EQ(Admin("fault pair=0 half=a kind=return-code command=1222 code=47 times=4 after=3"), "ok");
    ASSERT_EQ(Admin("clear-journal"), "ok");
    EXPECT_EQ(set_->createReserveSpace(set), VSS_E_PROVIDER_VETO) << ProviderLog();
    EXPECT_NE(ProviderLog().find(
                  "createReserveSpace(): Convert the standard volume to master volume failed, retCode = 47, "
                  "hr = -2147212538.\n"),
              std::string::npos);
    // Newest first: logs01's pool, data02 and data01 back, then their pool, then data00 back.
    const std::string journal = Admin("journal");
    const std::vector<uint32_t> codes = JournalCodes(journal, {kConvertCommand, kDeletePartitionCommand});
    const std::vector<uint32_t> undo(codes.end() - std::min<size_t>(codes.size(), 5), codes.end());
    EXPECT_EQ(undo, (std::vector<uint32_t>{kDeletePartitionCommand, kConvertCommand, kConvertCommand,
                                           kDeletePartitionCommand, kConvertCommand}))
        << journal;
    {
        auto a = Read();
        for (const Id& v : {kV0, kV1, kV2, kV3}) EXPECT_TRUE(IsStandard(*a, v));
        EXPECT_NE(Find(*a, kPoolOfV0, 19), nullptr);
        EXPECT_EQ(Find(*a, kPoolOfV1, 19), nullptr);
        EXPECT_EQ(Find(*a, kPoolOfV3, 19), nullptr);
        EXPECT_TRUE(IsMaster(*a, kMaster));
    }

    std::vector<BVSS_SnapshotInfo> withUnknown = SetOf({kV1, kUnknown});
    EXPECT_EQ(set_->createReserveSpace(withUnknown), VSS_E_OBJECT_NOT_FOUND) << ProviderLog();
    auto a = Read();
    EXPECT_TRUE(IsStandard(*a, kV1));
    EXPECT_EQ(Find(*a, kPoolOfV1, 19), nullptr);
}

// Two 10 GiB volumes on a vdisk with 9,765 MB free need 12,582,912 blocks each: the vdisk is short, one
// event names it; one of them alone fits.
TEST_F(SnapPoolPreparationTest, AVdiskWithoutRoomForThePoolsIsRefused) {
    std::vector<BVSS_SnapshotInfo> both = SetOf({kV5, kV6});
    EXPECT_EQ(set_->calculateReserveSize(both), VSS_E_INSUFFICIENT_STORAGE) << ProviderLog();
    EXPECT_EQ(
        e2e::Occurrences(Events(),
                         "calculateReserveSize(): The vdisk doesn't have sufficient space to create snap "
                         "pool:array id="),
        1u)
        << Events();
    std::vector<BVSS_SnapshotInfo> one = SetOf({kV5});
    EXPECT_EQ(set_->calculateReserveSize(one), S_OK) << ProviderLog();
    std::vector<BVSS_SnapshotInfo> unknown = SetOf({kV5, kUnknown, kV6});
    EXPECT_EQ(set_->calculateReserveSize(unknown), VSS_E_OBJECT_NOT_FOUND) << ProviderLog();
}

}  // namespace
