// The controller, channel and enclosure commands through rreExecCommand against the default fabric: each
// setting reaches the fabric and comes back in the database, the lists have their fixed shapes, and the
// refusals and the mended faults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/storage_system.h"
#include "corlink/executor/executor.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "sim/capi/records.h"
#include "sim/fault_script.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

constexpr size_t kRecordAt = 16;

class ControllerCommandsTest : public ProxyCommandTest {
  protected:
    static const RAID_CONTROLLER& EntryOf(uint32_t id) {
        return g_ControllerDb[static_cast<uint32_t>(FindControllerByClientId(id))];
    }
    void Fault(int half, uint32_t command, sim::FaultKind kind, int32_t code) {
        sim::Fault fault;
        fault.kind = kind;
        fault.commandCode = command;
        fault.returnCode = code;
        fabric_->InjectFault(0, half, fault);
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, ControllerCommandsTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

uint32_t WordOf(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    if (offset + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST_P(ControllerCommandsTest, SettingsReachTheFabricAndComeBack) {
    const auto enclosure = sim::EnclosureSerialBytes(Pair(), 0);
    const size_t hostChannel1 =
        offsetof(CAPI_UNIFIED_CONTROLLER_PARAMS, channelParams) + sizeof(CAPI_UNIFIED_CHANNEL_PARAMS);
    using Check = std::function<bool(const sim::StorageSystem&)>;
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        Fill fill;
        Check changed;
    } cases[] = {
        // the controller parameters first: they replace every channel's settings
        {"SILENCE_ALARM", RRE_SILENCE_ALARM, 16, nullptr,
         [](const auto& p) { return p.settings.alarmsSilenced == 1; }},
        {"SET_CONTROLLER_PARAMS", RRE_SET_CONTROLLER_PARAMS, 10740,
         [](auto& b) { PutWord(b, kRecordAt + offsetof(CAPI_UNIFIED_COMMON_PARAMS, value2068), 0x1234); },
         [](const auto& p) {
             return WordOf(p.settings.commonParams, offsetof(CAPI_UNIFIED_COMMON_PARAMS, value2068)) ==
                    0x1234;
         }},
        {"SET_CHANNEL_PARAM: host channel 1 of the controller addressed", RRE_SET_CHANNEL_PARAM, 248,
         [](auto& b) {
             PutWord(b, 16, 1);
             b[20 + offsetof(CAPI_CHANNEL_PARAMS, id)] = 7;
             b[20 + offsetof(CAPI_CHANNEL_PARAMS, disable)] = 1;
         },
         [&](const auto& p) {
             const std::vector<uint8_t>& own = p.controllers[0].settings.params;
             return own.size() > hostChannel1 + 105 && own[hostChannel1 + 104] == 7 &&
                    own[hostChannel1 + 105] == 1;
         }},
        {"SET_DRIVE_ENCLOSURE", RRE_SET_DRIVE_ENCLOSURE, 416,
         [&](auto& b) {
             std::memcpy(b.data() + kRecordAt, enclosure.data(), enclosure.size());
             std::memcpy(b.data() + kRecordAt + offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, name), "shelf-0", 8);
         },
         [](const auto& p) { return sim::EnclosureOf(p, 0).name == "shelf-0"; }},
        {"rescan: channel 0 then 1", RRE_RESCAN_ALL_BUS, 16, nullptr,
         [](const auto& p) {
             return p.settings.rescannedChannels == std::vector<uint32_t>{0, 1};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Exec(c.code, c.length, kHandleA, c.fill);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, 0u);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(c.length));
        EXPECT_EQ(Word(reply.buffer, 8), kHandleA);
        EXPECT_TRUE(c.changed(Pair()));
    }
    // The database was read again: the channel's settings and the parameters show in the controller record.
    const auto* controller = reinterpret_cast<const uint8_t*>(&EntryOf(kHandleA).controller);
    EXPECT_EQ(controller[offsetof(CAPI_CONTROLLER, hostChannels) + sizeof(CAPI_CHANNEL) +
                         offsetof(CAPI_CHANNEL, params1) + offsetof(CAPI_CHANNEL_PARAMS, id)],
              7);
    EXPECT_EQ(EntryOf(kHandleA).unifiedController.common.params2.value2068, 0x1234u);
}

TEST_P(ControllerCommandsTest, ControllerClockRoundTrips) {
    const Reply set =
        Exec(RRE_SET_CONTROLLERTIMEDATE, 20, kHandleB, [](auto& b) { PutWord(b, 16, 0x6A1B2C3D); });
    EXPECT_EQ(set.status, 0);
    EXPECT_EQ(set.code, 0u);
    EXPECT_EQ(Pair().settings.timeDate, 0x6A1B2C3Du);
    const Reply get = Exec(RRE_GET_CONTROLLERTIMEDATE, 20, kHandleA, nullptr);
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.code, 0u);
    EXPECT_EQ(Word(get.buffer, 16), 0x6A1B2C3Du);
    // A controller that cannot be read answers the update's result with the time stored.
    Fault(0, CAPI_COMMAND_U_GET_CONTROLLER_DATA, sim::FaultKind::ReturnCode, CAPI_ERROR_NOT_SUPPORTED);
    const Reply failed = Exec(RRE_GET_CONTROLLERTIMEDATE, 20, kHandleA, nullptr);
    EXPECT_EQ(failed.status, 0);
    EXPECT_NE(failed.code, 0u);
    EXPECT_EQ(Word(failed.buffer, 16), 0x6A1B2C3Du);
}

TEST_P(ControllerCommandsTest, ControllerStatusIsTheOwnHalfsStateByte) {
    fabric_->Edit([](sim::FabricModel& m) {
        m.systems[0].controllers[1].settings.stateByte = sim::kStateRefusingChanges;
    });
    const struct {
        const char* name;
        uint32_t id;
        uint8_t state;
    } cases[] = {{"A operates", kHandleA, 0}, {"B refuses changes", kHandleB, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Exec(RRE_GET_CONTROLLER_STATUS, 20, c.id, nullptr);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, 0u);
        EXPECT_EQ(reply.buffer[16], c.state);
    }
    Fault(0, CAPI_COMMAND_U_GET_CONTROLLER_DATA, sim::FaultKind::ReturnCode, CAPI_ERROR_NOT_SUPPORTED);
    const Reply unread = Exec(RRE_GET_CONTROLLER_STATUS, 20, kHandleA, nullptr);
    EXPECT_EQ(unread.status, 0);
    EXPECT_EQ(unread.code, 0u);
    EXPECT_EQ(unread.buffer[16], 4);
    // An unknown controller gets the frame's 8-byte refusal, never a status.
    const Reply unknown = Exec(RRE_GET_CONTROLLER_STATUS, 20, 0x7700, nullptr);
    EXPECT_EQ(unknown.status, -1);
    EXPECT_EQ(unknown.code, RRE_ERROR_NO_CONTROLLER);
    EXPECT_EQ(unknown.replyLength, 8);
}

TEST_P(ControllerCommandsTest, VersionIsSeventySixBytesOfBoundedTexts) {
    std::vector<uint8_t> buffer(512, 0xAA);
    Rre rre{RRE_GET_VERSION, 0, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
    rreExecCommand(&rre);
    EXPECT_EQ(BigEndianAt(buffer, 0), 0u);
    EXPECT_EQ(BigEndianAt(buffer, 4), 0u);
    EXPECT_EQ(rre.ReplyLength, 76);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 8, buffer.begin() + 12),
              (std::vector<uint8_t>{1, 0, 0, 0}));
    for (size_t text : {12u, 44u}) {
        EXPECT_GT(strnlen(reinterpret_cast<const char*>(buffer.data() + text), 32), 0u) << text;
        EXPECT_LT(strnlen(reinterpret_cast<const char*>(buffer.data() + text), 32), 32u) << text;
    }
    EXPECT_EQ(std::count(buffer.begin() + 76, buffer.end(), 0xAA), 512 - 76)
        << "only the reply's bytes are written";

