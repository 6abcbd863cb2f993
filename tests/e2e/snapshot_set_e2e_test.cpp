// A scripted driver of the provider's controller set against the real corlink4 on the fabric served by
// arraysim, with a pair whose two vdisks are owned one by each controller: discovery, the snapshot limits,
// snap pools for two standard volumes, one create request per owner with a fail-over when controller A
// refuses, the commit, the proxy's discovery flag off and on, and an abort that deletes exactly the
// snapshots made; the fabric's journal shows the commands in that order.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "platform/time/clock.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/raid_controller_set.h"
#include "tests/e2e/provider_on_fabric.h"

namespace {

constexpr const char* kVolumes[] = {"data01", "logs01"};  // on vd01 (owned by A) and vd02 (owned by B)

// One CAPI command of the fabric's journal: the half it reached ('a' or 'b'), its code and its fault.
struct Journaled {
    char half;
    uint32_t code;
    std::string fault;
};

class SnapshotSetE2eTest : public e2e::ProviderOnFabricTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
        set_.StaticInit();
    }
    void TearDown() override {
        set_.StaticDeinit();
        ProviderOnFabricTest::TearDown();
    }

    // The journal's CAPI commands of these codes, in order.
    std::vector<Journaled> Journal(const std::vector<uint32_t>& codes) {
        std::istringstream lines(Admin("journal"));
        std::vector<Journaled> entries;
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string kind, time, controller, include, fault;
            Journaled entry{};
            if (!(words >> kind >> time >> entry.half >> controller >> entry.code >> include >> fault) ||
                kind != "capi")
                continue;
            entry.fault = fault.substr(6);
            for (uint32_t code : codes)
                if (entry.code == code) entries.push_back(entry);
        }
        return entries;
    }

    // The provider's snapshot list for the two standard volumes: each entry with its partition ID, its vdisk
    // and the controllers that see it (A, then B), after the limits were checked for one snapshot each.
    std::vector<BVSS_SnapshotInfo> PrepareList() {
        std::vector<BVSS_SnapshotInfo> list(std::size(kVolumes));
        for (size_t i = 0; i < list.size(); ++i) {
            CAPI_ARRAY_PARTITION* partition = nullptr;
            CAPI_ARRAY* array = nullptr;
            std::vector<BVSS_CapiRaidController*> controllers;
            EXPECT_EQ(set_.findPartitionArrayAndControllerList(
                          kVolumes[i], static_cast<uint32_t>(strlen(kVolumes[i])), &partition, &array,
                          &controllers, PartitionKeyKind::Name),
                      S_OK)
                << kVolumes[i];
            if (controllers.size() != 2) {
                ADD_FAILURE() << kVolumes[i] << " seen by " << controllers.size() << " controllers";
                return {};
            }
            EXPECT_EQ(partition->specialClass, 0) << "a standard volume";
            EXPECT_EQ(set_.checkSnapshotLimits(1, partition, array, controllers[0]), S_OK) << ProviderLog();
            BVSS_SnapshotInfo& entry = list[i];
            std::memcpy(entry.mSource.mSerialNumber, partition->serialNumber,
                        sizeof entry.mSource.mSerialNumber);
            std::memcpy(entry.mSource.mArraySerialNumber, array->serialNumber,
                        sizeof entry.mSource.mArraySerialNumber);
            entry.mControllers = controllers;
            entry.mSource.mController = controllers[0];
            entry.mSnapshot.mController = controllers[0];
        }
        return list;
    }

    BVSS_RaidControllerSet set_;
};

TEST_F(SnapshotSetE2eTest, DriverCreatesFailsOverCommitsTogglesDiscoveryAndAbortDeletesWhatItMade) {
    ASSERT_GE(set_.discoverRaidControllers(FALSE), 0) << ProviderLog();
    ASSERT_EQ(set_.mControllers.size(), 2u);
    BVSS_CapiRaidController* a = set_.mControllers[0].get();
    BVSS_CapiRaidController* b = set_.mControllers[1].get();
    ASSERT_EQ(a->getFailoverId(), 1);
    ASSERT_EQ(b->getFailoverId(), 0);

    std::vector<BVSS_SnapshotInfo> list = PrepareList();
    ASSERT_EQ(list.size(), 2u);
    ASSERT_EQ(set_.calculateReserveSize(list), S_OK) << ProviderLog();
    ASSERT_EQ(set_.createReserveSpace(list), S_OK) << ProviderLog();

    // Controller A refuses every create (every try of the retry policy): each group moves on to B.
    EXPECT_EQ(Admin("clear-journal"), "ok");
    EXPECT_EQ(Admin("fault pair=0 half=a kind=return-code command=" +
                    std::to_string(CAPI_COMMAND_U_CREATE_SNAPSHOTS) + " code=1 times=1000"),
              "ok");
    ASSERT_EQ(set_.createSnapshots(list, 0, 1, VSS_VOLSNAP_ATTR_DIFFERENTIAL, 1), S_OK) << ProviderLog();
    EXPECT_NE(
        ProviderLog().find("createSnapshots(): Caught error 2147754758, retrying with next controller."),
        std::string::npos);
    for (const BVSS_SnapshotInfo& entry : list) {
        EXPECT_EQ(entry.mControllers, std::vector<BVSS_CapiRaidController*>{b});
        EXPECT_EQ(entry.mSnapshot.mController, b);
        EXPECT_EQ(entry.mCreated, 1u);
    }

    EXPECT_EQ(set_.capiSetDiscvoryFlag(0), 0);
    ASSERT_EQ(set_.commitSnapshots(list, 1, VSS_VOLSNAP_ATTR_DIFFERENTIAL, 1), S_OK) << ProviderLog();
    for (const BVSS_SnapshotInfo& entry : list) EXPECT_EQ(entry.mCommitted, 1u);
    EXPECT_EQ(set_.capiSetDiscvoryFlag(1), 0);
    ASSERT_EQ(a->capiGetSnapshotList(kSelectAllControllers, 1), S_OK);
    EXPECT_EQ(a->mSnapshotCount, 2u);

    // The abort: each snapshot made is deleted through the controller that holds it.
    for (BVSS_SnapshotInfo& entry : list) {
        ASSERT_EQ(entry.mSnapshot.mController->capiDeleteSnapshot(entry.mSnapshot.mSerialNumber, 0), S_OK)
            << ProviderLog();
    }
    ASSERT_EQ(a->capiGetSnapshotList(kSelectAllControllers, 1), S_OK);
    EXPECT_EQ(a->mSnapshotCount, 0u);

    const std::vector<Journaled> journal = Journal(
        {CAPI_COMMAND_U_DMS_GET_TAG, CAPI_COMMAND_U_CREATE_SNAPSHOTS, CAPI_COMMAND_U_COMMIT_SNAPSHOTS});
    std::string order;
    std::string last;
    for (const Journaled& e : journal) {
        const std::string word =
            std::string(1, e.half) + std::to_string(e.code) + (e.fault == "-" ? "" : "!+");
        if (word != last || e.fault == "-") order += word + " ";  // refused tries (however many) count once
        last = word;
    }
    // Each group in order of its volume: the owner's tag and the create on A, refused; again on B; then the
    // two commits on B, where the creates succeeded.
    EXPECT_EQ(order, "a1230 a1203!+ b1230 b1203 a1230 a1203!+ b1230 b1203 b1204 b1204 ") << Admin("journal");
    EXPECT_NE(machine_.ProxyOutput().find("capiSetDiscoveryFlag success"), std::string::npos);
}

}  // namespace
