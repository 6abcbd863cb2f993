// The reply path over the scripted transport: multi-part replies (and chains that break the rules),
// refused replies, sequence numbers, chunked transfers and the raw pass-through.
#include "corlink/capi/reply_path.h"

#include <algorithm>
#include <numeric>

#include "corlink/capi/capi_status_codes.h"
#include "corlink/capi/chunked_transfer.h"
#include "corlink/capi/compression_state.h"
#include "corlink/capi/passthrough.h"
#include "corlink/capi_wire/capi_packet_header.h"
#include "tests/unit/capi/library_fixture.h"

namespace {

using testsupport::ReplyPacket;

class ReplyPathTest : public CapiLibraryTest {
  protected:
    static ReplyPacket Part(uint32_t code, uint16_t count, uint16_t index, uint8_t fill) {
        ReplyPacket r = Reply(code);
        r.param[4] = 1;
        r.partCount = count;
        r.partIndex = index;
        r.payload.assign(0x40000, fill);
        return r;
    }
};

TEST_F(ReplyPathTest, AThreePartReplyReachesTheCallbackOnceWholeAndInOrder) {
    std::vector<uint8_t> payload(3 * 0x40000);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i / 0x40000 + 1 + i % 7);
    ReplyPacket first = Reply(2029);
    first.param[0] = 11;
    first.param[1] = 22;
    fake.MultiPart(first, payload);
    s_payloadBytesToKeep = payload.size();
    EXPECT_EQ(Send(1029), 0);

    ASSERT_EQ(fake.sent().size(), 3u);
    for (uint16_t k = 1; k < 3; ++k) {
        EXPECT_EQ(fake.sent()[k].commandCode, 1380u);
        EXPECT_EQ(fake.sent()[k].partIndex, k);
        EXPECT_EQ(fake.sent()[k].partCount, 3);
    }
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].replyCode, 2029u);
    EXPECT_EQ(deliveries[0].param[0], 11u);
    EXPECT_EQ(deliveries[0].param[1], 22u);
    EXPECT_EQ(deliveries[0].payload, payload);
}

TEST_F(ReplyPathTest, APayloadIsFollowedByZerosSoTrustedCountsCannotReadPastIt) {
    std::vector<uint8_t> big(3 * 0x40000, 0xAB);
    fake.MultiPart(Reply(2029), big);
    EXPECT_EQ(Send(1029), 0);
    ReplyPacket small = Reply(2001);
    small.payload = {1, 2, 3, 4};
    fake.Reply(small);
    EXPECT_EQ(Send(1001), 0);
    ASSERT_FALSE(deliveries.empty());
    const auto* payload = static_cast<const uint8_t*>(deliveries.back().payloadPointer);
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(payload[3], 4);
    const size_t end = size_t{CAPI_MAX_REPLY_PARTS} * CAPI_REPLY_PART_SIZE;
    EXPECT_TRUE(std::all_of(payload + 4, payload + end, [](uint8_t b) { return b == 0; }));
}

struct BrokenChain {
    const char* name;
    std::vector<ReplyPacket> replies;  // the first answers the command, the others the next-part requests
};

TEST_F(ReplyPathTest, BrokenChainsFailCleanly) {
    const BrokenChain cases[] = {
        // clang-format off
        {"41 parts", {Part(2029, 41, 0, 1)}},
        {"a repeated part 0", {Part(2029, 3, 0, 1), Part(2380, 3, 0, 2)}},
        {"a skipped index", {Part(2029, 3, 0, 1), Part(2380, 3, 2, 3)}},
        {"another part count", {Part(2029, 3, 0, 1), Part(2380, 4, 1, 2)}},
        {"a first part that claims to be the last", {Part(2029, 3, 2, 1)}},
        {"a next part without a chain", {Part(2380, 3, 1, 1)}},
        // Each new first part would ask for part 1 again, nesting without end.
        {"a new first part in place of the next", {Part(2029, 3, 0, 1), Part(2029, 3, 0, 2)}},
        // clang-format on
    };
    for (const BrokenChain& c : cases) {
        SCOPED_TRACE(c.name);
        deliveries.clear();
        const size_t before = fake.sent().size();
        for (const ReplyPacket& r : c.replies) fake.Reply(r);
        EXPECT_EQ(Send(1029), CAPI_STATUS_COMMUNICATION_ERROR);
        EXPECT_EQ(fake.sent().size() - before, c.replies.size());
        ASSERT_FALSE(deliveries.empty());
        for (const Delivery& d : deliveries) EXPECT_EQ(d.replyCode, 343u);  // never the reassembled reply
    }
}

