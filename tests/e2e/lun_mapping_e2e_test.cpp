// One controller object of the provider, and the provider object across the pair, map snapshots to this
// host's ports at the first free LUN and unmap them, through the real corlink4 on a fabric served by arraysim
// (sim/scenarios/port_mapping.ini). LUN 1 is the master volume's default mapping (flags 0xC0 on every
// channel), LUN 2 a volume mapped to one of the host's ports only; the fabric refuses a mapping at a LUN that
// the port already sees.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_snapshot.h"
#include "platform/com/com_object.h"
#include "platform/time/clock.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_session.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"
#include "provider/vss/hardware_provider.h"
#include "tests/e2e/provider_on_fabric.h"
#include "tests/unit/provider/provider_peer.h"

namespace {

using Peer = BVSS_HardwareProviderTestPeer;

constexpr const char* kScenario = SIM_SCENARIO_DIR "/port_mapping.ini";

std::string HexText(const uint8_t* bytes, size_t count) {
    std::string text;
    char digits[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

class LunMappingE2eTest : public e2e::ProviderOnFabricTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Start(kScenario));
        ProxySubsystem pair{};
        ASSERT_NO_FATAL_FAILURE(ListThePair(&pair));
        controller_ = std::make_unique<BVSS_CapiRaidController>();
        controller_->mHandle = static_cast<int32_t>(pair.controllerA);
        controller_->mPartnerHandle = static_cast<int32_t>(pair.controllerB);
        ASSERT_EQ(controller_->capiUpdateController(1), S_OK) << ProviderLog();
    }
    void TearDown() override {
        controller_.reset();
        ProviderOnFabricTest::TearDown();
    }

    // Two snapshots of the master volume, created and committed with the provider's wrappers.
    void CreateTwoSnapshots(uint8_t ids[2][16]) {
        CAPI_ARRAY_PARTITION* master = nullptr;
        ASSERT_EQ(controller_->findPartition("data01", 7, &master, PartitionKeyKind::Name), S_OK);
        const int32_t id = controller_->mHandle;
        uint8_t tag[8] = {};
        ASSERT_EQ(dms_get_tag(id, controller_->getFailoverId(), tag), 0);
        CAPI_CREATE_SNAPSHOTS_PARAMS create{};
        create.value0 = 1;
        create.value1 = 3;
        create.commitMode = 1;  // committed below
        create.numEntries = 2;
        std::memcpy(&create.tag, tag, sizeof tag);
        for (int s = 0; s < 2; ++s) {
            std::memcpy(create.entries[s].volumeSerialNumber, master->serialNumber, 16);
            std::snprintf(create.entries[s].name, sizeof create.entries[s].name, "VSS26121100000000%d", s);
        }
        uint8_t results[kSnapshotResultBytes] = {};
        ASSERT_EQ(create_snapshot(id, reinterpret_cast<const uint8_t*>(&create), results), 0);
        ASSERT_EQ(results[0], 2);
        CAPI_SNAPSHOT_ID_PARAMS commit{};
        commit.value0 = 1;
        commit.value1 = 3;
        std::memcpy(&commit.tag, tag, sizeof tag);
        std::memcpy(&commit.snapshots, results, sizeof commit.snapshots);
        ASSERT_EQ(commit_snapshot(id, reinterpret_cast<const uint8_t*>(&commit)), 0);
        for (int s = 0; s < 2; ++s) std::memcpy(ids[s], results + 8 + 16 * s, 16);
        ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    }

    // The LUN at which the array presents the snapshot to this host's ports.
    uint32_t LunOf(const uint8_t* id, const std::vector<FlexIDEntry>& ports) {
        CAPI_ARRAY_PARTITION* partition = nullptr;
        EXPECT_EQ(controller_->findPartition(id, 16, &partition), S_OK);
        uint32_t lun = 0;
        if (partition != nullptr) {
            EXPECT_EQ(controller_->capiGetArrayPartitionLUN(partition, ports, &lun), S_OK);
        }
        return lun;
    }

    std::unique_ptr<BVSS_CapiRaidController> controller_;
};

