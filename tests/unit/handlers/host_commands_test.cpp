// The host commands against the default fabric (the host reaches controller A through port
// 2100001B32000001 and B through 2101001B32000001): the controller's lists, nicknames, and this host's
// adapter ports as discovery found them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/database/controller_db.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/sas_addresses.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

constexpr sim::Wwn kHostPortA{0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01};
constexpr sim::Wwn kHostPortB{0x21, 0x01, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01};
constexpr size_t kNicknameInEntry = 48;

using Fill = std::function<void(std::vector<uint8_t>&)>;

void NameHostPortA(std::vector<uint8_t>& b, size_t identityAt) {
    b[identityAt] = 16;
    std::memcpy(b.data() + identityAt + offsetof(CAPI_FLEX_ID, FCPortWWN), kHostPortA.data(), 8);
}

bool AllZero(const std::vector<uint8_t>& b, size_t from, size_t size) {
    return std::all_of(b.begin() + from, b.begin() + from + size, [](uint8_t x) { return x == 0; });
}

class HostCommandsTest : public ProxyCommandTest {
  protected:
    static Reply AddNickname(uint32_t id, const char* nickname) {
        return Exec(RRE_ADD_HOST_NICK_NAME, 304, id, [&](std::vector<uint8_t>& b) {
            NameHostPortA(b, 16);
            std::memcpy(b.data() + 64, nickname, std::strlen(nickname));
            std::memset(b.data() + 80, 'Z', 224);
        });
    }
    std::vector<sim::JournalEntry> Sent(uint32_t command) const {
        std::vector<sim::JournalEntry> sent;
        for (const sim::JournalEntry& e : fabric_->journal().Entries()) {
            if (e.commandCode == command) sent.push_back(e);
        }
        return sent;
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, HostCommandsTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

// Each list answers what the addressed controller sent; when its command gets no reply, the reply carries
// the failure and nothing that another controller sent before.
TEST_P(HostCommandsTest, ListsAreTheControllersOwnAndAFailedCommandAnswersNoOtherControllersList) {
    ASSERT_EQ(AddNickname(kHandleA, "db-host").code, 0u);
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        uint32_t command;
        size_t at;
        size_t size;
        Fill fill;
    } cases[] = {
        // clang-format off
        {"GET_HOST_VIEW", RRE_GET_HOST_VIEW, 64824, CAPI_COMMAND_U_GET_HOST_VIEW, 296, sizeof(CAPI_HOST_VIEW_TABLE),
         [](std::vector<uint8_t>& b) { NameHostPortA(b, 24); }},
        {"GET_HOST_NICK_NAMES", RRE_GET_HOST_NICK_NAMES, 26964, CAPI_COMMAND_U_GET_HOST_NICKNAMES, 16,
         sizeof(CAPI_HOST_NICKNAME_LIST), nullptr},
        {"GET_KNOWN_HOSTS", RRE_GET_KNOWN_HOSTS, 12596, CAPI_COMMAND_U_GET_KNOWN_HOSTS, 16, sizeof(CAPI_KNOWN_HOST_LIST),
         nullptr},
        {"GET_FLEX_KNOWN_HOSTS", RRE_GET_FLEX_KNOWN_HOSTS, 63576, CAPI_COMMAND_U_GET_FLEX_HOST_LIST, 16,
         sizeof(CAPI_FLEX_HOST_LIST), nullptr},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply fromA = Exec(c.code, c.length, kHandleA, c.fill);
        EXPECT_EQ(fromA.status, 0);
        EXPECT_EQ(fromA.code, 0u);
        EXPECT_EQ(fromA.replyLength, static_cast<int32_t>(c.length));
        EXPECT_FALSE(AllZero(fromA.buffer, c.at, c.size));
        fabric_->InjectFault(0, 1, {sim::FaultKind::NoReply, c.command, 0, 3});
        const Reply fromB = Exec(c.code, c.length, kHandleB, c.fill);
        EXPECT_EQ(fromB.status, 0);
        EXPECT_NE(fromB.code, 0u);
        EXPECT_TRUE(AllZero(fromB.buffer, c.at, c.size));
    }
}

TEST_P(HostCommandsTest, KnownHostsAreTheFirst64WithTheirCount) {
    Reply reply = Exec(RRE_GET_KNOWN_HOSTS, 12596, kHandleA, nullptr);
    ASSERT_EQ(reply.status, 0);
    EXPECT_EQ(Word(reply.buffer, 16), 2u);
    CAPI_KNOWN_HOST_LIST list;
    std::memcpy(&list, reply.buffer.data() + 16, sizeof list);
    EXPECT_EQ(std::memcmp(list.hosts[0].flexId.FCPortWWN, kHostPortA.data(), 8), 0);
    EXPECT_EQ(std::memcmp(list.hosts[1].flexId.FCPortWWN, kHostPortB.data(), 8), 0);

    fabric_->Edit([](sim::FabricModel& model) {
        for (uint8_t i = 0; i < 70; ++i)
            model.systems[0].knownHosts.push_back({sim::HostPortId::Fc({0x10, 0, 0, 0, 0, 0, 0, i})});
    });
    reply = Exec(RRE_GET_KNOWN_HOSTS, 12596, kHandleA, nullptr);
    EXPECT_EQ(Word(reply.buffer, 16), 64u) << "72 known, 64 in the reply";
    std::memcpy(&list, reply.buffer.data() + 16, sizeof list);
    EXPECT_EQ(list.hosts[63].flexId.FCPortWWN[7], 61);
}

// The nickname travels in the 80 bytes from its place: 16 bytes of name and the first 64 of the
// initiator-name field.
TEST_P(HostCommandsTest, NicknameIsSentInItsEightyByteBlockAndListed) {
    fabric_->journal().Clear();
    const Reply added = AddNickname(kHandleB, "db-host");
    EXPECT_EQ(added.status, 0);
    EXPECT_EQ(added.code, 0u);
    EXPECT_EQ(added.replyLength, 304);
    const std::vector<sim::JournalEntry> sent = Sent(CAPI_COMMAND_U_ADD_HOST_NICKNAME);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent[0].include.data())), "db-host");
    EXPECT_EQ(std::string(sent[0].include.begin() + 16, sent[0].include.begin() + 80), std::string(64, 'Z'));
    EXPECT_EQ(sent[0].include[80], 16) << "the identity follows the block";

    const Reply names = Exec(RRE_GET_HOST_NICK_NAMES, 26964, kHandleA, nullptr);
    ASSERT_EQ(names.status, 0);
    EXPECT_EQ(Word(names.buffer, 16), 1u);
    EXPECT_EQ(TextAt(names.buffer, 20 + kNicknameInEntry, 16), "db-host");
    const Reply flex = Exec(RRE_GET_FLEX_KNOWN_HOSTS, 63576, kHandleA, nullptr);
    CAPI_FLEX_HOST_LIST hosts;
    std::memcpy(&hosts, flex.buffer.data() + 16, sizeof hosts);
    EXPECT_EQ(hosts.value0, 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&hosts.hosts[0].knownHost) + kNicknameInEntry),
              "db-host");
}