// Controllers that answer every request alike, over and over: however the send path retries, a chain
// never starts inside another, so the exchanges nest no deeper than one chain.
struct RepeatedAnswers {
    const char* name;
    std::vector<ReplyPacket> replies;  // answered in turn, a hundred times over
};
void PrintTo(const RepeatedAnswers& answers, std::ostream* out) { *out << answers.name; }

class RepeatedFirstPartsTest : public ReplyPathTest, public ::testing::WithParamInterface<RepeatedAnswers> {
  public:
    static ReplyPacket SmallPart(uint32_t code, uint16_t count, uint16_t index, int32_t returnCode) {
        ReplyPacket r = Part(code, count, index, 1);
        r.errorCode = returnCode;
        r.payload.resize(16);
        return r;
    }
};

TEST_P(RepeatedFirstPartsTest, NeverNestChainsInsideEachOther) {
    for (int round = 0; round < 100; ++round) {
        for (const ReplyPacket& r : GetParam().replies) fake.Reply(r);
    }
    EXPECT_NE(Send(1029), 0);
    EXPECT_LE(fake.maxNesting(), GetParam().replies[0].partCount);
    // A refused reply is no "already active" to back off on: each request gets at most its three tries.
    EXPECT_LE(fake.sent().size(), 3u * GetParam().replies[0].partCount);
}

INSTANTIATE_TEST_SUITE_P(
    Controllers, RepeatedFirstPartsTest,
    ::testing::Values(
        // Each refused part says "already active": the send path backs off and asks for the part again.
        RepeatedAnswers{"AlreadyActive", {RepeatedFirstPartsTest::SmallPart(409, 3, 0, 0)}},
        // The last part fails with a retriable code: the send path asks for it again and gets a first part.
        RepeatedAnswers{"RetriedLastPart",
                        {RepeatedFirstPartsTest::SmallPart(2029, 2, 0, 0),
                         RepeatedFirstPartsTest::SmallPart(2380, 2, 1, -1)}}),
    [](const ::testing::TestParamInfo<RepeatedAnswers>& answers) { return std::string(answers.param.name); });

TEST_F(ReplyPathTest, AChainBrokenBySilenceLeavesTheNextReplyWhole) {
    fake.Reply(Part(2029, 3, 0, 1));
    for (int i = 0; i < 3; ++i) fake.Silence();  // the request for part 1 and its retries
    std::vector<uint8_t> payload(2 * 0x40000, 9);
    fake.MultiPart(Reply(2029), payload);  // the command's own retry
    s_payloadBytesToKeep = payload.size();
    EXPECT_EQ(Send(1029), 0);
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].replyCode, 2029u);
    EXPECT_EQ(deliveries[0].payload, payload);
}

TEST_F(ReplyPathTest, VersionMismatchIsReportedWithoutStoringAnything) {
    ReplyPacket r = Reply(2001);
    r.versionMajor = 2;
    r.versionMinor = 7;
    r.configSequenceNumber = 99;
    fake.Reply(r);
    EXPECT_EQ(Send(1001), CAPI_STATUS_COMMUNICATION_ERROR);  // not the success its return code 0 would say
    EXPECT_EQ(fake.sent().size(), 1u);
    ASSERT_EQ(deliveries.size(), 1u);
    const Delivery& d = deliveries[0];
    EXPECT_EQ(d.replyCode, 300u);
    EXPECT_EQ(d.returnCode, 1);
    EXPECT_EQ(d.address.controllerHandle, kFirst);
    EXPECT_EQ(d.address.arrayIndex, 0xFFFFFFFFu);
    EXPECT_EQ(d.param[0], 2u);
    EXPECT_EQ(d.param[1], 7u);
    EXPECT_EQ(d.payloadPointer, nullptr);
    EXPECT_EQ(table.context(0).configSequenceNumber, 0u);
}

