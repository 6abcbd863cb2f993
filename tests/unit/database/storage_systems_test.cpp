// Storage systems: the UniqueSN of a pair, the table kept in step with the database, and authentication
// by password.
#include "corlink/database/storage_systems.h"

#include <gtest/gtest.h>

#include <vector>

#include "corlink/database/controller_discovery.h"
#include "corlink/executor/command_table.h"
#include "corlink/foundation/log.h"
#include "corlink/handlers/authentication.h"
#include "tests/support/test_root.h"
#include "tests/unit/database/discovery_db_fixture.h"

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

class StorageSystemsTest : public DiscoveryDbTest {
  protected:
    // A pair A (failoverId 1) and B with the storage system's UniqueSN and password.
    static void AppendPair(const std::string& a, const std::string& b, const char* uniqueSN,
                           const char* password) {
        for (RAID_CONTROLLER* entry : {&Append({a, b, 1}), &Append({b, a, 0})}) {
            std::strcpy(entry->UniqueSN, uniqueSN);
            std::strcpy(entry->networkInterface.ftpPassword, password);
            std::strcpy(entry->networkInterface.systemName, "sys");
        }
    }
    static int Verify(const char* uniqueSN, const char* password) {
        return VerifyStorageSystemPassword(uniqueSN, password);
    }

    StorageSystemsTest() {
        root.SetString("SYSTEM\\CurrentControlSet\\Services\\corlink4\\Debug", "FileName", LogPath());
        OpenDebugFile(nullptr);
    }
    ~StorageSystemsTest() override { CloseDebugFile(); }
    std::string LogPath() const { return root.path() + "/debug.log"; }

    testsupport::TestRoot root;
};

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

TEST_F(StorageSystemsTest, ASystemWithoutControllersIsDroppedAndFoundAgainUnauthenticated) {
    AppendPair("SNA", "SNB", "7A2F01", "pw");
    AppendPair("SNC", "SND", "7A2F02", "pw2");
    UpdateStorageSystems();
    ASSERT_EQ(Verify("7A2F01", "pw"), 0);
    ASSERT_EQ(gStorageSystems[0].authenticated, 1u);

    ASSERT_EQ(Verify("7A2F02", "pw2"), 0);
    RemoveController(0);
    RemoveController(0);  // the first pair is gone; the second moves to the handles 0x100 and 0x200
    UpdateStorageSystems();
    ASSERT_EQ(nStorageSystem, 1);
    EXPECT_STREQ(gStorageSystems[0].UniqueSN, "7A2F02");
    EXPECT_EQ(gStorageSystems[0].controllerHandleA, 0x100u);
    EXPECT_EQ(gStorageSystems[0].authenticated, 0u) << "found again under new handles";
    EXPECT_EQ(gStorageSystems[1].UniqueSN[0], 0) << "the freed place is zero";
    EXPECT_EQ(IsControllerAuthorized(0), 0)
        << "the first pair's authentication did not pass to the handles' new owner";

    AppendPair("SNA", "SNB", "7A2F01", "pw");
    UpdateStorageSystems();
    ASSERT_EQ(nStorageSystem, 2);
    EXPECT_EQ(gStorageSystems[1].authenticated, 0u);
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

TEST_F(StorageSystemsTest, AuthorisationFollowsTheStorageSystem) {
    AppendPair("SNA", "SNB", "7A2F01", "pw");
    Append({"SNC", "", 1});
    UpdateStorageSystems();
    nStorageSystem = 1;  // C belongs to no storage system
    EXPECT_EQ(IsControllerAuthorized(2), 1);
    EXPECT_EQ(IsControllerAuthorized(0), 0);
    EXPECT_EQ(IsControllerAuthorized(1), 0);
    EXPECT_EQ(IsControllerAuthorized(3), 0) << "no such entry";
    EXPECT_EQ(Verify("7A2F01", "wrong"), -1);
    EXPECT_EQ(Verify("7A2F09", "pw"), -1);
    EXPECT_EQ(Verify("7A2F01", "pw"), 0);
    EXPECT_EQ(IsControllerAuthorized(0), 1);
    EXPECT_EQ(IsControllerAuthorized(1), 1);
}

TEST_F(StorageSystemsTest, TwoSystemsWithOneUniqueSNAreTriedInTableOrder) {
    AppendPair("SNA", "SNB", "7A2F01", "first");
    AppendPair("SNC", "SND", "7A2F01", "second");
    UpdateStorageSystems();
    ASSERT_EQ(nStorageSystem, 2);
    EXPECT_EQ(Verify("7A2F01", "second"), 0);
    EXPECT_EQ(gStorageSystems[0].authenticated, 0u);
    EXPECT_EQ(gStorageSystems[1].authenticated, 1u);
}

TEST_F(StorageSystemsTest, VerifyPasswordAnswersInTheHeadAndNeverLogsThePassword) {
    AppendPair("SNA", "SNB", "7A2F01", "s3cret-pw");
    UpdateStorageSystems();
    const RreCommandInfo& info = *FindRreCommand(97);
    auto run = [&](const char* password, uint32_t length) {
        std::vector<uint8_t> buffer(PASSWORD_REQUEST_LENGTH + 8, 0);
        std::memcpy(buffer.data() + 12, "7A2F01", 6);
        std::memset(buffer.data() + 44, 'x', 32);  // unterminated field: read as 32 characters at most
        std::memcpy(buffer.data() + 44, password, std::min<size_t>(32, std::strlen(password) + 1));
        Rre rre{97, length, buffer.data(), static_cast<uint32_t>(buffer.size()), static_cast<int32_t>(length),
                0};
        info.handler(&rre, info);
        std::vector<uint32_t> head(2);
        for (int k = 0; k < 2; ++k) {
            head[k] = (uint32_t{buffer[4 * k]} << 24) | (uint32_t{buffer[4 * k + 1]} << 16) |
                      (uint32_t{buffer[4 * k + 2]} << 8) | buffer[4 * k + 3];
        }
        return std::make_pair(head, rre.ReplyLength);
    };
    auto [wrong, wrongLength] = run("nope", PASSWORD_REQUEST_LENGTH);
    EXPECT_EQ(wrong, (std::vector<uint32_t>{0, 0xFFFFFFFF}));
    EXPECT_EQ(wrongLength, 76);
    EXPECT_EQ(run(std::string(40, 'x').c_str(), PASSWORD_REQUEST_LENGTH).first,
              (std::vector<uint32_t>{0, 0xFFFFFFFF}));
    EXPECT_EQ(run("s3cret-pw", PASSWORD_REQUEST_LENGTH).first, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(gStorageSystems[0].authenticated, 1u);
    EXPECT_EQ(run("s3cret-pw", 75).first, (std::vector<uint32_t>{0xFFFFFFFF, RRE_ERROR_WRONG_LENGTH}));

    const std::string log = testsupport::ReadWholeFile(LogPath());
    EXPECT_NE(log.find("VerifyPassword in UniqueSN=7A2F01\", PWD=\"********\""), std::string::npos);
    EXPECT_NE(log.find("**** add StorageSystem sys ******** 7A2F01"), std::string::npos);
    EXPECT_EQ(log.find("s3cret"), std::string::npos);
}

}  // namespace
