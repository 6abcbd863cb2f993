// Snapshots and full copies of one controller object of the provider, through the real corlink4 (sanitizer
// build) on a fabric served by arraysim: a tag, a prepared set committed after its tag went stale, a create
// whose reply is lost, a busy controller, roll-backs, deletions, and a full copy whose progress moves with
// the fabric's time. The fabric's journal shows what reached the controller.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/time/clock.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/retry_policy.h"
#include "tests/e2e/provider_on_fabric.h"
#include "tests/e2e/snapshot_pair.h"
#include "tests/support/test_root.h"

namespace {

using e2e::Occurrences;
using Bytes = std::vector<uint8_t>;

// A pair whose two vdisks prefer controller A: a snap pool, two master volumes (data01 on vd01, manage01 on
// vd02) and a standard volume (logs01 on vd02).
using e2e::kDataVolume;
using e2e::kLogsVolume;
using e2e::kManagementVolume;

// The journal's CAPI command codes in order ("capi <ms> <half> <controller> <code> include=... fault=...").
std::vector<std::string> Commands(const std::string& journal) {
    std::vector<std::string> codes;
    size_t start = 0;
    for (size_t end = journal.find('\n'); end != std::string::npos;
         start = end + 1, end = journal.find('\n', start)) {
        const std::string line = journal.substr(start, end - start);
        if (line.rfind("capi ", 0) != 0) continue;
        size_t field = 0;
        size_t at = 0;
        for (; field < 4 && at != std::string::npos; ++field) at = line.find(' ', at + 1);
        if (at == std::string::npos) continue;
        const size_t stop = line.find(' ', at + 1);
        std::string code = line.substr(at + 1, stop - at - 1);
        const size_t fault = line.find("fault=");
        if (fault != std::string::npos && line.compare(fault, 7, "fault=-") != 0)
            code += "!" + line.substr(fault + 6);
        codes.push_back(code);
    }
    return codes;
}

struct Entries {
    explicit Entries(const std::vector<Bytes>& sources) : records(sources.size()) {
        for (size_t i = 0; i < sources.size(); ++i) {
            std::memcpy(records[i].mSource.mSerialNumber, sources[i].data(), 16);
            list.push_back(&records[i]);
        }
    }
    Bytes SnapshotId(size_t i) const {
        return Bytes(records[i].mSnapshot.mLunID, records[i].mSnapshot.mLunID + 16);
    }
    std::vector<BVSS_SnapshotInfo> records;
    std::vector<BVSS_SnapshotInfo*> list;
};

class ControllerSnapshotsTest : public e2e::ProviderOnFabricTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Start(e2e::kSnapshotPairScenario));
        ProxySubsystem pair{};
        ASSERT_NO_FATAL_FAILURE(ListThePair(&pair));
        controller_ = std::make_unique<BVSS_CapiRaidController>();
        controller_->mHandle = static_cast<int32_t>(pair.controllerA);
        ASSERT_EQ(controller_->capiUpdateController(1), S_OK) << ProviderLog();
        ASSERT_EQ(controller_->getFailoverId(), 1);
    }

    void TearDown() override {
        controller_.reset();
        ProviderOnFabricTest::TearDown();
    }

    // The snapshots of the pair as controller A lists them: (ID, committed).
    std::vector<std::pair<Bytes, bool>> Snapshots() {
        std::vector<std::pair<Bytes, bool>> found;
        EXPECT_EQ(controller_->capiGetSnapshotList(kSelectAllControllers, 1), S_OK);
        for (uint32_t i = 0; i < controller_->mSnapshotCount && i < kControllerListSnapshots; ++i) {
            const CAPI_SNAPSHOT& s = controller_->mSnapshots[i];
            found.emplace_back(Bytes(s.partitionId, s.partitionId + 16), s.value16 != 0);
        }
        return found;
    }

    std::unique_ptr<BVSS_CapiRaidController> controller_;
};