TEST_F(ReplyPathTest, RepliesThatCannotBeTakenApartAreCommunicationErrors) {
    std::vector<uint8_t> longer = testsupport::BuildReplyPacket(Reply(2001));
    uint32_t claimed = CAPI_RECEIVE_GENERAL_BUFFER_SIZE + 1;  // more than the receive buffer holds
    std::memcpy(longer.data() + 60, &claimed, sizeof claimed);
    fake.RawReply(longer);
    EXPECT_EQ(Send(1001), CAPI_STATUS_COMMUNICATION_ERROR);
    fake.RawReply(std::vector<uint8_t>(40, 0));  // not even a header
    EXPECT_EQ(Send(1001), CAPI_STATUS_COMMUNICATION_ERROR);
    std::vector<uint8_t> damaged = testsupport::BuildReplyPacket(Reply(2001));
    std::memset(damaged.data() + offsetof(CAPI_PACKET_HEADER, signature), 0, 4);  // a damaged header
    fake.RawReply(damaged);
    EXPECT_EQ(Send(1001), CAPI_STATUS_COMMUNICATION_ERROR);

    ReplyPacket compressed = Reply(2001);
    compressed.includeType = 57;
    compressed.payload = {0x01, 0x69};  // ends in a lone escape byte
    std::vector<uint8_t> bytes = testsupport::BuildReplyPacket(compressed);
    bytes[5] = 1;  // includeCompressed
    const size_t delivered = deliveries.size();
    fake.RawReply(bytes);  // compressed, with no buffer to decode into: dropped
    EXPECT_EQ(Send(1001), CAPI_STATUS_COMMUNICATION_ERROR);
    EXPECT_EQ(deliveries.size(), delivered);

    std::vector<uint8_t> compressionBuffer(CAPI_RECEIVE_GENERAL_BUFFER_SIZE);
    CAPI_SetCompressionBuffer(compressionBuffer.data());
    fake.RawReply(bytes);
    EXPECT_EQ(Send(1001), CAPI_STATUS_COMMUNICATION_ERROR);
    CAPI_SetCompressionBuffer(nullptr);
    for (const Delivery& d : deliveries) EXPECT_EQ(d.replyCode, 343u);
}

TEST_F(ReplyPathTest, SequenceNumbersAndLinkTypeAreKept) {
    ReplyPacket arrays = Reply(374);
    arrays.configSequenceNumber = 327683;
    fake.Reply(arrays);
    Send(74);
    EXPECT_EQ(table.context(0).arrayListConfigSequenceNumber, 327683u);
    EXPECT_EQ(table.context(0).configSequenceNumber, 0u);

    ReplyPacket controller = Reply(311);
    controller.configSequenceNumber = 5;
    controller.includeType = 2;
    controller.payload.assign(23656, 0);
    fake.Reply(controller);
    s_payloadBytesToKeep = 23656;
    Send(11);
    EXPECT_EQ(table.context(0).configSequenceNumber, 5u);
    ASSERT_EQ(deliveries.back().payload.size(), 23656u);
    EXPECT_EQ(deliveries.back().payload[21612], LMX_LINK_TYPE_SCSI);

    controller.errorCode = 3;
    controller.configSequenceNumber = 6;
    fake.Reply(controller);
    Send(11);
    EXPECT_EQ(table.context(0).configSequenceNumber, 6u);
    EXPECT_EQ(deliveries.back().payload[21612], 0);
}