    buffer.assign(512, 0);
    Rre nonEmpty{RRE_GET_VERSION, 4, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
    rreExecCommand(&nonEmpty);
    EXPECT_EQ(BigEndianAt(buffer, 4), RRE_ERROR_WRONG_LENGTH);
}

TEST_P(ControllerCommandsTest, EnclosureListsHaveTheirFixedShapes) {
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].settings.enclosureCount = 2; });
    const Reply list = List(RRE_GET_DRIVE_ENCLOSURES, kHandleA);
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.replyLength, static_cast<int32_t>(16 + 2 * sizeof(CAPI_DRIVE_ENCLOSURE)));
    EXPECT_EQ(BigEndianAt(list.buffer, 8), static_cast<uint32_t>(FindControllerByClientId(kHandleA)));
    EXPECT_EQ(BigEndianAt(list.buffer, 12), 2u);
    const sim::Wwn second = sim::EnclosureWwn(Pair(), 1);
    EXPECT_EQ(std::memcmp(list.buffer.data() + 16 + sizeof(CAPI_DRIVE_ENCLOSURE) +
                              offsetof(CAPI_DRIVE_ENCLOSURE, enclosureWWN),
                          second.data(), second.size()),
              0);

    // The advanced records read at discovery: always all 16, those past the enclosures zero.
    const Reply advanced = Exec(RRE_GET_ADV_DRIVE_ENCLOSURE, 12, kHandleA, nullptr);
    ASSERT_EQ(advanced.status, 0);
    EXPECT_EQ(advanced.replyLength, 670352);
    EXPECT_EQ(Word(advanced.buffer, 12), EntryOf(kHandleA).enclosureCount);
    const size_t last = 16 + 15 * sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE);
    EXPECT_TRUE(std::all_of(advanced.buffer.begin() + last, advanced.buffer.begin() + 670352,
                            [](uint8_t b) { return b == 0; }));
}

