// The pairing rules of discovery: duplicate paths merged into the older entry, placeholders for mates
// that are not reachable, dead paths repaired from their mate.
#include <gtest/gtest.h>

#include "corlink/database/controller_discovery.h"
#include "tests/unit/database/discovery_db_fixture.h"

namespace {

using ControllerPairingTest = DiscoveryDbTest;

TEST_F(ControllerPairingTest, ARepeatedRunMergesEachNewDuplicateIntoItsOlderEntry) {
    Append({"SNA", "SNB", 1});
    Append({"SNB", "SNA", 0});
    Append({"SNA", "SNB", 1});  // the same two controllers found again
    Append({"SNB", "SNA", 0});
    RemoveDuplicatedController(0);
    ASSERT_EQ(g_NumControllers, 2u);
    EXPECT_EQ(Serial(0), "SNA");
    EXPECT_EQ(Serial(1), "SNB");
    EXPECT_EQ(At(0).controllerHandle, 0x100u);
    EXPECT_EQ(At(1).controllerHandle, 0x200u);
    EXPECT_EQ(IoTarget(1), &At(1).controllerContext);

    Append({"SNA", "SNB", 1});
    RemoveDuplicatedController(1);
    EXPECT_EQ(g_NumControllers, 3u) << "duplicates allowed";
}

TEST_F(ControllerPairingTest, TheOlderEntryKeepsTheBetterPath) {
    struct Case {
        const char* name;
        Found older, newer;
        uint8_t keptLun, keptResponds;
    };
    const Case cases[] = {
        // clang-format off
        {"LUN 0 replaces another LUN", {"SNA", "", 1, 1, 3}, {"SNA", "", 1, 1, 0}, 0, 1},
        {"a responding path replaces a dead one", {"SNA", "", 1, 0, 0}, {"SNA", "", 1, 1, 2}, 2, 1},
        {"a dead LUN 0 does not replace", {"SNA", "", 1, 1, 3}, {"SNA", "", 1, 0, 0}, 3, 1},
        {"an equal path changes nothing", {"SNA", "", 1, 1, 0}, {"SNA", "", 1, 1, 0}, 0, 1},
        // clang-format on
    };
    for (const Case& c : cases) {
        Empty();
        Append(c.older);
        Append(c.newer);
        RemoveDuplicatedController(0);
        ASSERT_EQ(g_NumControllers, 1u) << c.name;
        EXPECT_EQ(ProcessorDeviceOf(At(0)).lun, c.keptLun) << c.name;
        EXPECT_EQ(ProcessorDeviceOf(At(0)).responds, c.keptResponds) << c.name;
        EXPECT_EQ(At(0).controllerHandle, 0x100u) << c.name;
    }
}

TEST_F(ControllerPairingTest, AnUnreadSerialIsNoDuplicateOfAnything) {
    Append({"", "", 1});
    Append({"SNA", "", 1});
    Append({"SNB", "", 1});
    RemoveDuplicatedController(0);
    EXPECT_EQ(g_NumControllers, 3u);
}

TEST_F(ControllerPairingTest, OnlyControllerAVisibleGivesAPlaceholderForB) {
    Append({"SNA", "SNB", 1});
    AddPartner();
    ASSERT_EQ(g_NumControllers, 2u);
    const RAID_CONTROLLER& b = At(1);
    EXPECT_EQ(b.isPartner, 1);
    EXPECT_EQ(b.controllerHandle, 0x100u);
    EXPECT_EQ(GetClientControllerId(1), 0x101u);
    EXPECT_EQ(b.controller.failover.failoverId, 0);
    EXPECT_EQ(ProcessorDeviceOf(b).id, PROCESSOR_DEVICE_ID_B);
    EXPECT_EQ(b.rawCapiBuffer, nullptr);
    EXPECT_EQ(b.rawEventBuffer, nullptr);
    EXPECT_EQ(b.pCapiBuffer, At(0).pCapiBuffer) << "it travels over A's transport";
    EXPECT_EQ(IoTarget(1), &At(0).controllerContext);
    EXPECT_EQ(Serial(1), "SNA");
    EXPECT_EQ(FindControllerByHandle(0x100), 0);

    std::memcpy(At(1).controller.serialNumber, "SNB", 4);  // as reading it gives B's half
    std::memcpy(At(1).controller.failover.otherSerialNumber, "SNA", 4);
    AddPartner();
    EXPECT_EQ(g_NumControllers, 2u) << "in a later run, A and its placeholder name each other";
}

TEST_F(ControllerPairingTest, PlaceholdersOnlyForKnownSidesAndWhileThereIsRoom) {
    Append({"SNA", "SNB", 1});
    Append({"SNB", "SNA", 0});
    Append({"SNX", "SNY", 3});  // side unknown
    AddPartner();
    EXPECT_EQ(g_NumControllers, 3u);

    Empty();
    for (uint32_t i = 0; i < CONTROLLER_DB_SIZE - 1; ++i) {
        const std::string serial = "SN" + std::to_string(i);
        Append({serial, serial + "M", 0});
    }
    AddPartner();
    ASSERT_EQ(g_NumControllers, CONTROLLER_DB_SIZE);
    EXPECT_EQ(At(63).isPartner, 1);
    EXPECT_EQ(At(63).controller.failover.failoverId, 1);
    EXPECT_EQ(Serial(63), "SN0");
}

TEST_F(ControllerPairingTest, ARealControllerFoundLaterTakesOverItsPlaceholder) {
    Append({"SNA", "SNB", 1});
    AddPartner();  // placeholder for B at 1, made from A: serial SNA
    // The placeholder is later read as B itself (UpdateController reads the other half) ...
    std::memcpy(At(1).controller.serialNumber, "SNB", 4);
    std::memcpy(At(1).controller.failover.otherSerialNumber, "SNA", 4);
    // ... and B becomes reachable.
    Append({"SNB", "SNA", 0, 1, 0});
    RemoveDuplicatedController(0);
    ASSERT_EQ(g_NumControllers, 2u);
    const RAID_CONTROLLER& b = At(1);
    EXPECT_EQ(b.isPartner, 0);
    EXPECT_EQ(b.controllerHandle, 0x200u);
    EXPECT_EQ(IoTarget(1), &At(1).controllerContext);
    EXPECT_NE(b.rawCapiBuffer, nullptr) << "it owns the buffers of the entry it replaced";
    EXPECT_EQ(b.pCapiBuffer, b.rawCapiBuffer);
    EXPECT_EQ(GetClientControllerId(1), 0x200u);
}

TEST_F(ControllerPairingTest, ADeadControllerBecomesAPlaceholderOfItsLiveMate) {
    for (bool aIsDead : {false, true}) {
        Empty();
        Append({"SNA", "SNB", 1, static_cast<uint8_t>(aIsDead ? 0 : 1)});
        Append({"SNB", "SNA", 0, static_cast<uint8_t>(aIsDead ? 1 : 0)});
        const uint32_t dead = aIsDead ? 0 : 1;
        const uint32_t live = 1 - dead;
        replaceDeadDevices();
        ASSERT_EQ(g_NumControllers, 2u);
        const RAID_CONTROLLER& bad = At(dead);
        EXPECT_EQ(bad.isPartner, 1) << aIsDead;
        EXPECT_EQ(At(live).isPartner, 0);
        EXPECT_EQ(bad.controllerHandle, At(live).controllerHandle);
        EXPECT_EQ(bad.rawCapiBuffer, nullptr);
        EXPECT_EQ(bad.pCapiBuffer, At(live).pCapiBuffer);
        EXPECT_EQ(IoTarget(dead), &At(live).controllerContext);
        EXPECT_EQ(ProcessorDeviceOf(bad).responds, 1) << "it carries the live path";
        EXPECT_EQ(bad.controller.failover.failoverId, aIsDead ? 1 : 0) << "its own side is kept";
        EXPECT_EQ(ProcessorDeviceOf(bad).id, aIsDead ? 1 : 0);
        EXPECT_EQ(ProcessorDeviceOf(At(live)).id, aIsDead ? 0 : 1);
        EXPECT_EQ(FindControllerByHandle(bad.controllerHandle), static_cast<int32_t>(live));
    }
}

TEST_F(ControllerPairingTest, PairsWithBothOrNeitherPathAliveStayAsTheyAre) {
    for (uint8_t responds : {0, 1}) {
        Empty();
        Append({"SNA", "SNB", 1, responds});
        Append({"SNB", "SNA", 0, responds});
        replaceDeadDevices();
        EXPECT_EQ(At(0).isPartner + At(1).isPartner, 0);
        EXPECT_EQ(At(1).controllerHandle, 0x200u);
    }
}

TEST_F(ControllerPairingTest, SetPartnerIgnoresIndexesOutsideTheDatabase) {
    Append({"SNA", "SNB", 1});
    SetPartner(0, 0);
    SetPartner(1, 0);
    SetPartner(-1, 0);
    EXPECT_EQ(At(0).isPartner, 0);
    EXPECT_NE(At(0).rawCapiBuffer, nullptr);
}

}  // namespace
