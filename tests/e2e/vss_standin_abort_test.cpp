// A hardware snapshot set aborted by the snapshot service stand-in after each of its states, through the
// provider library against the real corlink4 on the fabric: the snapshots made so far leave the arrays, and
// the proxy's periodic discovery, which the provider switches off while the set's snapshots are made, is on
// again.
#include <gtest/gtest.h>

#include "tests/e2e/standin_fixture.h"
#include "tools/vss_standin/host_disks.h"

namespace {

using standin::SetStep;
using standin::SnapshotSet;

class StandInAbortTest : public e2e::StandInTest {};

TEST_F(StandInAbortTest, AfterEachStateNoSnapshotIsLeftAndDiscoveryIsOn) {
    ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    for (SetStep step :
         {SetStep::BeginPrepare, SetStep::EndPrepare, SetStep::PreCommit, SetStep::Commit, SetStep::PostCommit}) {
        SCOPED_TRACE(standin::SetStepName(step));
        SnapshotSet set;
        set.sourceDisks = standin::ListHostDisks();
        ASSERT_EQ(service_.CreateSet(set, step), S_OK) << Lines();
        if (step >= SetStep::EndPrepare) {
            EXPECT_EQ(Volumes("snapshot").size(), 2u) << Admin("volumes");
        }
        EXPECT_EQ(service_.AbortSet(set), S_OK) << Lines();
        EXPECT_TRUE(Volumes("snapshot").empty()) << Admin("volumes");
        EXPECT_TRUE(PeriodicDiscoveryRuns());
    }
}

}  // namespace
