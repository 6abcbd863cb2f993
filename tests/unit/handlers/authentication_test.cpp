// Authentication by the storage system's password: the check of a controller, the password verified
// directly and through VERIFY_PASSWORD, and what a change of the table does to it.
#include "corlink/handlers/authentication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "corlink/database/controller_db.h"
#include "corlink/database/storage_systems.h"
#include "corlink/executor/command_table.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/password_requests.h"
#include "tests/support/test_root.h"
#include "tests/unit/database/storage_systems_fixture.h"

namespace {

int Verify(const char* uniqueSN, const char* password) {
    return VerifyStorageSystemPassword(uniqueSN, password);
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