TEST_F(ReplyPathTest, ChunkedWriteBufferSendsEveryChunkAndFlagsTheLast) {
    struct Case {
        uint32_t size;
        std::vector<uint32_t> chunks;
    } cases[] = {{150000, {65536, 65536, 18928}}, {131072, {65536, 65536}}, {1000, {1000}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        deliveries.clear();
        const size_t before = fake.sent().size();
        std::vector<uint8_t> image(c.size, 0x5A);
        for (size_t i = 0; i < c.chunks.size(); ++i) fake.Reply(Reply(410));
        EXPECT_EQ(CAPI_WriteBuffer(kFirst, image.data(), c.size, 0), 0);
        ASSERT_EQ(fake.sent().size() - before, c.chunks.size());
        uint32_t offset = 0;
        for (size_t i = 0; i < c.chunks.size(); ++i) {
            const testsupport::SentPacket& p = fake.sent()[before + i];
            EXPECT_EQ(p.commandCode, 104u);
            EXPECT_EQ(p.includeType, 40u);
            EXPECT_EQ(p.param[0], c.chunks[i]);
            EXPECT_EQ(p.param[1], offset);
            EXPECT_EQ(p.param[2], i + 1 == c.chunks.size() ? 1u : 0u);
            offset += c.chunks[i];
        }
        EXPECT_EQ(deliveries.size(), 1u);
    }
}

TEST_F(ReplyPathTest, ARefusedChunkEndsTheTransfer) {
    std::vector<uint8_t> image(200000, 1);
    fake.Reply(Reply(356));
    fake.Reply(Reply(356, 7));
    EXPECT_EQ(CAPI_UpdateControllerFirmware(kFirst, image.data(), static_cast<uint32_t>(image.size())), 7);
    ASSERT_EQ(fake.sent().size(), 2u);
    EXPECT_EQ(fake.sent()[1].param[1], 1u);  // chunk number
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].returnCode, 7);
    // A later acknowledgement of the same kind starts nothing.
    fake.Reply(Reply(356));
    Send(49);
    EXPECT_EQ(fake.sent().size(), 3u);
}

TEST_F(ReplyPathTest, ChunksFollowTheControllerFoundAgainBySerialNumber) {
    s_discoveryEnabled = true;
    // The rebuild finds the first controller's serial number in entry 1 and another controller in entry 0.
    table.onRebuild([this] {
        std::swap(ProcessorDeviceOf(table.context(0)), ProcessorDeviceOf(table.context(1)));
        ProcessorDeviceOf(table.context(0)).responds = 1;
        ProcessorDeviceOf(table.context(1)).responds = 1;
    });
    std::vector<uint8_t> image(100000, 3);
    fake.Silence();
    fake.Reply(Reply(410, 0, kSecond));
    fake.Reply(Reply(410, 0, kSecond));
    EXPECT_EQ(CAPI_WriteBuffer(kFirst, image.data(), static_cast<uint32_t>(image.size()), 0), 0);
    ASSERT_EQ(fake.sent().size(), 3u);
    EXPECT_EQ(fake.sent()[1].address.controllerHandle, kSecond);
    EXPECT_EQ(fake.sent()[2].address.controllerHandle, kSecond);  // not whatever now sits at entry 0
    EXPECT_EQ(fake.sent()[2].param[1], 65536u);
}

TEST_F(ReplyPathTest, RepliesToTheRebuildsOwnCommandsAreNotTheTransfers) {
    s_discoveryEnabled = true;
    table.onRebuild([this] {
        s_discoveryRunning = true;
        Send(1001, kSecond);  // answered by a communication-error reply, which is not the chunk's
        s_discoveryRunning = false;
        std::swap(ProcessorDeviceOf(table.context(0)), ProcessorDeviceOf(table.context(1)));
        ProcessorDeviceOf(table.context(1)).responds = 1;
    });
    std::vector<uint8_t> image(100000, 3);
    fake.Silence();
    fake.Reply(Reply(343, 0, kSecond));
    fake.Reply(Reply(410, 0, kSecond));
    fake.Reply(Reply(410, 0, kSecond));
    EXPECT_EQ(CAPI_WriteBuffer(kFirst, image.data(), static_cast<uint32_t>(image.size()), 0), 0);
    ASSERT_EQ(fake.sent().size(), 4u);
    EXPECT_EQ(fake.sent()[1].commandCode, 1001u);
    for (size_t k : {2u, 3u}) EXPECT_EQ(fake.sent()[k].commandCode, 104u);
    EXPECT_EQ(fake.sent()[3].param[2], 1u);  // the last chunk carries the flag
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_EQ(deliveries[0].replyCode, 343u);
    EXPECT_EQ(deliveries[1].replyCode, 410u);
}