TEST_F(ControllerSnapshotsTest, APreparedSetIsCommittedUnderATagReadAgainAndDeleted) {
    EXPECT_EQ(Admin("clear-journal"), "ok");
    uint64_t tag = 0;
    ASSERT_EQ(controller_->capiGetTag(&tag, controller_->getFailoverId(), 0), S_OK);
    Entries set({kDataVolume, kManagementVolume});
    ASSERT_EQ(controller_->capiCreateSnapshots(set.list, tag, 0, 0), S_OK) << ProviderLog();
    ASSERT_EQ(set.records[0].mCreated, 1u);
    ASSERT_EQ(set.records[1].mCreated, 1u);
    EXPECT_NE(set.SnapshotId(0), set.SnapshotId(1));
    EXPECT_EQ(Snapshots(),
              (std::vector<std::pair<Bytes, bool>>{{set.SnapshotId(0), false}, {set.SnapshotId(1), false}}));

    // Another tag read makes the set's tag stale; the commit reads it again and commits under the new one.
    uint64_t newer = 0;
    ASSERT_EQ(controller_->capiGetTag(&newer, controller_->getFailoverId(), 0), S_OK);
    EXPECT_NE(newer, tag);
    ASSERT_EQ(controller_->capiCommitSnapshots(set.list, tag, 0, 0), S_OK) << ProviderLog();
    EXPECT_EQ(set.records[0].mCommitted, 1u);
    EXPECT_EQ(set.records[1].mCommitted, 1u);
    const std::vector<std::string> sent = Commands(Admin("journal"));
    const std::vector<std::string> expected = {"1230", "1203", "1230", "1204", "1230", "1204"};
    std::vector<std::string> snapshotCommands;
    for (const std::string& code : sent)
        if (code.rfind("12", 0) == 0 && code != "1201") snapshotCommands.push_back(code);
    EXPECT_EQ(snapshotCommands, expected) << Admin("journal");
    EXPECT_EQ(Snapshots(),
              (std::vector<std::pair<Bytes, bool>>{{set.SnapshotId(0), true}, {set.SnapshotId(1), true}}));

    // The master volume rolled back to its snapshot; then each snapshot deleted.
    EXPECT_EQ(controller_->rollbackSnapshot(set.records[0].mSnapshot.mLunID, kDataVolume.data()), S_OK);
    EXPECT_EQ(controller_->rollbackSnapshot(set.records[0].mSnapshot.mLunID, kManagementVolume.data()),
              VSS_E_PROVIDER_VETO);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(controller_->capiDeleteSnapshot(set.records[i].mSnapshot.mLunID, 0), S_OK);
    EXPECT_TRUE(Snapshots().empty());
}

// A create carried out whose reply is lost is sent again, although the controller did make the snapshot:
// the first one is found by its name and deleted, the recorded one stays. A busy controller is waited for.
TEST_F(ControllerSnapshotsTest,
       ALostCreateReplyIsSentAgainLeavingOnlyTheRecordedSnapshotAndABusyControllerIsWaitedFor) {
    uint64_t tag = 0;
    ASSERT_EQ(controller_->capiGetTag(&tag, controller_->getFailoverId(), 0), S_OK);
    EXPECT_EQ(Admin("clear-journal"), "ok");
    EXPECT_EQ(Admin("fault pair=0 half=a kind=execute-then-no-reply command=1203 times=1"), "ok");
    Entries set({kDataVolume});
    ASSERT_EQ(controller_->capiCreateSnapshots(set.list, tag, 1, 0), S_OK) << ProviderLog();
    const std::string journal = Admin("journal");
    EXPECT_EQ(Occurrences(journal, " 1203 "), 2u) << journal;
    EXPECT_EQ(Occurrences(journal, "fault=execute then no reply"), 1u) << journal;
    EXPECT_EQ(Snapshots(), (std::vector<std::pair<Bytes, bool>>{{set.SnapshotId(0), true}}));

    // Busy twice, then done: three requests, 100 and then 200 ms apart on the provider's clock.
    EXPECT_EQ(Admin("fault pair=0 half=a kind=return-code command=1223 code=5 times=2"), "ok");
    const uint64_t before = clock_->MonotonicMs();
    EXPECT_EQ(controller_->rollbackSnapshot(set.records[0].mSnapshot.mLunID, kDataVolume.data()), S_OK)
        << ProviderLog();
    EXPECT_EQ(Occurrences(ProviderLog(), "rollback_master_volume(): Capi Error 0x00000005"), 2u);
    EXPECT_GE(clock_->MonotonicMs() - before, 300u);  // the provider's own heart-beat waits may add to it
    EXPECT_EQ(Occurrences(Admin("journal"), " 1223 "), 3u);
    EXPECT_EQ(controller_->capiDeleteSnapshot(set.records[0].mSnapshot.mLunID, 0), S_OK);
    EXPECT_TRUE(Snapshots().empty());
}

