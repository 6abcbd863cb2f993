// Storage systems: the UniqueSN of a pair and the table kept in step with the database.
#include "corlink/database/storage_systems.h"

#include <gtest/gtest.h>

#include <vector>

#include "corlink/database/controller_discovery.h"
#include "tests/unit/database/storage_systems_fixture.h"

namespace {

struct Fru {
    uint32_t enclosure;
    uint32_t slot;
    uint8_t validity;
    uint8_t type;
    const char* supplierSn;
};

TEST(UniqueSNTest, FromTheStorageSystemFruElseFromTheEnclosureWWN) {
    struct Case {
        const char* name;
        uint8_t wwn[8];
        uint32_t enclosures;
        std::vector<Fru> frus;
        const char* expected;
    };
    const Case cases[] = {
        // clang-format off
        {"no FRU: WWN bytes 4-6", {0x50, 0x0C, 0x0F, 0xF0, 0x0A, 0xBC, 0x1D, 0x3F}, 1, {}, "0ABC1D"},
        {"the storage-system FRU", {0, 0, 0, 0, 0x0A, 0xBC, 0x1D, 0}, 1, {{0, 3, 2, 9, "7A2F01"}}, "7A2F01"},
        {"serial not six characters",
         {0, 0, 0, 0, 0x0A, 0xBC, 0x1D, 0},
         1,
         {{0, 0, 2, 9, "7A2F011"}},
         "0ABC1D"},
        {"FRU data not valid", {0, 0, 0, 0, 0x0A, 0xBC, 0x1D, 0}, 1, {{0, 0, 1, 9, "7A2F01"}}, "0ABC1D"},
        {"another FRU type", {0, 0, 0, 0, 0x0A, 0xBC, 0x1D, 0}, 1, {{0, 0, 2, 8, "7A2F01"}}, "0ABC1D"},
        {"a later enclosure overrides", {}, 2, {{0, 0, 2, 9, "111111"}, {1, 5, 2, 9, "222222"}}, "222222"},
        {"the first FRU of an enclosure", {}, 1, {{0, 1, 2, 9, "111111"}, {0, 4, 2, 9, "222222"}}, "111111"},
        {"enclosures past the count are not read", {}, 1, {{1, 0, 2, 9, "222222"}}, "555555"},
        {"zero WWN", {}, 1, {}, "555555"},
        {"zero supplier serial", {}, 1, {{0, 0, 2, 9, "000000"}}, "555555"},
        // clang-format on
    };
    auto* entry = static_cast<RAID_CONTROLLER*>(std::calloc(1, sizeof(RAID_CONTROLLER)));
    for (const Case& c : cases) {
        std::memset(static_cast<void*>(entry), 0, sizeof(*entry));
        std::memcpy(entry->enclosures[0].enclosureWWN, c.wwn, 8);
        entry->enclosureCount = c.enclosures;
        for (const Fru& f : c.frus) {
            CAPI_ADVANCED_DRIVE_ENCLOSURE& enclosure = entry->advancedEnclosures[f.enclosure];
            enclosure.fruDataValidity[f.slot] = f.validity;
            enclosure.fruidInfo[f.slot].fruType = f.type;
            std::strncpy(enclosure.fruidInfo[f.slot].supplierSn, f.supplierSn, 32);
        }
        SetUniqueSNFromEnclosures(*entry);
        EXPECT_STREQ(entry->UniqueSN, c.expected) << c.name;
    }
    entry->enclosureCount = 0xFFFFFFFF;  // a count from the controller is clamped to the table
    SetUniqueSNFromEnclosures(*entry);
    std::free(entry);
}

TEST_F(StorageSystemsTest, OnePerPairFirstListedControllerFirst) {
    AppendPair("SNA", "SNB", "7A2F01", "pw");
    Append({"SNC", "SND", 1});
    AddPartner();
    std::memcpy(At(3).controller.serialNumber, "SND", 4);  // the placeholder as reading it gives D's half
    UpdateStorageSystems();
    ASSERT_EQ(nStorageSystem, 2);
    EXPECT_STREQ(gStorageSystems[0].UniqueSN, "7A2F01");
    EXPECT_EQ(gStorageSystems[0].controllerHandleA, 0x100u);
    EXPECT_EQ(gStorageSystems[0].controllerHandleB, 0x200u);
    EXPECT_STREQ(gStorageSystems[0].password, "pw");
    EXPECT_EQ(gStorageSystems[1].controllerHandleA, 0x300u);
    EXPECT_EQ(gStorageSystems[1].controllerHandleB, 0x300u) << "the placeholder of C is its mate";

    UpdateStorageSystems();
    EXPECT_EQ(nStorageSystem, 2) << "nothing added twice";
}

TEST_F(StorageSystemsTest, TheTableHoldsAtMost64) {
    for (uint32_t i = 0; i < CONTROLLER_DB_SIZE; ++i) {
        Append({"SN" + std::to_string(i), "", 1});
    }
    nStorageSystem = 60;  // taken by systems whose controllers are real entries
    for (int32_t i = 0; i < 60; ++i)
        gStorageSystems[i].controllerHandleA = 0x100u * static_cast<uint32_t>(i + 1);
    UpdateStorageSystems();
    EXPECT_EQ(nStorageSystem, 64);
    EXPECT_EQ(gStorageSystems[63].controllerHandleA, 0x100u * 64);
}

}  // namespace
