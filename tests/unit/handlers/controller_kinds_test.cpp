// The host interface kinds of a controller and the kinds of host identities.
#include "corlink/handlers/controller_kinds.h"

#include <gtest/gtest.h>

#include "tests/unit/database/controller_db_fixture.h"

namespace {

TEST_F(ControllerDbTest, HostInterfaceKindsComeFromTheHostChannels) {
    const struct {
        uint32_t channels;
        uint8_t busTypes[3];
        bool fc, sas, iscsi, hybrid;
    } cases[] = {
        // clang-format off
        {2, {4, 4, 0}, true, false, false, false},  {1, {6, 0, 0}, true, false, false, false},
        {2, {8, 8, 0}, false, true, false, false},  {2, {9, 9, 0}, false, false, true, false},
        {2, {9, 4, 0}, false, false, true, true},   {2, {4, 4, 9}, true, false, false, false},
        {3, {4, 4, 9}, true, false, false, true},   {200, {9, 9, 9}, false, false, true, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        Reset();
        RAID_CONTROLLER& entry = Add({"SN", ""});
        entry.controller.numHostChannels = c.channels;
        for (int i = 0; i < 3; ++i) entry.controller.hostChannels[i].busType = c.busTypes[i];
        EXPECT_EQ(IsFCHIM(0), c.fc) << c.channels << " " << int(c.busTypes[0]);
        EXPECT_EQ(IsSASHIM(0), c.sas);
        EXPECT_EQ(IsiSCSIHIM(0), c.iscsi);
        EXPECT_EQ(IsHybrid(0), c.hybrid) << c.channels << " " << int(c.busTypes[0]) << int(c.busTypes[2]);
    }
    EXPECT_FALSE(IsFCHIM(5));
    EXPECT_FALSE(IsHybrid(-1));

    CAPI_FLEX_ID id{};
    for (uint8_t type : {1, 64, 128, 2}) {
        id.type = type;
        EXPECT_EQ(IsFlexIdType1(&id), type == 1);
        EXPECT_EQ(IsFlexIdType64Or128(&id), type == 64 || type == 128);
    }
}

}  // namespace