TEST_F(ControllerSnapshotsTest, AFullCopyGoesToTheOtherVdiskAndItsProgressMovesWithTime) {
    // Copies of ten minutes of the fabric's time (six real seconds), held at half way until the test has seen
    // one running, however long the machine takes to get there.
    EXPECT_EQ(Admin("set pair=0 rolloff-copy-ms=600000 rolloff-stall-percent=50"), "ok");
    Entries copies({kLogsVolume});
    ASSERT_EQ(controller_->capiRolloffVolumes(copies.list, 0, 0), S_OK) << ProviderLog();
    ASSERT_EQ(copies.records[0].mCreated, 1u);
    EXPECT_NE(ProviderLog().find("findRolloffVdisk(): Find vdisk name = 'vd01'"), std::string::npos);
    std::vector<uint32_t> seen;
    const auto deadline = std::chrono::steady_clock::now() + testsupport::kChildWorkBound;
    while ((seen.empty() || seen.back() < 100) && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(controller_->capiGetRolloffVolumeList(kSelectAllControllers, 1), S_OK);
        ASSERT_EQ(controller_->mRolloffCount, 1u);
        const CAPI_ROLLOFF_VOLUME& copy = controller_->mRolloffs[0];
        EXPECT_EQ(std::memcmp(copy.serialNumber, copies.records[0].mSnapshot.mLunID, 16), 0);
        EXPECT_EQ(std::memcmp(copy.sourceSerialNumber, kLogsVolume.data(), 16), 0);
        if (!seen.empty()) {
            EXPECT_GE(copy.percentComplete, seen.back());
        }
        seen.push_back(copy.percentComplete);
        if (seen.size() == 1) {
            EXPECT_EQ(Admin("set pair=0 rolloff-stall-percent=100"), "ok");  // goes on
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.front(), 100u);
    EXPECT_EQ(seen.back(), 100u);

    // A copy that stalls keeps its percent; a volume the controller does not have gets no copy.
    EXPECT_EQ(Admin("set pair=0 rolloff-copy-ms=1000 rolloff-stall-percent=40"), "ok");
    Entries stalled({kManagementVolume});
    ASSERT_EQ(controller_->capiRolloffVolumes(stalled.list, 0, 0), S_OK) << ProviderLog();
    EXPECT_EQ(Occurrences(ProviderLog(), "findRolloffVdisk(): Find vdisk name = 'vd01'"), 2u);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // ten seconds of the fabric's time
    ASSERT_EQ(controller_->capiGetRolloffVolumeList(kSelectAllControllers, 1), S_OK);
    ASSERT_EQ(controller_->mRolloffCount, 2u);
    EXPECT_EQ(controller_->mRolloffs[1].percentComplete, 40u);
    Entries unknown({Bytes(16, 0x77)});
    EXPECT_EQ(controller_->capiRolloffVolumes(unknown.list, 0, 0), VSS_E_OBJECT_NOT_FOUND);
}

}  // namespace
