#include "corlink/capi/packet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/hszrle.h"
#include "corlink/capi_wire/capi_protocol.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kOldContent = 0xEE;

// A command without include to the first controller, unless a test sets more.
struct PacketArgs : PacketFields {
    PacketArgs() {
        commandCode = 1001;
        address = CAPI_ADDRESS{1, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    }
};

// A send buffer and a compression buffer of exactly the protocol's size, filled with old content, so
// that an unwritten byte or a write past the end shows.
class PacketTest : public testing::Test {
  protected:
    Bytes packet = Bytes(CAPI_MAX_PACKET_SIZE, kOldContent);
    Bytes compression = Bytes(CAPI_RECEIVE_GENERAL_BUFFER_SIZE, kOldContent);

    uint32_t Build(PacketArgs a, const void* include, bool withCompressionBuffer = true) {
        if (withCompressionBuffer) {
            a.compressionBuffer = compression.data();
            a.compressionCapacity = static_cast<uint32_t>(compression.size());
        }
        a.include = include;
        return BuildPacket(packet.data(), a);
    }
    CAPI_PACKET_HEADER Header() const {
        CAPI_PACKET_HEADER header;
        std::memcpy(&header, packet.data(), sizeof header);
        return header;
    }
    Bytes Data(size_t length) const {
        return Bytes(packet.begin() + CAPI_PACKET_HEADER_SIZE,
                     packet.begin() + CAPI_PACKET_HEADER_SIZE + length);
    }
};

Bytes Pattern(size_t length) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

TEST_F(PacketTest, HeaderBytesAreLaidOutAsOnTheWire) {
    PacketArgs a;
    a.byte6Flag = 0;
    a.acceptCompressed = 1;
    a.configSequenceNumber = 0x00020005;
    a.commandCode = 1201;
    a.address = {7, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    a.includeStructType = 21;
    a.param1 = 0x11;
    a.param2 = 0x22;
    a.param3 = 0x33;
    a.param4 = 0x44;
    a.param5 = 0x55;
    a.driveListConfigSequenceNumber = 0x0D;
    a.arrayListConfigSequenceNumber = 0x0A;
    a.partCount = 3;
    a.partIndex = 0x0102;
    const Bytes include = Pattern(72);

    EXPECT_EQ(Build(a, include.data()), 152u);

    // clang-format off
    const Bytes golden = {
        0x00, 0x00, 0x03, 0x0A, 0x01, 0x00, 0x01, 0x00,  // reserved, version 3.10, accept, compressed, byte 6, byte 7
        0x43, 0x41, 0x50, 0x49,                          // signature
        0x15, 0x00, 0x00, 0x00,                          // includeStructType 21
        0xB1, 0x04, 0x00, 0x00,                          // commandCode 1201
        0x07, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,  // address
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  //
        0x05, 0x00, 0x02, 0x00,                          // configSequenceNumber
        0x00, 0x00, 0x00, 0x00,                          // errorCode
        0x11, 0x00, 0x00, 0x00, 0x22, 0x00, 0x00, 0x00,  // param1, param2
        0x33, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00,  // param3, param4
        0x98, 0x00, 0x00, 0x00,                          // packetLength 152
        0x03, 0x00, 0x02, 0x01,                          // partCount, partIndex
        0x0A, 0x00, 0x00, 0x00,                          // arrayListConfigSequenceNumber
        0x55, 0x00, 0x00, 0x00,                          // param5
        0x0D, 0x00, 0x00, 0x00,                          // driveListConfigSequenceNumber
    };
    // clang-format on
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + CAPI_PACKET_HEADER_SIZE), golden);
    EXPECT_EQ(Data(72), include);
    EXPECT_EQ(packet[152], kOldContent);
}

struct SizeCase {
    const char* name;
    uint32_t includeStructType;
    uint32_t param1;
    uint32_t callerErrorCode;
    uint32_t includeLength;  // bytes expected in the packet
    uint32_t errorCode;      // expected in the header
};