TEST_P(HostCommandsTest, NicknameIsRefusedWhileChangesAreRefusedAndListsStillRun) {
    const int32_t a = FindControllerByClientId(kHandleA);
    ASSERT_GE(a, 0);
    for (auto& half : g_ControllerDb[static_cast<uint32_t>(a)].unifiedController.controllers) {
        reinterpret_cast<uint8_t*>(&half)[321] = 1;
    }
    fabric_->journal().Clear();
    const Reply refused = AddNickname(kHandleA, "x");
    EXPECT_EQ(refused.status, -1);
    EXPECT_EQ(refused.code, RRE_ERROR_CHANGE_REFUSED);
    EXPECT_EQ(refused.replyLength, 8);
    EXPECT_TRUE(Sent(CAPI_COMMAND_U_ADD_HOST_NICKNAME).empty());
    EXPECT_EQ(Exec(RRE_GET_HOST_NICK_NAMES, 26964, kHandleA, nullptr).status, 0);
}

TEST_P(HostCommandsTest, WwpnListIsTheDiscoveredPortsThenTheSupplementalOnesUpTo32) {
    Reply reply = Exec(RRE_GET_CONNECT_HBA_WWPN_LIST, 276, kHandleB, nullptr);
    ASSERT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.replyLength, 276);
    ASSERT_EQ(Word(reply.buffer, 12), 2u) << "the host ports of both management LUNs";
    EXPECT_EQ(std::memcmp(reply.buffer.data() + 16, kHostPortA.data(), 8), 0);
    EXPECT_EQ(std::memcmp(reply.buffer.data() + 24, kHostPortB.data(), 8), 0);

    auto address = [](uint8_t n) { return std::vector<uint8_t>{0x50, 0, 0, 0, 0, 0, 0, n}; };
    const struct {
        const char* name;
        uint8_t hosts;
        std::vector<uint8_t> supplemental;
        std::vector<uint8_t> expected;  // the last byte of each address in the reply
    } cases[] = {
        // clang-format off
        {"30 host addresses and 5 new ones: 32", 30, {100, 101, 102, 103, 104}, {}},
        {"one equal to a host address is not repeated", 2, {1, 100}, {0, 1, 100}},
        {"supplemental addresses are not compared with each other", 1, {100, 100}, {0, 100, 100}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_HostSasAddresses = {};
        for (uint8_t i = 0; i < c.hosts; ++i) AddHostSasAddress(address(i).data());
        g_SupplementalSasAddresses = {};
        for (uint8_t n : c.supplemental) {
            std::memcpy(g_SupplementalSasAddresses.addresses[g_SupplementalSasAddresses.count++],
                        address(n).data(), 8);
        }
        reply = Exec(RRE_GET_CONNECT_HBA_WWPN_LIST, 276, kHandleA, nullptr);
        const uint32_t count = Word(reply.buffer, 12);
        std::vector<uint8_t> listed;
        for (uint32_t i = 0; i < count && i < 32; ++i) listed.push_back(reply.buffer[16 + 8 * i + 7]);
        if (c.expected.empty()) {
            EXPECT_EQ(count, 32u);
            EXPECT_EQ(listed[30], 100);
            EXPECT_EQ(listed[31], 101);
        } else {
            EXPECT_EQ(listed, c.expected);
        }
    }
}

TEST_P(HostCommandsTest, HbaInfoListNeedsNoController) {
    const Reply any = Exec(RRE_GET_CONNECT_HBA_INFO_LIST, 58128, 0, nullptr, 0);
    ASSERT_EQ(any.status, 0);
    EXPECT_EQ(any.code, 0u);
    EXPECT_EQ(any.replyLength, 58128);
    ASSERT_EQ(Word(any.buffer, 8), 2u);
    HBA_INFO first;
    std::memcpy(&first, any.buffer.data() + 12, sizeof first);
    EXPECT_EQ(std::memcmp(first.hbaWwpn, kHostPortA.data(), 8), 0);
    EXPECT_EQ(first.numControllerPorts, 1);

    const Reply shortRequest = Exec(RRE_GET_CONNECT_HBA_INFO_LIST, 58127, 0, nullptr, 0);
    EXPECT_EQ(shortRequest.status, -1);
    EXPECT_EQ(shortRequest.code, RRE_ERROR_WRONG_LENGTH);
}

}  // namespace
