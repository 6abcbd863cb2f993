// Hardware snapshot sets through the provider library whose snapshot creates meet controller faults, against
// the real corlink4 on the fabric: a create (or a full copy's start) carried out but answered with an error,
// or whose reply is lost, is sent again; the set reports what happened, and the arrays keep exactly the
// snapshots the set records. A pair that goes down while the set is committed fails the set, and nothing of
// it stays once the pair is back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "tests/e2e/standin_fixture.h"
#include "tools/vss_standin/host_disks.h"

namespace {

using standin::SetStep;
using standin::SnapshotSet;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class StandInFaultsTest : public e2e::StandInTest {
  protected:
    // The serials of the volumes the provider's creates made on the arrays (snapshots and full copies, named
    // "VSS" and a time), and of the LUNs the set described, both sorted.
    std::vector<std::string> MadeVolumes() {
        std::vector<std::string> serials;
        for (const standin::ArrayVolume& volume : Volumes("snapshot"))
            serials.push_back(Lower(volume.serial));
        for (const standin::ArrayVolume& volume : Volumes("standard"))
            if (volume.name.rfind("VSS", 0) == 0) serials.push_back(Lower(volume.serial));
        std::sort(serials.begin(), serials.end());
        return serials;
    }
    static std::vector<std::string> Recorded(const SnapshotSet& set) {
        std::vector<std::string> serials;
        for (size_t i = 0; i < set.targets.size(); ++i)
            serials.push_back(Lower(standin::SerialOf(set.targets[i])));
        std::sort(serials.begin(), serials.end());
        return serials;
    }
};

// Every request goes to controller A (the first controller of both volumes); the fault meets the first
// create of a differential set, or the first full-copy start of a full-copy set.
TEST_F(StandInFaultsTest, ACreateThatRanButFailedOrLostItsReplyLeavesNoUnrecordedVolume) {
    struct Case {
        LONG context;
        int command;
        const char* fault;
        HRESULT outcome;  // of the set
    };
    const Case cases[] = {
        // clang-format off
        // retried by the provider
        {VSS_VOLSNAP_ATTR_DIFFERENTIAL, CAPI_COMMAND_U_CREATE_SNAPSHOTS, "kind=execute-then-code code=26", S_OK},
        // sent again by the proxy
        {VSS_VOLSNAP_ATTR_DIFFERENTIAL, CAPI_COMMAND_U_CREATE_SNAPSHOTS, "kind=execute-then-no-reply", S_OK},
        // not retried: the set fails
        {VSS_VOLSNAP_ATTR_DIFFERENTIAL, CAPI_COMMAND_U_CREATE_SNAPSHOTS, "kind=execute-then-code code=186",
         VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED},
        {VSS_VOLSNAP_ATTR_PLEX, CAPI_COMMAND_U_ROLLOFF, "kind=execute-then-no-reply", S_OK},
        // clang-format on
    };
    ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    EXPECT_EQ(Admin("set pair=0 rolloff-copy-ms=1000"), "ok");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.command) + " " + c.fault);
        EXPECT_EQ(Admin("fault pair=0 half=a command=" + std::to_string(c.command) + " " + c.fault), "ok");
        SnapshotSet set;
        set.context = c.context;
        set.sourceDisks = standin::ListHostDisks();
        ASSERT_EQ(set.sourceDisks.size(), 2u);
        ASSERT_EQ(service_.CreateSet(set, SetStep::Import), c.outcome) << Lines();
        EXPECT_EQ(MadeVolumes(), Recorded(set)) << Admin("volumes");
        EXPECT_EQ(set.targets.size(), c.outcome == S_OK ? 2u : 0u);
        if (c.outcome == S_OK) {
            EXPECT_EQ(service_.AbortSet(set), S_OK) << Lines();
        }
        EXPECT_TRUE(MadeVolumes().empty()) << Admin("volumes");
    }
}

TEST_F(StandInFaultsTest, APairDownDuringCommitFailsTheSetAndItsCleanUpOnceThePairIsBackLeavesNothing) {
    ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    SnapshotSet set;
    set.sourceDisks = standin::ListHostDisks();
    ASSERT_EQ(service_.CreateSet(set, SetStep::PreCommit), S_OK) << Lines();
    const std::vector<std::string> made = MadeVolumes();
    ASSERT_EQ(made.size(), 2u) << Admin("volumes");

    // Down: the commit fails, and so does the deletion of the set's snapshots (the service's abort included).
    for (const char* half : {"a", "b"})
        EXPECT_EQ(Admin(std::string("condition pair=0 half=") + half + " state=down"), "ok");
    EXPECT_EQ(service_.ContinueSet(set, SetStep::PreCommit, SetStep::Commit), VSS_E_PROVIDER_VETO) << Lines();
    for (const char* half : {"a", "b"})
        EXPECT_EQ(Admin(std::string("condition pair=0 half=") + half + " state=up"), "ok");
    EXPECT_EQ(MadeVolumes(), made) << "the snapshots are still the set's to delete";

    // Back, and found again by the proxy's periodic discovery: the clean-up deletes them.
    EXPECT_TRUE(PeriodicDiscoveryRuns());
    EXPECT_EQ(service_.AbortSet(set), S_OK) << Lines();
    EXPECT_TRUE(MadeVolumes().empty()) << Admin("volumes");
}

}  // namespace