TEST_P(ControllerCommandsTest, RefusalsOfUntrustedCallersAndShortRequests) {
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        uint32_t trusted;
        uint32_t answer;
    } cases[] = {
        // clang-format off
        {"advanced enclosures: fewer than 12 bytes", RRE_GET_ADV_DRIVE_ENCLOSURE, 8, 1, RRE_ERROR_WRONG_LENGTH},
        {"advanced enclosures: untrusted caller of an unauthenticated system", RRE_GET_ADV_DRIVE_ENCLOSURE, 12, 0,
         RRE_ERROR_NO_CONTROLLER},
        {"rescan: untrusted caller", RRE_RESCAN_ALL_BUS, 16, 0, RRE_ERROR_NO_CONTROLLER},
        {"status: untrusted caller", RRE_GET_CONTROLLER_STATUS, 20, 0, RRE_ERROR_NO_CONTROLLER},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Exec(c.code, c.length, kHandleA, nullptr, c.trusted);
        EXPECT_EQ(reply.status, -1);
        EXPECT_EQ(reply.code, c.answer);
    }
    EXPECT_TRUE(Pair().settings.rescannedChannels.empty());
}

TEST_P(ControllerCommandsTest, NetworkInterfaceSetsABoundedSystemNameAndTheAddresses) {
    const Reply reply = Exec(RRE_SET_ADV_NET_INTERFACE, 3988, kHandleB, [](auto& b) {
        PutWord(b, 12, 3);
        // unterminated
        std::memset(b.data() + 16 + offsetof(CAPI_ADVANCED_NETWORK_INTERFACE, systemName), 'n', 80);
        b[16 + offsetof(CAPI_ADVANCED_NETWORK_INTERFACE, dhcpEnable)] = 1;
        const uint8_t address[4] = {10, 0, 0, 9};
        std::memcpy(b.data() + 16 + offsetof(CAPI_ADVANCED_NETWORK_INTERFACE, netIf) +
                        offsetof(CAPI_NETWORK_INTERFACE, defaultIp),
                    address, sizeof address);
    });
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    const sim::StorageSystem pair = Pair();
    ASSERT_EQ(pair.settings.commonParams.size(), sizeof(CAPI_UNIFIED_COMMON_PARAMS));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pair.settings.commonParams.data() + 80)),
              std::string(79, 'n'));
    EXPECT_EQ(pair.settings.commonParams[504], 1);
    // B's own half (failoverId 0) carries its addresses.
    EXPECT_EQ(pair.controllers[1].settings.params[0], 10);
    EXPECT_EQ(pair.controllers[1].settings.params[3], 9);
    EXPECT_EQ(std::string(EntryOf(kHandleA).networkInterface.systemName), std::string(79, 'n'));
}

// A refused set of the enclosure feature flags is never answered 0 unless the controller shows the flags.
TEST_P(ControllerCommandsTest, EnclosureFeatureFlagsAnswerTheSetUnlessTheControllerHasThem) {
    auto setFlags = [&](uint32_t flags) {
        return Exec(RRE_SET_ENCLOSUREFEATUREFLAGS, 100, kHandleA, [&](auto& b) { PutWord(b, 16, flags); });
    };
    const size_t at = offsetof(CAPI_UNIFIED_COMMON_PARAMS, value2068);
    Reply reply = setFlags(0x11);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(WordOf(Pair().settings.commonParams, at), 0x11u);

    Fault(0, CAPI_COMMAND_U_SET_CONTROLLER_PARAMS, sim::FaultKind::ReturnCode, CAPI_ERROR_NOT_SUPPORTED);
    reply = setFlags(0x22);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
    EXPECT_EQ(WordOf(Pair().settings.commonParams, at), 0x11u);

    // Taken, then reported as failed: the re-read shows the flags, so the set counts as done.
    Fault(0, CAPI_COMMAND_U_SET_CONTROLLER_PARAMS, sim::FaultKind::ExecuteThenCode, CAPI_ERROR_NOT_SUPPORTED);
    reply = setFlags(0x33);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(WordOf(Pair().settings.commonParams, at), 0x33u);
}

// The partner check after the set: a partner whose path no longer answers becomes a placeholder of the
// controller.
TEST_P(ControllerCommandsTest, EnclosureFeatureFlagsTurnAPartnerWithADeadPathIntoAPlaceholder) {
    const int32_t b = FindControllerByClientId(kHandleB);
    ASSERT_GE(b, 0);
    ASSERT_EQ(g_ControllerDb[static_cast<uint32_t>(b)].isPartner, 0);
    Fault(1, CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER, sim::FaultKind::ReturnCode, CAPI_ERROR_NOT_SUPPORTED);
    const Reply reply =
        Exec(RRE_SET_ENCLOSUREFEATUREFLAGS, 100, kHandleA, [](auto& buffer) { PutWord(buffer, 16, 0x44); });
    EXPECT_EQ(reply.code, 0u);
    const RAID_CONTROLLER& partner = g_ControllerDb[static_cast<uint32_t>(b)];
    EXPECT_EQ(partner.isPartner, 1);
    EXPECT_EQ(partner.controllerHandle, EntryOf(kHandleA).controllerHandle);
}

}  // namespace