// Include sizes by type: fixed structures, records, raw bytes, the limit and the refusals beyond it.
TEST_F(PacketTest, IncludeSizeFollowsTheTypeAndParam1) {
    const SizeCase cases[] = {
        {"no include", 0, 5, 0, 0, 0},
        {"type without include", 15, 5, 0, 0, 0},
        {"one byte", 96, 0, 0, 1, 0},
        {"fixed structure", 1, 0, 0, 23656, 0},
        {"fixed ignores param1", 78, 12345, 0, 84992, 0},
        {"largest type", 138, 0, 0, 16, 0},
        {"records", 20, 3, 0, 636, 0},
        {"no records", 20, 0, 0, 0, 0},
        {"raw bytes", 13, 10240, 0, 10240, 0},
        {"raw bytes at the limit", 5, CAPI_MAX_INCLUDE_SIZE, 0, CAPI_MAX_INCLUDE_SIZE, 0},
        {"raw bytes past the limit", 40, CAPI_MAX_INCLUDE_SIZE + 1, 0, 0, 1},
        {"arrays below the limit", 24, 163, 0, 163 * 1604, 0},
        {"arrays past the limit", 24, 164, 0, 0, 1},
        {"2000 arrays", 24, 2000, 0, 0, 1},
        {"2000 arrays, caller's error code", 24, 2000, 7, 0, 7},
        {"record count that wraps 32 bits to 0", 39, 0x20000000, 0, 0, 1},
        {"record count that wraps 32 bits to one record", 67, 0x10000001, 0, 0, 1},
    };
    for (const SizeCase& c : cases) {
        std::fill(packet.begin(), packet.end(), kOldContent);
        PacketArgs a;
        a.includeStructType = c.includeStructType;
        a.param1 = c.param1;
        a.errorCode = c.callerErrorCode;
        // Exactly the bytes the size rule allows to be read; a read beyond them is caught.
        const Bytes include = Pattern(c.includeLength);
        const Bytes probe(1, 0x5A);
        testing::internal::CaptureStdout();
        const uint32_t sent = Build(a, c.includeLength > 0 ? include.data() : probe.data());
        const std::string output = testing::internal::GetCapturedStdout();

        const uint32_t packetLength = CAPI_PACKET_HEADER_SIZE + c.includeLength;
        const CAPI_PACKET_HEADER header = Header();
        EXPECT_EQ(header.packetLength, packetLength) << c.name;
        EXPECT_EQ(sent, packetLength + packetLength % 2) << c.name;
        EXPECT_EQ(header.errorCode, c.errorCode) << c.name;
        EXPECT_EQ(header.includeCompressed, 0) << c.name;
        EXPECT_EQ(header.reserved6, 0) << c.name;
        EXPECT_EQ(header.reserved7, 0) << c.name;
        EXPECT_EQ(Data(c.includeLength), include) << c.name;
        if (packetLength % 2 == 1) {
            EXPECT_EQ(packet[packetLength], 0) << c.name << ": rounding byte";
        }
        const bool oversize = c.errorCode != 0;  // the only cases with an error code
        EXPECT_EQ(output.find("BuildPacket: INTERNAL ERROR: includeStructureSize (") == 0, oversize)
            << c.name << ": " << output;
    }
}

TEST_F(PacketTest, OversizeMessageNamesTheTrueSize) {
    PacketArgs a;
    a.commandCode = 1202;
    a.includeStructType = 24;
    a.param1 = 2000;
    const Bytes probe(1);
    testing::internal::CaptureStdout();
    Build(a, probe.data());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "BuildPacket: INTERNAL ERROR: includeStructureSize (3208000) is too large; commandCode=1202; "
              "errorCode=0; includeStructType=24; param1=2000\n");
}

TEST_F(PacketTest, MissingIncludeIsNotCopied) {
    PacketArgs a;
    a.includeStructType = 21;
    EXPECT_EQ(Build(a, nullptr), CAPI_PACKET_HEADER_SIZE);
    EXPECT_EQ(Header().packetLength, CAPI_PACKET_HEADER_SIZE);
    EXPECT_EQ(Header().errorCode, 1u);
}

TEST_F(PacketTest, CompressedIncludeReplacesThePlainOne) {
    PacketArgs a;
    a.compress = 1;
    a.acceptCompressed = 1;
    a.includeStructType = 5;
    Bytes include(1000, 0x00);
    include[3] = 0x41;
    include[500] = 0x69;
    a.param1 = static_cast<uint32_t>(include.size());
    Bytes expected(1100);
    expected.resize(HSZRLECompress(include.data(), expected.data(), 1000, 1100));

    const uint32_t sent = Build(a, include.data());

    EXPECT_EQ(Header().includeCompressed, 1);
    EXPECT_EQ(Header().acceptCompressed, 1);
    EXPECT_EQ(Header().packetLength, CAPI_PACKET_HEADER_SIZE + expected.size());
    EXPECT_EQ(sent, Header().packetLength + Header().packetLength % 2);
    EXPECT_EQ(Data(expected.size()), expected);
    EXPECT_EQ(Header().param1, 1000u);
}

// Compression that does not fit the compression buffer, or whose result would not fit the packet,
// leaves the include uncompressed; so does a missing compression buffer.
TEST_F(PacketTest, CompressionFallsBackToThePlainInclude) {
    struct Case {
        const char* name;
        uint32_t length;
        bool withBuffer;
    } cases[] = {
        {"larger than the compression buffer", 0x30000, true},
        {"fits the buffer, not the packet", 0x20010, true},
        {"no compression buffer", 64, false},
    };
    for (const Case& c : cases) {
        std::fill(packet.begin(), packet.end(), kOldContent);
        const Bytes include(c.length, HSZRLE_ESCAPE);  // every byte doubles when encoded
        PacketArgs a;
        a.compress = 1;
        a.includeStructType = 5;
        a.param1 = c.length;
        testing::internal::CaptureStdout();
        const uint32_t sent = Build(a, include.data(), c.withBuffer);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(sent, CAPI_PACKET_HEADER_SIZE + c.length) << c.name;
        EXPECT_EQ(Header().includeCompressed, 0) << c.name;
        EXPECT_EQ(Header().packetLength, CAPI_PACKET_HEADER_SIZE + c.length) << c.name;
        EXPECT_EQ(Data(c.length), include) << c.name;
    }
}

}  // namespace
