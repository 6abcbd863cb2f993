// The provider's controller set against the real corlink4 on the simulated fabric (arraysim): discovery of a
// pair whose two vdisks are owned one by each controller, the lookups that give a volume's controllers and
// its owner, the snapshot limits the pair reports, and a controller that leaves the bus and comes back while
// the objects of both controllers are held.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/time/clock.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/retry_policy.h"
#include "tests/e2e/provider_on_fabric.h"
#include "tests/support/test_root.h"

namespace {

// vd01 owned by A, vd02 by B, limits of 8 snapshots a controller and 12 a pair.
constexpr const char* kScenario = SIM_SCENARIO_DIR "/split_owners.ini";

class ControllerSetE2eTest : public e2e::ProviderOnFabricTest {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Start(kScenario)); }
    void TearDown() override {
        set_.reset();
        ProviderOnFabricTest::TearDown();
    }

    std::vector<uint8_t> FailoverIds() const {
        std::vector<uint8_t> ids;
        for (const auto& c : set_->mControllers) ids.push_back(c->getFailoverId());
        return ids;
    }

    std::unique_ptr<BVSS_RaidControllerSet> set_ = std::make_unique<BVSS_RaidControllerSet>();
};

TEST_F(ControllerSetE2eTest, DiscoversThePairAndFindsEachVolumesOwner) {
    ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK) << ProviderLog();
    EXPECT_EQ(FailoverIds(), (std::vector<uint8_t>{1, 0})) << "A before B";
    BVSS_CapiRaidController* a = set_->mControllers[0].get();
    BVSS_CapiRaidController* b = set_->mControllers[1].get();
    EXPECT_STREQ(reinterpret_cast<const char*>(a->getSerialNumber()), "00C0FF1A2B01");
    EXPECT_TRUE(a->isCapiVersionAtLeast(3, 6));
    EXPECT_EQ(a->getMaxSnapshotsPerController(), 8);
    EXPECT_EQ(a->getMaxSnapshotsPerControllerPair(), 12);

    // Both controllers see both volumes; each vdisk names its own owner.
    struct Case {
        const char* name;
        uint8_t owner;
    } cases[] = {{"data01", 1}, {"logs01", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAPI_ARRAY_PARTITION* partition = nullptr;
        CAPI_ARRAY* array = nullptr;
        std::vector<BVSS_CapiRaidController*> list;
        ASSERT_EQ(set_->findPartitionArrayAndControllerList(c.name, 7, &partition, &array, &list,
                                                            PartitionKeyKind::Name),
                  S_OK);
        EXPECT_EQ(list, (std::vector<BVSS_CapiRaidController*>{a, b}));
        EXPECT_EQ(array->currentOwner, c.owner);
        EXPECT_EQ(array->preferredOwner, c.owner);
        // The key by ID finds the same volume through the first controller.
        BVSS_CapiRaidController* controller = nullptr;
        CAPI_ARRAY_PARTITION* byId = nullptr;
        EXPECT_EQ(set_->findPartitionAndController(partition->serialNumber, 32, &byId, &controller), S_OK);
        EXPECT_EQ(byId, partition);
        EXPECT_EQ(controller, a);

        // No snapshots yet: 8 pass the controller limit, 9 do not.
        EXPECT_EQ(set_->checkSnapshotLimits(8, partition, array, a), S_OK) << ProviderLog();
        EXPECT_EQ(set_->checkSnapshotLimits(9, partition, array, a),
                  VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED);
    }
    EXPECT_NE(ProviderLog().find("found owner controller.\n"), std::string::npos);
}

TEST_F(ControllerSetE2eTest, AControllerLeavingAndReturningKeepsEveryHeldObjectValid) {
    ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK) << ProviderLog();
    ASSERT_EQ(set_->mControllers.size(), 2u);
    BVSS_CapiRaidController* a = set_->mControllers[0].get();
    BVSS_CapiRaidController* b = set_->mControllers[1].get();

    // B leaves the bus between two steps of a snapshot set: the rediscovery forms the set from A alone.
    EXPECT_EQ(Admin("present pair=0 half=b value=0"), "ok");
    ASSERT_EQ(set_->discoverRaidControllers(TRUE), S_OK) << ProviderLog();
    EXPECT_EQ(FailoverIds(), (std::vector<uint8_t>{1}));
    EXPECT_EQ(set_->mControllers[0].get(), a);
    EXPECT_FALSE(a->IsRetired());
    EXPECT_EQ(a->capiUpdateController(1), S_OK);
    EXPECT_TRUE(b->IsRetired());
    EXPECT_EQ(b->capiUpdateController(1), VSS_E_PROVIDER_VETO);

    // B is back: the same object, in use again with the proxy's current handle.
    EXPECT_EQ(Admin("present pair=0 half=b value=1"), "ok");
    ASSERT_EQ(set_->discoverRaidControllers(TRUE), S_OK) << ProviderLog();
    EXPECT_EQ(FailoverIds(), (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(set_->mControllers[1].get(), b);
    EXPECT_FALSE(b->IsRetired());
    EXPECT_EQ(b->capiUpdateController(1), S_OK) << ProviderLog();
    CAPI_ARRAY_PARTITION* partition = nullptr;
    EXPECT_EQ(b->findPartition("logs01", 7, &partition, PartitionKeyKind::Name), S_OK);
}

}  // namespace
