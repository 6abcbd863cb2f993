// The scripted transport that the CAPI tests stand on: what an exchange leaves in the I/O block for each
// kind of step, and the split of a large reply into parts.
#include "tests/support/fake_transport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi_wire/capi_packet_header.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "tests/support/fake_controller_table.h"

namespace {

using testsupport::FakeControllerTable;
using testsupport::FakeTransport;
using testsupport::ReplyPacket;

std::vector<CAPI_PACKET_HEADER> g_Delivered;

int RecordDelivery(LMX_IOB* iob) {
    CAPI_PACKET_HEADER header;
    std::memcpy(&header, iob->pReceiveBuffer, sizeof(header));
    g_Delivered.push_back(header);
    return 0;
}

class FakeTransportExchange : public ::testing::Test {
  protected:
    FakeTransportExchange() : fake(1) {
        g_Delivered.clear();
        CAPI_Initialize();
        uint8_t done = 0;
        CAPI_HANDLE handle = 0;
        CAPI_FindNextController(1, &done, &handle, &table.context(0), table.sendBuffer(0),
                                table.eventBuffer(0));
        iob().callback = &RecordDelivery;
        iob().pReceiveBuffer = table.context(0).pCapiBuffer;
        iob().maxRecLength = CAPI_RECEIVE_GENERAL_BUFFER_SIZE;
    }
    LMX_IOB& iob() { return table.context(0).lmxIob; }

    // Sends a request with the command and part index through the slot.
    void Send(uint32_t commandCode, uint16_t partIndex = 0) {
        CAPI_PACKET_HEADER request{};
        request.commandCode = commandCode;
        request.partIndex = partIndex;
        request.param2 = 77;
        request.packetLength = sizeof(request);
        std::memcpy(table.context(0).pCapiBuffer, &request, sizeof(request));
        iob().pSendBuffer = table.context(0).pCapiBuffer;
        iob().sendLength = sizeof(request);
        iob().errorCode = -1;
        iob().pLmxOps->sendAndReceive(&iob());
    }

    FakeControllerTable table;
    FakeTransport fake;
};

TEST_F(FakeTransportExchange, EachStepLeavesTheIoBlockAsTheInBandTransportWould) {
    ReplyPacket reply;
    reply.commandCode = 2004;
    reply.errorCode = 26;
    reply.payload.assign(12, 0xAB);
    fake.Reply(reply);
    fake.Silence();
    fake.Abandon();
    fake.AlreadyActive();

    Send(1004);
    EXPECT_EQ(iob().status, LMX_STATUS_REPLY_RECEIVED);
    EXPECT_EQ(iob().errorCode, 26);
    EXPECT_EQ(iob().recLength, 92u);
    EXPECT_EQ(iob().needRescan, 0);
    ASSERT_EQ(g_Delivered.size(), 1u);
    EXPECT_EQ(uint32_t{g_Delivered[0].commandCode}, 2004u);

    const struct {
        uint32_t status;
        size_t deliveries;
        int32_t errorCode;
    } after[] = {{LMX_STATUS_COMMUNICATION_ERROR, 1, -1},
                 {LMX_STATUS_READ_ABANDONED, 1, -1},
                 {LMX_STATUS_REPLY_RECEIVED, 2, 1},
                 {LMX_STATUS_COMMUNICATION_ERROR, 2, -1}};  // script used up: silence
    for (const auto& expected : after) {
        Send(1004);
        EXPECT_EQ(iob().status, expected.status);
        EXPECT_EQ(g_Delivered.size(), expected.deliveries);
        EXPECT_EQ(iob().errorCode, expected.errorCode);
        EXPECT_EQ(iob().needRescan, expected.status == LMX_STATUS_REPLY_RECEIVED ? 0 : 1);
    }
    EXPECT_EQ(uint32_t{g_Delivered[1].commandCode}, 409u);

    ASSERT_EQ(fake.sent().size(), 5u);
    EXPECT_EQ(fake.sent()[0].commandCode, 1004u);
    EXPECT_EQ(fake.sent()[0].param[1], 77u);
    EXPECT_EQ(fake.sent()[0].context, &table.context(0));
    EXPECT_EQ(fake.sent()[0].bytes.size(), sizeof(CAPI_PACKET_HEADER));
}

TEST_F(FakeTransportExchange, ALargeReplyIsHandedOutPartByPart) {
    std::vector<uint8_t> payload(2 * FakeTransport::kPartSize + 10);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(i / FakeTransport::kPartSize + 1);
    ReplyPacket first;
    first.commandCode = 2201;
    first.param[0] = 5;
    fake.MultiPart(first, payload);

    Send(1201);
    Send(1380, 1);
    Send(1380, 2);
    Send(1380, 3);  // no such part
    ASSERT_EQ(g_Delivered.size(), 3u);
    const uint32_t codes[] = {2201, 2380, 2380};
    const uint32_t lengths[] = {80 + FakeTransport::kPartSize, 80 + FakeTransport::kPartSize, 80 + 10};
    for (uint16_t k = 0; k < 3; ++k) {
        const CAPI_PACKET_HEADER& part = g_Delivered[k];
        EXPECT_EQ(uint32_t{part.commandCode}, codes[k]);
        EXPECT_EQ(uint16_t{part.partCount}, 3);
        EXPECT_EQ(uint16_t{part.partIndex}, k);
        EXPECT_EQ(uint32_t{part.param5}, 1u);
        EXPECT_EQ(uint32_t{part.param1}, 5u);
        EXPECT_EQ(uint32_t{part.packetLength}, lengths[k]);
    }
    EXPECT_EQ(table.context(0).pCapiBuffer[80], 3) << "the last part carries the payload's tail";
    EXPECT_EQ(iob().status, LMX_STATUS_COMMUNICATION_ERROR);
}

TEST_F(FakeTransportExchange, RawBytesAreDeliveredAsTheyAreAndCutToTheReceiveBuffer) {
    fake.RawReply({0x01, 0x02, 0x03});
    Send(1004);
    EXPECT_EQ(iob().status, LMX_STATUS_REPLY_RECEIVED);
    EXPECT_EQ(iob().recLength, 3u);
    EXPECT_EQ(iob().errorCode, 0);

    fake.RawReply(std::vector<uint8_t>(CAPI_RECEIVE_GENERAL_BUFFER_SIZE + 100, 0x11));
    iob().maxRecLength = 100;
    Send(1004);
    EXPECT_EQ(iob().recLength, 100u);
    EXPECT_EQ(table.context(0).pCapiBuffer[100], 0);
}

}  // namespace
