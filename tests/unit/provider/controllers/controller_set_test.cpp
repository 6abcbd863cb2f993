// The controller set against a scripted proxy: discovery (which controllers join, in which order, and what
// a rediscovery does to the objects held elsewhere), the partition lookups and the snapshot limits.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/retry_policy.h"
#include "provider/controllers/serial_numbers.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/proxy_wire.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::NetworkReply;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::SessionTest;

using providertest::Controller;
using providertest::ControllerSetTest;
using providertest::ControllerTraits;
using providertest::kRefused;
using providertest::Subsystem;
using providertest::Volume;

TEST_F(ControllerSetTest, DiscoveryKeepsEachSnapshotCapableControllerOnceInListOrder) {
    subsystems_ = {
        // clang-format off
        {"PAIR-1", 0x101, 0x102},
        {"PAIR-1-OTHER-PATH", 0x201, 0},         // controller A again: an extra path
        {"OLD", 0x301, 0x302},                   // CAPI 3.5; CAPI 3.6 without the capability
        {"NEW", 0x401, 0xFFFFFFFF},              // CAPI 4.0 joins; the other id is no controller
        {"EMPTY", 0, 0},
        {"HALF-DEAD", 0x601, 0x602},             // B does not answer its refresh
        // clang-format on
    };
    controllers_[0x101] = Controller("SN-A1");
    controllers_[0x102] = Controller("SN-B1").B();
    controllers_[0x201] = Controller("SN-A1");
    controllers_[0x301] = Controller("SN-OLD-A").Capi(3, 5);
    controllers_[0x302] = Controller("SN-OLD-B").Capi(3, 6).Capabilities3(0x7FFFFFFF);
    controllers_[0x401] = Controller("SN-NEW").Capi(4, 0);
    controllers_[0x601] = Controller("SN-HALF-A");

    // The dead path is the last id tried: the set is still formed from the others, and discovery succeeds.
    EXPECT_EQ(set_->discoverRaidControllers(FALSE), S_OK);
    EXPECT_EQ(SetSerials(), (std::vector<std::string>{"SN-A1", "SN-B1", "SN-NEW", "SN-HALF-A"}));
    EXPECT_EQ(set_->mControllers.size(), 4u);
    EXPECT_EQ(set_->mControllers[1]->mPartnerHandle, 0x101);
    EXPECT_EQ(Count("discoverRaidControllers(): extra path to controller, SN=SN-A1.\n"), 1u);
    EXPECT_EQ(Count("does not support snapshot, ignoring.\n"), 2u);
    EXPECT_EQ(Count("getting basic RAID controller parameters.\n"), 1u);
    EXPECT_EQ(Count("discoverRaidControllers(): Found controller #7:\n"), 1u);
    EXPECT_EQ(Count("discoverRaidControllers(): CtrlHandle 0x00000000 for subsystem EMPTY controller B\n"),
              1u);
    EXPECT_EQ(Count("manufacturer=MMMMMMMMMMMMMMMMMMMM, model="), 7u);  // 20 characters, not a byte beyond
    EXPECT_EQ(Count("Found 4 controller LUN(s).\n"), 1u);
    EXPECT_EQ(Count("discoverRaidControllers() returning 0x00000000\n"), 1u);
}

TEST_F(ControllerSetTest, NoUsableControllerEndsAnEmptySetWithItsEvent) {
    struct Case {
        const char* name;
        std::vector<Subsystem> subsystems;
        HRESULT result;
    } cases[] = {
        // clang-format off
        {"no ids", {{"EMPTY", 0, 0}}, S_OK},
        {"no snapshot support", {{"OLD", 0x301, 0}}, S_OK},
        {"every refresh refused", {{"DEAD", 0x701, 0x702}}, VSS_E_PROVIDER_VETO},
        // clang-format on
    };
    controllers_[0x301] = Controller("SN-OLD").Capabilities3(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(platform::EventLogPath().c_str());
        subsystems_ = c.subsystems;
        EXPECT_EQ(set_->discoverRaidControllers(TRUE), c.result);
        EXPECT_TRUE(set_->mControllers.empty());
        EXPECT_TRUE(set_->mControllers.empty());
        EXPECT_NE(testsupport::ReadWholeFile(platform::EventLogPath()).find("No RAID Controllers found."),
                  std::string::npos);
    }
    EXPECT_EQ(Count("Couldn't find any controllers\n"), 3u);
}

