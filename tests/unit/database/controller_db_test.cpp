// The controller database: client ids and placeholders, the lookups, removal and the transport pointers
// of moved entries, storage-system records, and entries allocated only as used.
#include "corlink/database/controller_db.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "corlink/capi/controller_handles.h"
#include "corlink/database/array_partitions.h"
#include "corlink/database/database_state.h"
#include "corlink/database/storage_system.h"
#include "corlink/foundation/nt_os.h"
#include "tests/support/state_reset.h"
#include "tests/unit/database/controller_db_fixture.h"

namespace {

bool AllZero(const void* block, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(block);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

TEST_F(ControllerDbTest, ClientIdsMarkPlaceholdersAndLeadBackToTheRealController) {
    Add({"SNA", "SNB", 1});
    Add({"SNA", "SNB", 0, 1, 0});  // placeholder for B, made from A
    Add({"SNC", "", 1});
    EXPECT_EQ(GetClientControllerId(0), 0x100u);
    EXPECT_EQ(GetClientControllerId(1), 0x101u);
    EXPECT_EQ(GetClientControllerId(2), 0x300u);
    EXPECT_EQ(GetClientControllerId(3), 0u);
    EXPECT_EQ(GetClientControllerId(-1), 0u);

    EXPECT_EQ(FindControllerByClientId(0x101), 1);
    EXPECT_EQ(FindControllerByClientId(0x100), 0);
    EXPECT_EQ(FindControllerByClientId(0x200), -1);
    uint8_t ab = 0xEE;
    EXPECT_EQ(FindRealControllerByClientId(0x101, &ab), 0);
    EXPECT_EQ(ab, 0) << "the placeholder's identity: controller B";
    EXPECT_EQ(FindRealControllerByClientId(0x100, &ab), 0);
    EXPECT_EQ(ab, 1);
    ab = 0xEE;
    EXPECT_EQ(FindRealControllerByClientId(0x999, &ab), -1);
    EXPECT_EQ(ab, 0xEE);
}

TEST_F(ControllerDbTest, HandleLookupsSkipPlaceholders) {
    Add({"SNA", "SNB"});
    FreeController(0);
    At(0).isPartner = 1;  // a placeholder listed before the real controller with the same handle
    Add({"SNA", "SNB"});
    At(1).controllerHandle = 0x100;
    EXPECT_EQ(FindControllerByHandle(0x100), 1);
    EXPECT_EQ(FindControllerByHandle(0x200), -1);
    EXPECT_EQ(ControllerHandleOf(1), 0x100u);
    EXPECT_EQ(ControllerHandleOf(2), 0u);
    EXPECT_EQ(ControllerHandleOf(-1), 0u);
}

TEST_F(ControllerDbTest, SerialLookupsFindOnlyRespondingRealControllersByTheExactText) {
    Add({"00C0FF100001", "00C0FF100002", 1, 0});     // vanished
    Add({"00C0FF100001", "00C0FF100002", 1, 1, 0});  // placeholder
    EXPECT_EQ(FindControllerBySerialText("00C0FF100001"), -1);
    Add({"00C0FF100001", "00C0FF100002", 1, 1});
    EXPECT_EQ(FindControllerBySerialText("00C0FF100001"), 2);
    EXPECT_EQ(FindControllerBySerialText("00C0FF10000"), -1);
    EXPECT_EQ(FindControllerBySerialText("00C0FF1000011"), -1);
    EXPECT_EQ(FindControllerBySerialText(std::string(40, 'X').c_str()), -1);
    EXPECT_EQ(FindControllerBySerialText(nullptr), -1);

    const uint8_t serial[6] = {0x00, 0xC0, 0xFF, 0x10, 0x00, 0x01};
    EXPECT_EQ(GetControllerBySerialNumber(serial), 2);
    EXPECT_EQ(CapiFindControllerBySerialNumber(serial), 2) << "the library reaches the database";
    At(2).controller.serialNumber[2] = 'f';  // upper-case hex only
    EXPECT_EQ(GetControllerBySerialNumber(serial), -1);
}

TEST_F(ControllerDbTest, PartnersAreFoundByTheMateSerial) {
    Add({"SNA", "SNB", 1});
    Add({"SNX", "", 1});
    Add({"SNB", "SNA", 0});
    EXPECT_EQ(FindPartnerController(0), 2);
    EXPECT_EQ(FindPartnerController(2), 0);
    EXPECT_EQ(FindPartnerController(1), -1);
    EXPECT_EQ(FindPartnerController(3), -1);
    EXPECT_EQ(FindPartnerController(-1), -1);
}

TEST_F(ControllerDbTest, ConvertControllerHandlePrefersTheRunningCommandThenAnEntryAwaitingAReply) {
    Add({"SNA", "SNB"});
    Add({"SNA", "SNB", 0, 1, 0});
    At(0).updateStatus = UPDATE_STATUS_STORED;
    At(1).updateStatus = UPDATE_STATUS_PENDING;
    CAPI_ADDRESS address = CapiControllerAddress(0x100);
    EXPECT_EQ(convertControllerHandle(&address), 1);
    g_CurrentController = 0;
    EXPECT_EQ(convertControllerHandle(&address), 0);
    g_CurrentController = 5;  // not an entry in use: ignored
    EXPECT_EQ(convertControllerHandle(&address), 1);
    At(1).updateStatus = UPDATE_STATUS_FAILED;
    EXPECT_EQ(convertControllerHandle(&address), 0);
    address.controllerHandle = 0x200;
    EXPECT_EQ(convertControllerHandle(&address), -1);
    EXPECT_EQ(convertControllerHandle(nullptr), -1);
}

TEST_F(ControllerDbTest, SetRespondsReachesEveryEntryWithTheHandle) {
    Add({"SNA", "SNB"});
    Add({"SNC", ""});
    Add({"SNA", "SNB", 0, 1, 0});
    CapiSetResponds(0x100, 0);  // as the library asks for it
    EXPECT_EQ(IsControllerResponding(0), 0);
    EXPECT_EQ(IsControllerResponding(1), 1);
    EXPECT_EQ(IsControllerResponding(2), 0);
    EXPECT_EQ(IsControllerResponding(3), 0);
}

TEST_F(ControllerDbTest, RemovingAnEntryMovesTheLaterOnesDownWithTheirTransport) {
    Add({"SN0", ""});
    Add({"SN1", ""});
    Add({"SN2", ""});
    uint8_t* const buffer2 = At(2).pCapiBuffer;
    EXPECT_EQ(RemoveController(0), 2u);
    EXPECT_EQ(g_NumControllers, 2u);
    EXPECT_STREQ(reinterpret_cast<const char*>(At(0).controller.serialNumber), "SN1");
    EXPECT_STREQ(reinterpret_cast<const char*>(At(1).controller.serialNumber), "SN2");
    EXPECT_EQ(At(0).controllerHandle, 0x100u);
    EXPECT_EQ(At(1).controllerHandle, 0x200u);
    EXPECT_EQ(IoTarget(0), &At(0).controllerContext);
    EXPECT_EQ(IoTarget(1), &At(1).controllerContext);
    EXPECT_EQ(At(1).controllerContext.lmxIob.pLmxContext, &At(1).controllerContext.lmxContext);
    EXPECT_EQ(At(1).pCapiBuffer, buffer2) << "the moved entry keeps its buffers";
    EXPECT_EQ(Handle2Context(0x200), &At(1).controllerContext);

    EXPECT_TRUE(AllZero(&At(2), sizeof(RAID_CONTROLLER))) << "the old last entry is cleared";
    EXPECT_EQ(RemoveController(2), 2u) << "an index not in use changes nothing";
}

TEST_F(ControllerDbTest, APlaceholderKeepsReachingItsMateWhenTheMateMoves) {
    Add({"SNA", "SNB", 1, 0});  // 0: will become the placeholder of entry 2
    Add({"SNX", ""});           // 1: removed
    Add({"SNB", "SNA", 0});     // 2: the live mate
    Add({"SNY", ""});           // 3
    FreeController(0);
    At(0).isPartner = 1;
    At(0).controllerHandle = At(2).controllerHandle;
    At(0).pCapiBuffer = At(2).pCapiBuffer;
    PointIoBlockAt(At(0), &At(2).controllerContext);

    RemoveController(1);
    EXPECT_EQ(At(1).controllerHandle, 0x200u);
    EXPECT_EQ(At(0).controllerHandle, 0x200u) << "follows its mate, not whatever now sits at 0x300";
    EXPECT_EQ(IoTarget(0), &At(1).controllerContext);
    EXPECT_EQ(Handle2Context(At(0).controllerHandle), &At(1).controllerContext);
}

TEST_F(ControllerDbTest, EntriesSharingAFreedControllersBuffersForgetThem) {
    Add({"SNA", "SNB", 1});
    Add({"SNX", ""});
    Add({"SNA", "SNB", 0, 1, 0});  // placeholder of entry 0, sharing its buffers
    RemoveController(0);
    EXPECT_EQ(g_NumControllers, 2u);
    RAID_CONTROLLER& placeholder = At(1);
    EXPECT_EQ(placeholder.controllerHandle, 0x200u);  // moved: its own context and position
    EXPECT_EQ(IoTarget(1), &placeholder.controllerContext);
    EXPECT_EQ(placeholder.pCapiBuffer, nullptr);
    EXPECT_EQ(placeholder.pEventBuffer, nullptr);
    EXPECT_EQ(placeholder.controllerContext.pCapiBuffer, nullptr);
    EXPECT_NE(At(0).pCapiBuffer, nullptr) << "other controllers keep theirs";

    FreeController(0);  // a real entry freed in place
    EXPECT_EQ(At(0).rawCapiBuffer, nullptr);
    EXPECT_EQ(At(0).pCapiBuffer, nullptr);
    EXPECT_EQ(At(0).controllerContext.pEventBuffer, nullptr);
}

TEST_F(ControllerDbTest, StorageSystemOfAControllerWithoutAMateHasOneBlock) {
    RAID_CONTROLLER& a = Add({"SNA", "SNB", 1});
    std::strcpy(a.UniqueSN, "3A1B2C");
    std::strcpy(a.networkInterface.systemName, "array one");
    std::strcpy(a.networkInterface.ftpPassword, "!manage");
    a.networkInterface.netIf.currentIp[0] = 10;
    a.networkInterface.dhcpEnable = 1;
    a.controller.timeDate = 1234;

    STORAGE_SYSTEM system;
    std::memset(&system, 0x5A, sizeof(system));
    ASSERT_TRUE(MakeStorageSystem(0, &system));
    EXPECT_STREQ(system.UniqueSN, "3A1B2C");
    EXPECT_STREQ(system.systemName, "array one");
    EXPECT_STREQ(system.password, "!manage");
    EXPECT_EQ(uint32_t{system.authenticated}, 0u);
    EXPECT_EQ(uint32_t{system.controllerHandleA}, 0x100u);
    EXPECT_EQ(uint32_t{system.controllerHandleB}, 0u);
    EXPECT_EQ(system.controllerA.currentIp[0], 10);
    EXPECT_EQ(system.controllerA.dhcpEnable, 1);
    EXPECT_EQ(system.controllerA.serialNumberLength, 3);
    EXPECT_EQ(uint32_t{system.controllerA.timeDate}, 1234u);
    EXPECT_TRUE(AllZero(&system.controllerB, sizeof(system.controllerB)));
    EXPECT_TRUE(AllZero(system.reserved356, sizeof(system.reserved356)));
    EXPECT_FALSE(MakeStorageSystem(1, &system));
}

TEST_F(ControllerDbTest, StorageSystemPlacesEachControllerByItsFailoverIdentity) {
    Add({"SNB", "SNA", 0});  // B listed first
    Add({"SNA", "SNB", 1});
    STORAGE_SYSTEM system{};
    ASSERT_TRUE(MakeStorageSystem(0, &system));
    EXPECT_EQ(uint32_t{system.controllerHandleA}, 0x100u);
    EXPECT_EQ(uint32_t{system.controllerHandleB}, 0x200u);
    EXPECT_STREQ(reinterpret_cast<const char*>(system.controllerA.serialNumber), "SNA");
    EXPECT_STREQ(reinterpret_cast<const char*>(system.controllerB.serialNumber), "SNB");

    gStorageSystems[0] = system;
    nStorageSystem = 1;
    EXPECT_EQ(FindStorageSystem(0x200), &gStorageSystems[0]);
    EXPECT_EQ(FindStorageSystem(0x100), &gStorageSystems[0]);
    EXPECT_EQ(FindStorageSystem(0x300), nullptr);
    nStorageSystem = 1000;  // a count out of range is bounded by the table
    EXPECT_EQ(FindStorageSystem(0x300), nullptr);
}

TEST(ControllerDbMemory, EntriesAndPartitionRecordsAreAllocatedOnlyAsUsed) {
    ControllerDb db;
    db[0].controllerHandle = 0x100;
    db[1].isPartner = 1;
    EXPECT_NE(db.Peek(0), nullptr);
    EXPECT_NE(db.Peek(1), nullptr);
    for (uint32_t i = 2; i < CONTROLLER_DB_SIZE; ++i) EXPECT_EQ(db.Peek(i), nullptr) << i;
    EXPECT_EQ(db.Peek(CONTROLLER_DB_SIZE), nullptr);
    EXPECT_TRUE(AllZero(&db[2], sizeof(RAID_CONTROLLER))) << "a new entry starts zeroed";
    EXPECT_EQ(&db[0], db.Peek(0)) << "an entry stays where it is";

    ArrayPartitionTable partitions;
    EXPECT_EQ(partitions.Find(0, 0, 0), nullptr);
    CAPI_ARRAY_PARTITION* record = partitions.Acquire(3, 127, 1151);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(AllZero(record, sizeof(*record)));
    EXPECT_EQ(partitions.Acquire(3, 127, 1151), record);
    EXPECT_EQ(partitions.Find(3, 127, 1151), record);
    EXPECT_EQ(partitions.Find(3, 127, 1150), nullptr);
    EXPECT_EQ(partitions.Find(4, 127, 1151), nullptr);
    EXPECT_EQ(partitions.Acquire(64, 0, 0), nullptr);
    EXPECT_EQ(partitions.Acquire(0, 128, 0), nullptr);
    EXPECT_EQ(partitions.Acquire(0, 0, 1152), nullptr);
}

}  // namespace
