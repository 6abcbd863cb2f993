#include "corlink/executor/ips_bridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi_wire/capi_packet_header.h"
#include "corlink/executor/executor_state.h"
#include "corlink/foundation/nt_os.h"
#include "platform/kernel/sync.h"
#include "tests/support/fake_controller_table.h"
#include "tests/support/fake_transport.h"

namespace {

class IpsBridgeTest : public ::testing::Test {
  protected:
    IpsBridgeTest() : fake(1) {
        g_StateChangeMutex = os_CreateMutex(nullptr);
        CAPI_Initialize();
        uint8_t done = 0;
        CAPI_HANDLE handle = 0;
        CAPI_FindNextController(1, &done, &handle, &table.context(0), table.sendBuffer(0),
                                table.eventBuffer(0));
    }
    ~IpsBridgeTest() override {
        os_CloseMutex(g_StateChangeMutex);
        g_StateChangeMutex = nullptr;
    }
    // A raw packet of this code with this include.
    static std::vector<uint8_t> Packet(uint32_t code, std::vector<uint8_t> payload = {}) {
        testsupport::ReplyPacket packet;
        packet.commandCode = code;
        packet.payload = std::move(payload);
        return testsupport::BuildReplyPacket(packet);
    }
    static uint32_t Pass(const std::vector<uint8_t>& packet, std::vector<uint8_t>& reply) {
        return RreIpsPassThrough(packet.data(), static_cast<uint32_t>(packet.size()), reply.data(),
                                 static_cast<uint32_t>(reply.size()));
    }
    testsupport::FakeControllerTable table;
    testsupport::FakeTransport fake;
};

TEST_F(IpsBridgeTest, AClientPacketGoesToTheFirstControllerAndItsRawReplyComesBack) {
    const std::vector<uint8_t> packet = Packet(1001);
    const std::vector<uint8_t> raw = Packet(2001, {9, 8, 7});
    fake.RawReply(raw);

    std::vector<uint8_t> reply(1000, 0xEE);
    EXPECT_EQ(Pass(packet, reply), raw.size());
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), reply.begin()));
    ASSERT_EQ(fake.sent().size(), 1u);
    EXPECT_EQ(fake.sent()[0].bytes, packet);  // the client's packet, sent as it is
    EXPECT_EQ(fake.sent()[0].context, &table.context(0));
    EXPECT_EQ(g_PassThrough.request, nullptr);

    std::atomic<DWORD> wait{WAIT_FAILED};
    std::thread([&] {
        wait = WaitForSingleObject(g_StateChangeMutex, 0);
        if (wait == WAIT_OBJECT_0) ReleaseMutex(g_StateChangeMutex);
    }).join();
    EXPECT_EQ(wait.load(), WAIT_OBJECT_0);  // released after the pass
}

// The client gets nothing of a reply whose header lacks the signature, though it claims a length that fits.
TEST_F(IpsBridgeTest, AReplyWithADamagedHeaderGivesTheClientNothing) {
    std::vector<uint8_t> damaged = Packet(2001, {9, 8, 7});
    damaged[offsetof(CAPI_PACKET_HEADER, signature)] ^= 0xFF;
    fake.RawReply(damaged);

    std::vector<uint8_t> reply(1000, 0xEE);
    EXPECT_EQ(Pass(Packet(1001), reply), 0u);
    EXPECT_EQ(reply, std::vector<uint8_t>(1000, 0xEE));
}

TEST_F(IpsBridgeTest, RepliesLargerThanTheCallersBufferAndOversizedRequestsGiveNothing) {
    testsupport::ReplyPacket answer;
    answer.commandCode = 2001;
    answer.payload.assign(500, 1);
    fake.Reply(answer);
    std::vector<uint8_t> small(100, 0xEE);
    EXPECT_EQ(Pass(Packet(1001), small), 0u);
    EXPECT_EQ(small, std::vector<uint8_t>(100, 0xEE));

    std::vector<uint8_t> huge(CAPI_PASS_THROUGH_BUFFER_SIZE + 1, 0);
    EXPECT_EQ(RreIpsPassThrough(huge.data(), static_cast<uint32_t>(huge.size()), small.data(), 100), 0u);
    EXPECT_EQ(fake.sent().size(), 1u);
}

}  // namespace