TEST_F(ControllerSetTest, RediscoveryKeepsHeldControllersUsable) {
    subsystems_ = {{"PAIR-1", 0x101, 0x102}};
    controllers_[0x101] = Controller("SN-A1").With({{"data01", 0x11, 0}});
    controllers_[0x102] = Controller("SN-B1").B().With({{"data01", 0x11, 0}});
    ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK);
    // What a snapshot set in progress holds: both controllers and a partition record of A.
    BVSS_CapiRaidController* a = Held("SN-A1");
    BVSS_CapiRaidController* b = Held("SN-B1");
    CAPI_ARRAY_PARTITION* partition = nullptr;
    BVSS_CapiRaidController* owner = nullptr;
    const uint8_t data01[16] = {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11};
    ASSERT_EQ(set_->findPartitionAndController(data01, 16, &partition, &owner), S_OK);
    ASSERT_EQ(owner, a);

    // The proxy renumbers its controllers and lists B first; A has a new volume.
    subsystems_ = {{"PAIR-1", 0x112, 0x111}};
    controllers_.clear();
    controllers_[0x111] = Controller("SN-A1").With({{"data01", 0x11, 0}, {"data02", 0x12, 1}});
    controllers_[0x112] = Controller("SN-B1").B().With({{"data01", 0x11, 0}});
    ASSERT_EQ(set_->discoverRaidControllers(TRUE), S_OK);
    EXPECT_EQ(SetSerials(), (std::vector<std::string>{"SN-B1", "SN-A1"}));
    EXPECT_EQ(Held("SN-A1"), a);
    EXPECT_EQ(Held("SN-B1"), b);
    EXPECT_EQ(a->mHandle, 0x111);
    EXPECT_EQ(a->mPartnerHandle, 0x112);
    EXPECT_STREQ(partition->name, "data01");  // the held record is still the controller's own
    CAPI_ARRAY_PARTITION* found = nullptr;
    EXPECT_EQ(a->findPartition("data02", 7, &found, PartitionKeyKind::Name), S_OK);  // refreshed in place
    EXPECT_EQ(a->capiUpdateController(1), S_OK);
    EXPECT_EQ(LastControllerIdAsked(), 0x111u);

    // B vanishes: its object is retired, not deleted; its commands are refused without a request.
    subsystems_ = {{"PAIR-1", 0x111, 0}};
    ASSERT_EQ(set_->discoverRaidControllers(TRUE), S_OK);
    EXPECT_EQ(SetSerials(), (std::vector<std::string>{"SN-A1"}));
    EXPECT_TRUE(b->IsRetired());
    const size_t asked = Sent(RRE_GET_CONTROLLER);
    EXPECT_EQ(b->capiUpdateController(1), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(Sent(RRE_GET_CONTROLLER), asked);
    EXPECT_EQ(set_->findPartitionAndController(data01, 16, &partition, &owner), S_OK);
    EXPECT_EQ(owner, a);

    // B comes back under yet another id: the same object, in use again.
    subsystems_ = {{"PAIR-1", 0x111, 0x122}};
    controllers_[0x122] = controllers_[0x112];
    ASSERT_EQ(set_->discoverRaidControllers(TRUE), S_OK);
    EXPECT_EQ(Held("SN-B1"), b);
    EXPECT_FALSE(b->IsRetired());
    EXPECT_EQ(b->capiUpdateController(1), S_OK);
    EXPECT_EQ(LastControllerIdAsked(), 0x122u);
}

