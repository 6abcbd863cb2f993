// SET_PASSWORD against the default fabric's pair: the current password proved first, then changed on the
// controllers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/storage_system.h"
#include "corlink/executor/command_table.h"
#include "corlink/handlers/authentication.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/password_requests.h"
#include "sim/fault_script.h"
#include "tests/unit/database/fabric_database_fixture.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace {

using simtest::Reach;

class ControllerDiscoveryTest : public FabricDatabaseTest {};

INSTANTIATE_TEST_SUITE_P(Reach, ControllerDiscoveryTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

// SET_PASSWORD (98) on the discovered pair: code of the reply, or status -1 with the error code.
struct PasswordReply {
    int32_t status;
    int32_t code;
};
PasswordReply SetPassword(const char* uniqueSN, const char* password) {
    uint8_t buffer[PASSWORD_REQUEST_LENGTH] = {};
    std::strncpy(reinterpret_cast<char*>(buffer + PASSWORD_REQUEST_UNIQUE_SN_OFFSET), uniqueSN, 31);
    std::strncpy(reinterpret_cast<char*>(buffer + PASSWORD_REQUEST_PASSWORD_OFFSET), password,
                 PASSWORD_REQUEST_TEXT_SIZE);
    Rre rre{98, PASSWORD_REQUEST_LENGTH, buffer, sizeof buffer, PASSWORD_REQUEST_LENGTH, 0};
    const RreCommandInfo& info = *FindRreCommand(98);
    info.handler(&rre, info);
    auto word = [&](int k) {
        return static_cast<int32_t>((uint32_t{buffer[4 * k]} << 24) | (uint32_t{buffer[4 * k + 1]} << 16) |
                                    (uint32_t{buffer[4 * k + 2]} << 8) | buffer[4 * k + 3]);
    };
    return {word(0), word(1)};
}

TEST_P(ControllerDiscoveryTest, SetPasswordFirstProvesTheCurrentPasswordThenChangesItOnTheController) {
    g_FirstDiscovery = 0;
    CAPI_Initialize_Main();
    ASSERT_EQ(nStorageSystem, 1);
    std::strcpy(gStorageSystems[0].password, "old");  // as the controllers reported it
    fabric_->journal().Clear();

    EXPECT_EQ(SetPassword("3C4D5E", "guess").code, -1);
    EXPECT_EQ(SetPassword("FFFFFF", "old").code, -1);
    EXPECT_EQ(gStorageSystems[0].authenticated, 0u);
    EXPECT_EQ(SetPassword("3C4D5E", "old").code, 0);
    EXPECT_EQ(gStorageSystems[0].authenticated, 1u);
    EXPECT_STREQ(gStorageSystems[0].password, "old") << "the first request only proves the password";
    EXPECT_TRUE(fabric_->journal().Entries().empty());

    // The fabric refuses to set parameters and still reports the old password: a failure, as it is.
    sim::Fault refusal;
    refusal.kind = sim::FaultKind::ReturnCode;
    refusal.commandCode = 1010;
    refusal.returnCode = 2;
    for (int half : {0, 1}) fabric_->InjectFault(0, half, refusal);
    PasswordReply refused = SetPassword("3C4D5E", "new");
    EXPECT_EQ(refused.status, 0);
    EXPECT_EQ(refused.code, -1);
    EXPECT_STREQ(gStorageSystems[0].password, "old");

    std::vector<uint8_t> sentParams;
    fabric_->SetHandler(1010, [&](const sim::CapiRequest& request, sim::StorageSystem&, int) {
        sentParams.assign(request.include, request.include + request.includeLength);
        return sim::CapiAnswer{};
    });
    EXPECT_EQ(SetPassword("3C4D5E", "new").code, 0);
    EXPECT_STREQ(gStorageSystems[0].password, "new");
    ASSERT_EQ(sentParams.size(), sizeof(CAPI_UNIFIED_PARAMS));
    EXPECT_STREQ(reinterpret_cast<const char*>(sentParams.data() + 432), "new");

    // A password filling the whole 32-byte request field: the 31 characters kept are the ones sent.
    const std::string full(32, 'p');
    EXPECT_EQ(SetPassword("3C4D5E", full.c_str()).code, 0);
    EXPECT_EQ(std::string(gStorageSystems[0].password), full.substr(0, 31));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sentParams.data() + 432)), full.substr(0, 31));
}

}  // namespace