TEST_F(LunMappingE2eTest, SnapshotsMappedAtTheFirstFreeLunsAndUnmapped) {
    uint8_t snapshots[2][16];
    ASSERT_NO_FATAL_FAILURE(CreateTwoSnapshots(snapshots));
    std::vector<FlexIDEntry> ports;
    ASSERT_EQ(controller_->capiGetHbaWwpnList(&ports, 1), S_OK);
    ASSERT_EQ(ports.size(), 2u);
    const uint8_t owner = controller_->mArrays[0].currentOwner;

    // LUN 1 (listed with 0xC0 on every channel) and LUN 2 (port A only) are in use: 3, then 4.
    ASSERT_EQ(controller_->assignLUN(snapshots[0], ports, owner, 1), S_OK) << ProviderLog();
    EXPECT_EQ(LunOf(snapshots[0], ports), 3u);
    ASSERT_EQ(controller_->assignLUN(snapshots[1], ports, owner, 1), S_OK) << ProviderLog();
    EXPECT_EQ(LunOf(snapshots[1], ports), 4u);
    const std::string disks = Admin("disks");
    EXPECT_NE(disks.find("lun=3 serial=" + HexText(snapshots[0], 16)), std::string::npos) << disks;
    EXPECT_NE(disks.find("lun=4 serial=" + HexText(snapshots[1], 16)), std::string::npos) << disks;
    // Each mapping went to both ports of the host, with read-write access on every channel.
    EXPECT_NE(ProviderLog().find("Create map: port WWN: 21:01:00:1B:32:00:00:01 lun=4\n"), std::string::npos);

    // Both unmapped from every port: the host sees neither, the next search finds LUN 3 again.
    EXPECT_EQ(controller_->unassignLUN(snapshots[0]), S_OK) << ProviderLog();
    EXPECT_EQ(controller_->unassignLUN(snapshots[1]), S_OK) << ProviderLog();
    EXPECT_EQ(LunOf(snapshots[0], ports), kNoLun);
    EXPECT_EQ(LunOf(snapshots[1], ports), kNoLun);
    const std::string after = Admin("disks");
    EXPECT_EQ(after.find(HexText(snapshots[0], 16)), std::string::npos) << after;
    EXPECT_EQ(after.find(HexText(snapshots[1], 16)), std::string::npos) << after;
    uint32_t next = 0;
    EXPECT_EQ(controller_->findNextAvailableLUN(ports, owner, &next), S_OK);
    EXPECT_EQ(next, 3u);
}

// The provider object imports both snapshots as new host disks (one mapping each, by the array's owner; the
// partner finds the LUN) and masks them again from the host's FC ports.
TEST_F(LunMappingE2eTest, ProviderImportsSnapshotLunsAsHostDisksAndMasksThemAgain) {
    uint8_t snapshots[2][16];
    ASSERT_NO_FATAL_FAILURE(CreateTwoSnapshots(snapshots));
    ComModule module;
    ComObject<BVSS_HardwareProvider>* provider = ComObject<BVSS_HardwareProvider>::New(&module, nullptr);
    ASSERT_NE(provider, nullptr);
    provider->Inner()->AddRef();
    ASSERT_EQ(Peer::Controllers(*provider).mControllers.size(), 2u) << ProviderLog();
    VDS_LUN_INFORMATION luns[2] = {};
    for (int s = 0; s < 2; ++s)
        luns[s].m_szSerialNumber = BVSS_CoTaskStrDup(PartitionIdText(snapshots[s]).text);

    EXPECT_EQ(provider->LocateLuns(2, luns), S_OK) << ProviderLog();
    std::string disks = Admin("disks");
    EXPECT_NE(disks.find("lun=3 serial=" + HexText(snapshots[0], 16)), std::string::npos) << disks;
    EXPECT_NE(disks.find("lun=4 serial=" + HexText(snapshots[1], 16)), std::string::npos) << disks;
    for (const VDS_LUN_INFORMATION& lun : luns) EXPECT_EQ(lun.m_deviceIdDescriptor.m_cIdentifiers, 1u);
    EXPECT_NE(
        ProviderLog().find("assignLUN(): partition with ID " +
                           std::string(PartitionIdText(snapshots[1]).text) + " already using LUN 0x4.\n"),
        std::string::npos);
    // Located again: both are seen at their LUNs and nothing new is mapped.
    EXPECT_EQ(provider->LocateLuns(2, luns), S_OK) << ProviderLog();
    EXPECT_EQ(Admin("disks"), disks);

    EXPECT_EQ(provider->OnLunStateChange(luns, nullptr, 2, 0x800), S_OK) << ProviderLog();
    disks = Admin("disks");
    EXPECT_EQ(disks.find(HexText(snapshots[0], 16)), std::string::npos) << disks;
    EXPECT_EQ(disks.find(HexText(snapshots[1], 16)), std::string::npos) << disks;

    for (VDS_LUN_INFORMATION& lun : luns) BVSS_FreeLunInformation(&lun);
    provider->OnUnload(TRUE);
    provider->Release();
}

}  // namespace