TEST_F(ControllerSetTest, AnUnreadableListThrowsAfterFourTriesAndRetiresTheSet) {
    subsystems_ = {{"PAIR-1", 0x101, 0}};
    controllers_[0x101] = Controller("SN-A1");
    ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK);
    BVSS_CapiRaidController* a = Held("SN-A1");
    const size_t before = Sent(RRE_GET_CONTROLLERHANDLEDB);
    listUnreachable_ = true;
    try {
        set_->discoverRaidControllers(TRUE);
        FAIL() << "no throw";
    } catch (HRESULT hr) {
        EXPECT_EQ(hr, VSS_E_PROVIDER_VETO);
    }
    EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB) - before, 4u);
    EXPECT_EQ(Count("discoverRaidControllers(): Error 0xFFFFFFFF finding storage system failuer.\n"), 1u);
    EXPECT_TRUE(set_->mControllers.empty());
    EXPECT_TRUE(set_->mControllers.empty());
    EXPECT_TRUE(a->IsRetired());
    EXPECT_EQ(a->capiUpdateController(1), VSS_E_PROVIDER_VETO);
}

TEST_F(ControllerSetTest, LookupsAskTheControllersInSetOrder) {
    subsystems_ = {{"PAIR-1", 0x101, 0x102}};
    // Both see data01 on vd1, which B owns; only B sees logs01.
    controllers_[0x101] = Controller("SN-A1").Owners(0, 0).With({{"data01", 0x11, 0}});
    controllers_[0x102] =
        Controller("SN-B1").B().Owners(0, 0).With({{"data01", 0x11, 0}, {"logs01", 0x13, 1}});
    ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK);
    BVSS_CapiRaidController* a = set_->mControllers[0].get();
    BVSS_CapiRaidController* b = set_->mControllers[1].get();
    uint8_t data01[32] = {};
    std::memset(data01, 0x11, 16);

    CAPI_ARRAY_PARTITION* partition = nullptr;
    CAPI_ARRAY* array = nullptr;
    BVSS_CapiRaidController* controller = nullptr;
    EXPECT_EQ(set_->findPartitionArrayAndController(data01, 32, &partition, &array, &controller), S_OK);
    EXPECT_EQ(controller, a);  // A first, whichever controller owns the array
    EXPECT_STREQ(array->name, "vd1");
    // A name key shorter than 16 bytes, on the heap: the log line reads nothing past it.
    const std::vector<char> name{'l', 'o', 'g', 's', '0', '1', '\0'};
    EXPECT_EQ(
        set_->findPartitionAndController(name.data(), 7, &partition, &controller, PartitionKeyKind::Name),
        S_OK);
    EXPECT_EQ(controller, b);
    EXPECT_EQ(set_->findPartitionAndController("nothing", 8, &partition, &controller, PartitionKeyKind::Name),
              VSS_E_OBJECT_NOT_FOUND);
    EXPECT_EQ(partition, nullptr);
    EXPECT_EQ(controller, nullptr);

    std::vector<BVSS_CapiRaidController*> list{b};
    EXPECT_EQ(set_->findPartitionArrayAndControllerList(data01, 32, &partition, &array, &list), S_OK);
    EXPECT_EQ(list, (std::vector<BVSS_CapiRaidController*>{a, b}));
    EXPECT_EQ(partition, a->mPartitionTable[0][0]);
    EXPECT_EQ(Count("failoverID=0 can see partition ID=11111111111111111111111111111111, current owner ID=0, "
                    "preferred owner ID=0.\n"),
              1u);
    EXPECT_EQ(Count("saw 2 controllers containing partition ID=11111111111111111111111111111111, found owner "
                    "controller.\n"),
              1u);
    EXPECT_EQ(set_->findPartitionArrayAndControllerList("nothing", 8, &partition, &array, &list,
                                                        PartitionKeyKind::Name),
              VSS_E_OBJECT_NOT_FOUND);
    EXPECT_TRUE(list.empty());

    EXPECT_EQ(set_->findPartitionArrayAndController(data01, 32, &partition, &array, nullptr),
              kProviderBadArgument);
    EXPECT_EQ(set_->findPartitionAndController(data01, 32, nullptr, &controller), kProviderBadArgument);
    EXPECT_EQ(set_->findPartitionArrayAndControllerList(data01, 32, &partition, nullptr, &list),
              kProviderBadArgument);
}

