// Finding a controller again by its serial after its entry moved.
#include "corlink/handlers/controller_reresolve.h"

#include <gtest/gtest.h>

#include "corlink/database/controller_db.h"
#include "tests/unit/database/controller_db_fixture.h"

namespace {

// A controller is found again by its serial wherever it moved; an entry whose serial was never read is
// found by none, and an identity without a serial finds nothing.
TEST_F(ControllerDbTest, ControllersAreFoundAgainByTheirSerialAndAnEmptySerialMatchesNone) {
    Add({"", "", 1});
    Add({"SNA", "SNB", 1});
    Add({"", "", 0});
    const ControllerIdentity real = IdentityOf(1, true);
    const ControllerIdentity unread = IdentityOf(2, false);
    RemoveController(0);
    EXPECT_EQ(FindControllerAgain(real), 0);
    EXPECT_EQ(FindControllerAgain(unread), -1) << "matched another entry without a serial";
    EXPECT_EQ(FindControllerBySerialText(""), -1);
}

}  // namespace
