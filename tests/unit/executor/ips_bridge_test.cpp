#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/passthrough.h"
#include "corlink/executor/executor_state.h"
#include "corlink/executor/ips_bridge.h"
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
        CAPI_FindNextController(1, &done, &handle, &table.context(0), table.sendBuffer(0), table.eventBuffer(0));
    }
    ~IpsBridgeTest() override {
        os_CloseMutex(g_StateChangeMutex);
        g_StateChangeMutex = nullptr;
    }
    testsupport::FakeControllerTable table;
    testsupport::FakeTransport fake;
};

TEST_F(IpsBridgeTest, AClientPacketGoesToTheFirstControllerAndItsRawReplyComesBack) {
    testsupport::ReplyPacket request;
    request.commandCode = 1001;
    std::vector<uint8_t> packet = testsupport::BuildReplyPacket(request);
    testsupport::ReplyPacket answer;
    answer.commandCode = 2001;
    answer.payload = {9, 8, 7};
    std::vector<uint8_t> raw = testsupport::BuildReplyPacket(answer);
    fake.RawReply(raw);

    std::vector<uint8_t> reply(1000, 0xEE);
    EXPECT_EQ(RreIpsPassThrough(packet.data(), static_cast<uint32_t>(packet.size()), reply.data(),
                                static_cast<uint32_t>(reply.size())),
              raw.size());
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

TEST_F(IpsBridgeTest, RepliesLargerThanTheCallersBufferAndOversizedRequestsGiveNothing) {
    testsupport::ReplyPacket request;
    request.commandCode = 1001;
    std::vector<uint8_t> packet = testsupport::BuildReplyPacket(request);
    testsupport::ReplyPacket answer;
    answer.commandCode = 2001;
    answer.payload.assign(500, 1);
    fake.Reply(answer);
    std::vector<uint8_t> small(100, 0xEE);
    EXPECT_EQ(RreIpsPassThrough(packet.data(), static_cast<uint32_t>(packet.size()), small.data(), 100), 0u);
    EXPECT_EQ(small, std::vector<uint8_t>(100, 0xEE));

    std::vector<uint8_t> huge(CAPI_PASS_THROUGH_BUFFER_SIZE + 1, 0);
    EXPECT_EQ(RreIpsPassThrough(huge.data(), static_cast<uint32_t>(huge.size()), small.data(), 100), 0u);
    EXPECT_EQ(fake.sent().size(), 1u);
}

}  // namespace
