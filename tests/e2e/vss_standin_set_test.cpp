// Hardware snapshot sets taken through the provider library by the snapshot service stand-in, against the
// real corlink4 on the fabric: a differential set over two volumes owned by the two controllers of a pair,
// imported to this host, masked and deleted; a full-copy set that waits for its copies; volumes rolled back
// from their snapshots, and the roll-back of the volume behind the management LUN 0 refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/com/com_classes.h"
#include "tests/e2e/snapshot_pair.h"
#include "tests/e2e/standin_fixture.h"
#include "tools/vss_standin/host_disks.h"

namespace {

using standin::LunArray;
using standin::SetStep;
using standin::SnapshotSet;

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The stand-in's calls in order, each with its result name: "GetTargetLuns S_OK".
std::vector<std::string> Calls(const standin::CallLog& log) {
    std::vector<std::string> calls;
    for (const std::string& line : log.Lines()) {
        const size_t open = line.find('(');
        const size_t equals = line.find(") = 0x");
        if (line.rfind("    ", 0) == 0 || open == std::string::npos || equals == std::string::npos) continue;
        calls.push_back(line.substr(0, open) + line.substr(line.rfind(' ')));  // the result's name
    }
    return calls;
}

size_t Count(const std::vector<std::string>& items, const std::string& item) {
    return static_cast<size_t>(std::count(items.begin(), items.end(), item));
}

class StandInSetTest : public e2e::StandInTest {
  protected:
    // The set over these disks (every host disk when none is named).
    SnapshotSet NewSet(LONG context, std::vector<int> disks = {}) {
        SnapshotSet set;
        set.context = context;
        set.sourceDisks = disks.empty() ? standin::ListHostDisks() : disks;
        return set;
    }
    // The host disk of the volume with this partition ID.
    int DiskOf(const std::vector<uint8_t>& id) {
        const std::string serial = standin::HexText(id.data(), id.size());
        for (int disk : standin::ListHostDisks()) {
            LunArray luns(1);
            if (standin::DescribeDisk(disk, &luns[0]) == S_OK &&
                Upper(standin::SerialOf(luns[0])) == Upper(serial))
                return disk;
        }
        ADD_FAILURE() << "no disk for " << serial;
        return -1;
    }
};

TEST_F(StandInSetTest, DifferentialSetOverTwoVolumesOnTwoControllersImportedMaskedAndDeleted) {
    ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    SnapshotSet set = NewSet(VSS_VOLSNAP_ATTR_DIFFERENTIAL);
    ASSERT_EQ(set.sourceDisks.size(), 2u);
    ASSERT_EQ(service_.CreateSet(set, SetStep::BeginPrepare), S_OK) << Lines();
    EXPECT_EQ(Admin("clear-journal"), "ok");
    ASSERT_EQ(service_.ContinueSet(set, SetStep::BeginPrepare, SetStep::PostCommit), S_OK) << Lines();
    // One create and one commit request for each owning controller's group (vd01 owned by A, vd02 by B), both
    // sent through controller A, the first of each volume's controllers.
    const std::vector<std::string> commands = Commands();
    for (const char* sent : {"a1203", "a1204"})
        EXPECT_EQ(Count(commands, sent), 2u) << sent << "\n" << Admin("journal");
    for (const char* unsent : {"b1203", "b1204"}) EXPECT_EQ(Count(commands, unsent), 0u) << unsent;
    EXPECT_EQ(Admin("clear-journal"), "ok");
    ASSERT_EQ(service_.ContinueSet(set, SetStep::PostCommit), S_OK) << Lines();
    // Each snapshot LUN is mapped to this host's two ports through the controller that owns its volume:
    // vd01's through A, vd02's through B (both controllers learnt of the set's snapshots when the targets
    // were described).
    const std::vector<std::string> mappings = Commands();
    EXPECT_EQ(Count(mappings, "a1180"), 2u) << Admin("journal");
    EXPECT_EQ(Count(mappings, "b1180"), 2u) << Admin("journal");
    EXPECT_EQ(ProviderLog().find("did not find owner controller"), std::string::npos) << ProviderLog();

    const std::vector<std::string> calls = Calls(log_);
    const std::vector<std::string> order = {"AreLunsSupported S_OK",        "AreLunsSupported S_OK",
                                            "BeginPrepareSnapshot S_OK",    "BeginPrepareSnapshot S_OK",
                                            "EndPrepareSnapshots S_OK",     "PreCommitSnapshots S_OK",
                                            "CommitSnapshots S_OK",         "PostCommitSnapshots S_OK",
                                            "GetTargetLuns S_OK",           "LocateLuns S_OK",
                                            "FillInLunInfo S_OK",           "FillInLunInfo S_OK",
                                            "PreFinalCommitSnapshots S_OK", "PostFinalCommitSnapshots S_OK"};
    EXPECT_EQ(std::vector<std::string>(calls.end() - static_cast<long>(order.size()), calls.end()), order)
        << Lines();

    // The set's two snapshots, each marked with the set's ID.
    const std::vector<standin::ArrayVolume> snapshots = Volumes("snapshot");
    ASSERT_EQ(snapshots.size(), 2u) << Admin("volumes");
    for (const standin::ArrayVolume& snapshot : snapshots)
        EXPECT_EQ(snapshot.description, "SSID=" + platform::GuidText(set.id).substr(1, 36));

    // Each new disk is a snapshot LUN whose FillInLunInfo description matches what GetTargetLuns gave for it:
    // the same serial text (the snapshot's ID) and the same NAA identifier.
    ASSERT_EQ(set.snapshotLuns.size(), 2u);
    for (size_t i = 0; i < set.snapshotLuns.size(); ++i) {
        const std::string serial = standin::SerialOf(set.targets[i]);
        EXPECT_EQ(standin::SerialOf(set.snapshotLuns[i]), serial);
        EXPECT_EQ(standin::NaaOf(set.snapshotLuns[i]), standin::NaaOf(set.targets[i]));
        EXPECT_EQ(standin::NaaOf(set.targets[i]).size(), 32u);
        EXPECT_TRUE(std::any_of(
            snapshots.begin(), snapshots.end(),
            [&](const standin::ArrayVolume& snapshot) { return Upper(snapshot.serial) == Upper(serial); }))
            << serial;
        EXPECT_EQ(std::count(set.sourceDisks.begin(), set.sourceDisks.end(), set.snapshotDisks[i]), 0);
    }

    // Masked: the snapshot disks leave the host; deleted: the snapshots leave the arrays.
    ASSERT_EQ(service_.MaskSnapshotLuns(set), S_OK) << Lines();
    EXPECT_EQ(standin::ListHostDisks(), set.sourceDisks);
    ASSERT_EQ(service_.DeleteSnapshotLuns(set), S_OK) << Lines();
    EXPECT_TRUE(Volumes("snapshot").empty()) << Admin("volumes");
    EXPECT_TRUE(PeriodicDiscoveryRuns());
}

TEST_F(StandInSetTest, FullCopySetWaitsForItsCopiesBeforeDescribingThem) {
    ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    // Each copy takes 10 minutes of the fabric's time (6 seconds at its time scale): still running when the
    // set's description is asked for.
    EXPECT_EQ(Admin("set pair=0 rolloff-copy-ms=600000"), "ok");
    SnapshotSet set = NewSet(VSS_VOLSNAP_ATTR_PLEX);
    ASSERT_EQ(service_.CreateSet(set, SetStep::PostCommit), S_OK) << Lines();
    EXPECT_TRUE(Volumes("snapshot").empty()) << "a full-copy set makes no snapshot\n" << Admin("volumes");
    const size_t waitsBefore = e2e::Occurrences(ProviderLog(), "awaitSnapshots(): Sleep 5s");

    // GetTargetLuns returns once the copies are done: the provider polled the copies (at least once while
    // they ran) and the copies it describes are imported as new disks.
    ASSERT_EQ(service_.ContinueSet(set, SetStep::PostCommit), S_OK) << Lines();
    EXPECT_GT(e2e::Occurrences(ProviderLog(), "awaitSnapshots(): Sleep 5s"), waitsBefore) << ProviderLog();
    EXPECT_GE(Count(Commands(), "a1209"), 1u) << "the full copies polled";
    ASSERT_EQ(set.snapshotLuns.size(), 2u);
    const std::vector<standin::ArrayVolume> copies = Volumes("standard");
    for (size_t i = 0; i < set.snapshotLuns.size(); ++i) {
        const std::string serial = standin::SerialOf(set.targets[i]);
        EXPECT_EQ(standin::SerialOf(set.snapshotLuns[i]), serial);
        EXPECT_EQ(standin::NaaOf(set.snapshotLuns[i]), standin::NaaOf(set.targets[i]));
        // The full copy is a volume of its own on the array, marked with the set.
        const auto copy = std::find_if(copies.begin(), copies.end(), [&](const standin::ArrayVolume& volume) {
            return Upper(volume.serial) == Upper(serial);
        });
        ASSERT_NE(copy, copies.end()) << serial << "\n" << Admin("volumes");
        EXPECT_EQ(copy->description, "SSID=" + platform::GuidText(set.id).substr(1, 36));
    }
    ASSERT_EQ(service_.MaskSnapshotLuns(set), S_OK) << Lines();
    EXPECT_TRUE(PeriodicDiscoveryRuns());
}

// ResyncLuns rolls the master volume back to its snapshot on the array and hands back a finished job; the
// volume behind controller A's management LUN 0 may not be rolled back.
TEST_F(StandInSetTest, ResyncRollsBackThroughTheArrayAndRefusesTheLunZeroVolume) {
    ASSERT_NO_FATAL_FAILURE(Start(e2e::kSnapshotPairScenario));
    SnapshotSet set = NewSet(VSS_VOLSNAP_ATTR_DIFFERENTIAL, {DiskOf(e2e::kDataVolume)});
    ASSERT_EQ(service_.CreateSet(set), S_OK) << Lines();
    ASSERT_EQ(set.snapshotLuns.size(), 1u);

    EXPECT_EQ(Admin("clear-journal"), "ok");
    standin::ResyncOutcome outcome;
    ASSERT_EQ(service_.Resync(set.snapshotLuns, set.sources, &outcome), S_OK) << Lines();
    EXPECT_EQ(outcome.status, S_OK);
    EXPECT_EQ(outcome.progress, 100);
    EXPECT_EQ(Count(Commands(), "a1223"), 1u) << "the array rolled the volume back\n" << Admin("journal");

    LunArray managementVolume(1);
    ASSERT_TRUE(
        standin::LunFromSerial(standin::HexText(e2e::kManagementVolume.data(), e2e::kManagementVolume.size()),
                               &managementVolume[0]));
    EXPECT_EQ(Admin("clear-journal"), "ok");
    outcome = {};
    EXPECT_EQ(service_.Resync(set.snapshotLuns, managementVolume, &outcome), VSS_E_PROVIDER_VETO) << Lines();
    EXPECT_EQ(outcome.progress, -1) << "no job";
    EXPECT_EQ(Count(Commands(), "a1223") + Count(Commands(), "b1223"), 0u) << "nothing sent";

    ASSERT_EQ(service_.MaskSnapshotLuns(set), S_OK) << Lines();
    ASSERT_EQ(service_.DeleteSnapshotLuns(set), S_OK) << Lines();
    EXPECT_TRUE(Volumes("snapshot").empty()) << Admin("volumes");
}

}  // namespace