TEST_F(ReplyPathTest, PassThroughCopiesTheRawReplyAndCallsNoCallback) {
    std::vector<uint8_t> request = testsupport::BuildReplyPacket(Reply(1001));  // any well-formed packet
    std::vector<uint8_t> replyBuffer(CAPI_PASS_THROUGH_BUFFER_SIZE);
    request.resize(CAPI_PASS_THROUGH_BUFFER_SIZE);
    g_PassThrough.request = request.data();
    g_PassThrough.reply = replyBuffer.data();
    ReplyPacket raw = Reply(2001);
    raw.payload = {1, 2, 3, 4};
    std::vector<uint8_t> rawBytes = testsupport::BuildReplyPacket(raw);
    fake.RawReply(rawBytes);
    EXPECT_EQ(CAPI_PassThrough(), 0);
    EXPECT_TRUE(deliveries.empty());
    ASSERT_EQ(g_PassThrough.replyLength, rawBytes.size());
    EXPECT_TRUE(std::equal(rawBytes.begin(), rawBytes.end(), replyBuffer.begin()));
    EXPECT_EQ(fake.sent()[0].packetLength, 80u);

    std::vector<uint8_t> overlong = rawBytes;  // the controller's reply claims more than the buffer holds
    uint32_t claimed = CAPI_RECEIVE_GENERAL_BUFFER_SIZE + 1;
    std::memcpy(overlong.data() + 60, &claimed, sizeof claimed);
    fake.RawReply(overlong);
    EXPECT_EQ(CAPI_PassThrough(), CAPI_STATUS_COMMUNICATION_ERROR);
    EXPECT_TRUE(deliveries.empty());
    EXPECT_EQ(g_PassThrough.replyLength, 0u);

    uint32_t oversized = CAPI_PASS_THROUGH_BUFFER_SIZE + 1;  // a client's packet claiming too much
    std::memcpy(request.data() + 60, &oversized, sizeof oversized);
    EXPECT_EQ(CAPI_PassThrough(), CAPI_STATUS_COMMUNICATION_ERROR);
    EXPECT_EQ(fake.sent().size(), 2u);
    g_PassThrough = {};
}

// A reply whose header lacks the signature has no length to trust: the raw pass-through refuses it as
// it refuses an overlong reply, and hands its session nothing, whatever length the header claims.
TEST_F(ReplyPathTest, PassThroughRefusesAReplyWithADamagedHeader) {
    std::vector<uint8_t> request = testsupport::BuildReplyPacket(Reply(1001));
    request.resize(CAPI_PASS_THROUGH_BUFFER_SIZE);
    std::vector<uint8_t> replyBuffer(CAPI_PASS_THROUGH_BUFFER_SIZE, 0xEE);
    g_PassThrough.request = request.data();
    g_PassThrough.reply = replyBuffer.data();
    ReplyPacket raw = Reply(2001);
    raw.payload.assign(64, 0x5C);
    const std::vector<uint8_t> whole = testsupport::BuildReplyPacket(raw);
    const struct {
        const char* name;
        uint32_t claimedLength;
    } cases[] = {
        // clang-format off
        {"its own length", static_cast<uint32_t>(whole.size())},
        {"a header's length", CAPI_PACKET_HEADER_SIZE},
        {"the whole receive buffer", CAPI_RECEIVE_GENERAL_BUFFER_SIZE},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> damaged = whole;
        damaged[offsetof(CAPI_PACKET_HEADER, signature) + 1] ^= 0xFF;
        std::memcpy(damaged.data() + offsetof(CAPI_PACKET_HEADER, packetLength), &c.claimedLength, 4);
        fake.RawReply(damaged);
        EXPECT_EQ(CAPI_PassThrough(), CAPI_STATUS_COMMUNICATION_ERROR);
        EXPECT_EQ(g_PassThrough.replyLength, 0u);
        EXPECT_TRUE(std::all_of(replyBuffer.begin(), replyBuffer.end(), [](uint8_t b) { return b == 0xEE; }));
    }
    EXPECT_TRUE(deliveries.empty());
    g_PassThrough = {};
}

}  // namespace