TEST_F(ControllerSetTest, SnapshotLimitsOfTheOwnerAndThePair) {
    struct Case {
        const char* name;
        uint32_t newSnapshots;
        uint32_t existingOwner;
        uint32_t existingOther;
        uint8_t minor;            // CAPI 3.minor
        uint16_t refreshedLimit;  // maxSnapshots the refresh reads
        HRESULT result;
        size_t refreshes;
    } cases[] = {
        // clang-format off
        {"within the controller limit", 4, 60, 0, 10, 64, S_OK, 0},
        {"one beyond: refreshed once, then refused", 5, 60, 0, 10, 64, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, 1},
        {"the refresh raised the limit", 5, 60, 0, 10, 70, S_OK, 1},
        {"a count that would wrap 32 bits", 0xFFFFFFFF, 60, 0, 10, 64, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, 1},
        {"beyond the pair limit", 4, 60, 65, 7, 64, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, 1},
        {"no pair limit below CAPI 3.7", 4, 60, 65, 6, 64, S_OK, 0},
        // clang-format on
    };
    subsystems_ = {{"PAIR-1", 0x101, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controllers_[0x101] = Controller("SN-A1").Capi(3, c.minor);
        ASSERT_EQ(set_->discoverRaidControllers(TRUE), S_OK);
        BVSS_CapiRaidController* controller = set_->mControllers[0].get();
        controllers_[0x101].maxSnapshots = c.refreshedLimit;
        CAPI_ARRAY array{};
        array.currentOwner = 0;  // B owns it: B's count is the owner's
        snapshotsBySelector_[0] = c.existingOwner;
        snapshotsBySelector_[1] = c.existingOther;
        const size_t asked = Sent(RRE_GET_CONTROLLER);
        EXPECT_EQ(set_->checkSnapshotLimits(c.newSnapshots, nullptr, &array, controller), c.result);
        EXPECT_EQ(Sent(RRE_GET_CONTROLLER) - asked, c.refreshes);
    }
    EXPECT_EQ(Count("checkSnapshotLimits() newSnapshots=5 + existingSnapshotsOwner=60 exceeds per controller "
                    "snapshot limit of 64.\n"),
              1u);
    EXPECT_EQ(
        Count("checkSnapshotLimits() newSnapshots=4 + existingSnapshotsOwner=60 + existingSnapshotsOther=65 "
              "exceeds per controller pair snapshot limit of 128.\n"),
        1u);
    EXPECT_EQ(
        Count("checkSnapshotLimits() limits not exceeded, newSnapshots=4, existingSnapshotsOwner=60, "
              "existingSnapshotsOther=0, maxSnapshotsPerController=64, maxSnapshotsPerControllerPair=128, "
              "maxSnapshotsPerVolume=0.\n"),
        1u);
    CAPI_ARRAY array{};
    EXPECT_EQ(set_->checkSnapshotLimits(1, nullptr, &array, nullptr), kProviderBadArgument);
}

TEST_F(ControllerSetTest, StaticInitPublishesTheSetAndKeepsTheLogOpen) {
    EXPECT_EQ(set_->StaticInit(), S_OK);
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, set_.get());
    EXPECT_EQ(set_->StaticDeinit(), S_OK);
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, nullptr);
    EXPECT_EQ(Count("BVSS_RaidControllerSet::StaticInit() returning 0x00000000\n"), 1u);
    EXPECT_EQ(Count("BVSS_RaidControllerSet::StaticDeinit() returning 0x00000000\n"), 1u);
    EXPECT_EQ(Count("Exiting: BVSS_RaidControllerSet::StaticDeinit"), 1u);
}

}  // namespace
