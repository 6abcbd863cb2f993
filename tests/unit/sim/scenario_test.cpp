#include "sim/scenario.h"

#include <gtest/gtest.h>

#include "sim/capi/records.h"

namespace {

TEST(Scenario, DefaultHasOneControllerPairTwoVdisksAndMappedVolumes) {
    sim::FabricModel model;
    std::string error;
    ASSERT_TRUE(sim::LoadScenarioFile(SIM_SCENARIO_DIR "/default.ini", &model, &error)) << error;
    ASSERT_EQ(model.systems.size(), 1u);
    const sim::StorageSystem& system = model.systems[0];
    EXPECT_EQ(system.controllers[0].failoverId, 1);
    EXPECT_EQ(system.controllers[1].failoverId, 0);
    EXPECT_EQ(sim::HexText(system.controllers[0].serial), "00C0FF1A2B01");
    ASSERT_EQ(system.arrays.size(), 2u);
    ASSERT_EQ(system.partitions.size(), 4u);
    EXPECT_EQ(system.partitions[2].array, 1u);

    const std::vector<sim::HostDisk> disks = sim::DeriveHostDisks(model);
    ASSERT_EQ(disks.size(), 3u);  // the unmapped volume is no disk
    EXPECT_EQ(disks[2].partition, 2u);
    EXPECT_EQ(disks[2].address, (sim::ScsiAddress{2, 0, 0, 3}));
    EXPECT_EQ(disks[2].secondPath, (sim::ScsiAddress{3, 0, 0, 3}));
}

TEST(Scenario, DerivedVolumeSerialCarriesTheControllerSerialText) {
    const std::string text = sim::HexText(sim::DerivedVolumeSerial({0x00, 0xC0, 0xFF, 0x1A, 0x2B, 0x01}, 7));
    ASSERT_EQ(text.size(), 32u);
    EXPECT_EQ(text.substr(1, 6) + text.substr(10, 6), "00C0FF1A2B01");
}

TEST(Scenario, SerialsTakeEitherCaseAndAHexPrefix) {
    sim::FabricModel model;
    std::string error;
    ASSERT_TRUE(sim::ParseScenario("[system.1]\nname=s\nserial_a=0x00c0ff1a2b0f\nserial_b=00C0FF1A2B0E\n",
                                   &model, &error))
        << error;
    EXPECT_EQ(sim::HexText(model.systems[0].controllers[0].serial), "00C0FF1A2B0F");
    EXPECT_EQ(sim::HexText(model.systems[0].controllers[1].serial), "00C0FF1A2B0E");
}

TEST(Scenario, PairSettingsComeFromTheSystemSection) {
    sim::FabricModel model;
    std::string error;
    ASSERT_TRUE(sim::ParseScenario(
        "[system.1]\nname=s\nstate_b=1\nrestart_seconds_a=90\nshutdown_seconds_b=20\n"
        "enclosures=3\nhost_bus=iscsi\nenclosure_2_serial=EMP-2\nenclosure_2_name=Shelf two\n"
        "enclosure_2_location=Row 4\nenclosure_2_rack=4\nenclosure_2_rack_position=11\n",
        &model, &error))
        << error;
    const sim::StorageSystem& system = model.systems[0];
    EXPECT_EQ(system.controllers[0].settings.stateByte, sim::kStateOperating);
    EXPECT_EQ(system.controllers[1].settings.stateByte, sim::kStateRefusingChanges);
    EXPECT_EQ(system.controllers[0].settings.restartMs, 90000u);
    EXPECT_EQ(system.controllers[1].settings.shutdownMs, 20000u);
    EXPECT_EQ(system.settings.enclosureCount, 3u);
    const sim::Enclosure second = sim::EnclosureOf(system, 1);
    EXPECT_EQ(second.serial, "EMP-2");
    EXPECT_EQ(second.name, "Shelf two");
    EXPECT_EQ(second.location, "Row 4");
    EXPECT_EQ(second.rackNumber, 4);
    EXPECT_EQ(second.rackPosition, 11);
    // defaults: its WWN as serial, a name by number
    const sim::Enclosure third = sim::EnclosureOf(system, 2);
    EXPECT_EQ(third.serial, sim::HexText(sim::EnclosureWwn(system, 2)));
    EXPECT_EQ(third.name, "Enclosure 3");
    EXPECT_EQ(system.params.hostBusTypes, sim::HostBusTypes(sim::kBusTypeIscsi));
    // A hybrid controller: Fibre Channel on its first host channel, iSCSI on the others.
    sim::FabricModel hybrid;
    ASSERT_TRUE(sim::ParseScenario("[system.1]\nname=s\nhost_bus=hybrid\n", &hybrid, &error)) << error;
    EXPECT_EQ(hybrid.systems[0].params.hostBusTypes,
              (sim::HostBusTypeList{sim::kBusTypeFc, sim::kBusTypeIscsi, sim::kBusTypeIscsi,
                                    sim::kBusTypeIscsi, sim::kBusTypeIscsi, sim::kBusTypeIscsi,
                                    sim::kBusTypeIscsi, sim::kBusTypeIscsi}));
}

TEST(Scenario, RefusesMalformedScenarios) {
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        // clang-format off
        {"[system.1]\nproduct=x\n", "name is missing"},
        {"[system.1]\nname=s\nserial_a=00C0FF\n", "serial_a is not hexadecimal"},
        {"[system.1]\nname=s\nserial_a=00C0FG1A2B01\n", "serial_a is not hexadecimal"},
        {"[system.1]\nname=s\nserial_a=0x\n", "serial_a is not hexadecimal"},
        {"[system.1]\nname=s\nadapter_a=32\n", "adapter_a is not a number in range"},
        {"[system.1]\nname=s\n[array.1]\nsystem=system.9\nname=a\n", "system names an unknown section"},
        {"[system.1]\nname=s\n[volume.1]\narray=array.1\nname=v\n", "array names an unknown section"},
        {"[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\n[volume.1]\narray=array.1\nname=v\nlun=256\n",
         "lun is not a number in range"},
        {"[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\n[volume.1]\narray=array.1\nname=v\nkind=clone\n",
         "kind is not standard, snap-pool or master"},
        {"[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\n[volume.1]\narray=array.1\nname=v\n"
         "[volume.2]\narray=array.1\nname=m\nkind=master\npool=volume.1\n",
         "pool is not a snap pool"},
        {"[system.1]\nname=s\nhost_bus=scsi\n", "host_bus is not fc, sas, iscsi or hybrid"},
        {"[system.1]\nname=s\nstate_b=2\n", "state_b is not a number in range"},
        {"[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\npreferred_owner=2\n",
         "preferred_owner is not a number in range"},
        {"[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\ncurrent_owner=2\n",
         "current_owner is not a number in range"},
        {"[system.1]\nname=s\nmax_snapshots=65536\n", "max_snapshots is not a number in range"},
        // clang-format on
    };
    for (const auto& c : cases) {
        sim::FabricModel model;
        std::string error;
        EXPECT_FALSE(sim::ParseScenario(c.text, &model, &error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

// Volumes of the point-in-time copy kinds: a snap pool and a master volume over it.
TEST(Scenario, VolumeKindsMakeSnapPoolsAndMasterVolumes) {
    sim::FabricModel model;
    std::string error;
    ASSERT_TRUE(
        sim::ParseScenario("[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\n"
                           "[volume.p]\narray=array.1\nname=p\nkind=snap-pool\n"
                           "[volume.m]\narray=array.1\nname=m\nkind=master\npool=volume.p\n",
                           &model, &error))
        << error;
    const auto& partitions = model.systems[0].partitions;
    ASSERT_EQ(partitions.size(), 2u);
    EXPECT_EQ(partitions[0].partitionClass, sim::PartitionClass::BackingStore);
    EXPECT_EQ(partitions[1].partitionClass, sim::PartitionClass::Master);
    EXPECT_EQ(partitions[1].snapshot.master, partitions[0].serial);
}

// An array's preferred owner, and its free space beyond what its volumes use (else the default capacity).
TEST(Scenario, ArrayOwnerAndFreeSpace) {
    sim::FabricModel model;
    std::string error;
    ASSERT_TRUE(
        sim::ParseScenario("[system.1]\nname=s\n[array.1]\nsystem=system.1\nname=a\npreferred_owner=0\n"
                           "free_mb=3\n[array.2]\nsystem=system.1\nname=b\n"
                           "[volume.1]\narray=array.1\nname=v\nsize_mb=5\n",
                           &model, &error))
        << error;
    const sim::StorageSystem& system = model.systems[0];
    EXPECT_EQ(system.arrays[0].preferredOwner, 0);
    EXPECT_EQ(system.arrays[1].preferredOwner, 1);
    EXPECT_EQ(system.arrays[0].currentOwner, 0);  // owned where it is preferred
    EXPECT_EQ(system.arrays[1].currentOwner, 1);
    EXPECT_EQ(sim::FreeBlocks(system, 0), 3u * 2048);
    EXPECT_EQ(system.arrays[0].capacityBlocks, 8u * 2048);
    EXPECT_EQ(system.arrays[1].capacityBlocks, sim::kDefaultArrayBlocks);
}

}  // namespace
