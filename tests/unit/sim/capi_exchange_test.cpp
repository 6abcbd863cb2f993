#include <cstring>
#include <memory>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "platform/time/clock.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

std::string SerialOf(const CAPI_UNIFIED_CONTROLLER_DATA& half) {
    return std::string(reinterpret_cast<const char*>(half.serialNumber), half.serialNumberLength);
}

TEST_P(FabricTest, ControllerDataComesBackThroughWriteAndReadBuffer) {
    const std::vector<uint8_t> reply = Exchange(kLunB, RequestPacket(CAPI_COMMAND_U_GET_CONTROLLER_DATA));
    ASSERT_EQ(reply.size(), 80u + sizeof(CAPI_UNIFIED_CONTROLLER));
    const CAPI_PACKET_HEADER header = HeaderOf(reply);
    EXPECT_EQ(header.versionMajor, 3);
    EXPECT_EQ(std::memcmp(header.signature, "CAPI", 4), 0);
    EXPECT_EQ(header.commandCode, CAPI_REPLY_U_GET_CONTROLLER_DATA);
    EXPECT_EQ(header.errorCode, 0u);
    EXPECT_EQ(header.includeStructType, 50u);
    EXPECT_EQ(header.packetLength, reply.size());
    EXPECT_EQ(header.partCount, 0);
    EXPECT_EQ(header.param5, 0u);
    const CAPI_ADDRESS address = header.address;
    EXPECT_EQ(address.controllerHandle, 0x100u);  // the request's address comes back
    // B answers with its own change counter low and A's in bits 16-23; param2 / param3 are A's / B's.
    EXPECT_EQ(header.configSequenceNumber, 0x00010001u);
    EXPECT_EQ(header.param2, 0x00010001u);
    EXPECT_EQ(header.param3, 0x00010001u);

    auto unified = std::make_unique<CAPI_UNIFIED_CONTROLLER>();
    std::memcpy(unified.get(), reply.data() + 80, sizeof(CAPI_UNIFIED_CONTROLLER));
    EXPECT_EQ(SerialOf(unified->controllers[1]), "00C0FF1A2B01");  // half 1 is controller A
    EXPECT_EQ(SerialOf(unified->controllers[0]), "00C0FF1A2B02");
    EXPECT_EQ(unified->controllers[1].numArrays, 2u);
    EXPECT_EQ(unified->controllers[1].capiVersionMajor, 3);
    EXPECT_EQ(unified->common.numHostChannels, 2u);
}

TEST_P(FabricTest, ConfigurationChangesMoveTheSequenceNumbersInEveryReply) {
    fabric_->RecordConfigurationChange(0);
    const CAPI_PACKET_HEADER sequence =
        HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER)));
    EXPECT_EQ(sequence.commandCode, CAPI_REPLY_U_GET_CONFIG_SEQ_NUMBER);
    EXPECT_EQ(sequence.configSequenceNumber, 0x00020002u);
    EXPECT_EQ(sequence.param2, 0x00020002u);
    EXPECT_EQ(sequence.param3, 0x00020002u);

    const std::vector<uint8_t> arrays = Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_ARRAY_LIST));
    const CAPI_PACKET_HEADER header = HeaderOf(arrays);
    EXPECT_EQ(header.commandCode, CAPI_REPLY_U_GET_ARRAY_LIST);
    EXPECT_EQ(header.configSequenceNumber, 0x00020002u);
    EXPECT_EQ(header.arrayListConfigSequenceNumber, 2u);
    ASSERT_EQ(header.param1, 2u);
    ASSERT_EQ(arrays.size(), 80u + 2 * sizeof(CAPI_ARRAY));
    CAPI_ARRAY second;
    std::memcpy(&second, arrays.data() + 80 + sizeof(CAPI_ARRAY), sizeof second);
    EXPECT_STREQ(second.name, "vd02");
    EXPECT_EQ(second.raidLevel, 1);
    EXPECT_EQ(second.numArrayPartitions, 2);

    const CAPI_PACKET_HEADER drives = HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_DRIVE_LIST)));
    EXPECT_EQ(drives.param1, 12u);
    EXPECT_EQ(drives.packetLength, 80u + 12 * 260);
}

TEST_P(FabricTest, VolumesOfAnArrayNamedByItsSerial) {
    const sim::FabricModel model = fabric_->Model();
    const auto& serial = model.systems[0].arrays[0].serial;
    const std::vector<uint8_t> reply = Exchange(kLunA, ObjectRequest(1081, serial.data(), serial.size()));
    const CAPI_PACKET_HEADER header = HeaderOf(reply);
    EXPECT_EQ(header.commandCode, 2081u);
    ASSERT_EQ(header.param1, 2u);
    ASSERT_EQ(reply.size(), 80u + 2 * sizeof(CAPI_UNIFIED_PARTITION));
    CAPI_UNIFIED_PARTITION second;
    std::memcpy(&second, reply.data() + 80 + sizeof second, sizeof second);
    EXPECT_STREQ(second.name, "data02");
    EXPECT_EQ(second.lun, 2);
    EXPECT_EQ(std::memcmp(second.arraySerialNumber, serial.data(), 16), 0);
    EXPECT_EQ(sim::HexText(second.serialNumber, 16), "000C0FF0001A2B010000000000000002");
    EXPECT_EQ(second.size.longs[0], 20480u * 2048u);

    const uint8_t unknown[32] = {'x'};
    EXPECT_EQ(HeaderOf(Exchange(kLunA, ObjectRequest(1081, unknown, sizeof unknown))).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_BAD_IDENTIFIER));
    // A request whose include is too short to hold the identifier, or of another type, is refused before
    // the array is looked at.
    std::vector<uint8_t> cut = ObjectRequest(1081, serial.data(), serial.size());
    cut.resize(80 + 20);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, cut)).errorCode, static_cast<uint32_t>(CAPI_ERROR_COMMAND_FAILED));
    std::vector<uint8_t> otherType = ObjectRequest(1081, serial.data(), serial.size());
    otherType[12] = 22;
    EXPECT_EQ(HeaderOf(Exchange(kLunA, otherType)).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_COMMAND_FAILED));
}

TEST_P(FabricTest, EnclosureFruNamesTheStorageSystem) {
    const std::vector<uint8_t> list = Exchange(kLunB, RequestPacket(CAPI_COMMAND_U_GET_DRIVE_ENCLOSURES));
    ASSERT_EQ(HeaderOf(list).param1, 1u);
    ASSERT_EQ(list.size(), 80u + sizeof(CAPI_DRIVE_ENCLOSURE));
    CAPI_DRIVE_ENCLOSURE enclosure;
    std::memcpy(&enclosure, list.data() + 80, sizeof enclosure);
    EXPECT_EQ(sim::HexText(enclosure.enclosureWWN, 8), "500C0FF0FF1A2B3C");

    const std::vector<uint8_t> reply =
        Exchange(kLunB, ObjectRequest(CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE, enclosure.enclosureWWN, 8));
    ASSERT_EQ(reply.size(), 80u + sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    auto advanced = std::make_unique<CAPI_ADVANCED_DRIVE_ENCLOSURE>();
    std::memcpy(advanced.get(), reply.data() + 80, sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    EXPECT_EQ(advanced->fruDataValidity[0], 2);
    EXPECT_EQ(advanced->fruidInfo[0].fruType, 9);
    EXPECT_STREQ(advanced->fruidInfo[0].supplierSn, "3C4D5E");

    const uint8_t other[8] = {0x50};
    EXPECT_EQ(
        HeaderOf(Exchange(kLunB, ObjectRequest(CAPI_COMMAND_U_GET_DRIVE_ENCLOSURE, other, 8))).errorCode,
        static_cast<uint32_t>(CAPI_ERROR_BAD_IDENTIFIER));
}

TEST_P(FabricTest, CommandsNotAnsweredYetAreRefusedAsNotSupported) {
    const CAPI_PACKET_HEADER header = HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_TEST_SPARES)));
    EXPECT_EQ(header.commandCode, CAPI_REPLY_U_TEST_SPARES);
    EXPECT_EQ(header.errorCode, static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
    EXPECT_EQ(header.packetLength, 80u);
    EXPECT_EQ(header.includeStructType, 0u);
}

TEST_P(FabricTest, WriteAndReadOutOfSequenceAnswerReplyWaiting) {
    ASSERT_EQ(WriteBuffer(kLunA, RequestPacket(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER)).status, 0);
    ScsiResult second = WriteBuffer(kLunA, RequestPacket(CAPI_COMMAND_U_GET_ARRAY_LIST));
    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.senseKey(), 5);
    EXPECT_EQ(second.asc(), 0x3B);
    EXPECT_EQ(second.ascq(), 0x05);

    std::vector<uint8_t> reply;
    ASSERT_EQ(ReadBuffer(kLunA, &reply).status, 0);  // the first request's reply is still there
    EXPECT_EQ(HeaderOf(reply).commandCode, CAPI_REPLY_U_GET_CONFIG_SEQ_NUMBER);
    ScsiResult again = ReadBuffer(kLunA, &reply);  // already read
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(again.asc(), 0x3B);
    EXPECT_EQ(again.ascq(), 0x05);
}

TEST_P(FabricTest, MalformedRequestsGetAnAnswerAndNothingMore) {
    // Shorter than a header: refused. A header claiming more bytes than arrived reads only what arrived.
    std::vector<uint8_t> reply = Exchange(kLunA, std::vector<uint8_t>(20, 0x41));
    EXPECT_EQ(HeaderOf(reply).errorCode, static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
    std::vector<uint8_t> lying = RequestPacket(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER);
    const uint32_t huge = 0x40050;
    std::memcpy(lying.data() + 60, &huge, sizeof huge);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, lying)).errorCode, 0u);
    std::vector<uint8_t> wrongVersion = RequestPacket(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER);
    wrongVersion[2] = 2;
    EXPECT_EQ(HeaderOf(Exchange(kLunA, wrongVersion)).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
    // A WRITE BUFFER above the largest packet is refused at the SCSI level.
    EXPECT_EQ(WriteBuffer(kLunA, std::vector<uint8_t>(0x40051, 0)).asc(), 0x24);
}

TEST_P(FabricTest, JournalRecordsEveryCommandWithItsTime) {
    platform::ScopedVirtualClock clock;
    Exchange(kLunA, RequestPacket(CAPI_COMMAND_U_GET_CONTROLLER_DATA));
    clock->Advance(1500);
    Exchange(kLunB, RequestPacket(CAPI_COMMAND_U_CREATE_ARRAY, 0, 0, 0));
    const std::vector<sim::JournalEntry> entries = fabric_->journal().Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].commandCode, static_cast<uint32_t>(CAPI_COMMAND_U_GET_CONTROLLER_DATA));
    EXPECT_EQ(entries[0].controller, "00C0FF1A2B01");
    EXPECT_EQ(entries[0].address[0], 0x100u);
    EXPECT_EQ(entries[0].address[1], 0xFFFFFFFFu);
    EXPECT_EQ(entries[0].params[3], 1u);
    EXPECT_EQ(entries[1].controller, "00C0FF1A2B02");
    EXPECT_EQ(entries[1].lun, kLunB);
    EXPECT_EQ(entries[1].timeMs - entries[0].timeMs, 1500u);
    EXPECT_TRUE(entries[1].fault.empty());
}

// A payload of two full parts and a short third one, from a handler installed for the test.
class MultiPartTest : public FabricTest {
  protected:
    static constexpr uint32_t kCommand = CAPI_COMMAND_U_GET_MULTIPLE_EVENTS;
    static constexpr size_t kSize = 2 * 0x40000 + 100;

    void InstallPayload(size_t size) {
        fabric_->SetHandler(kCommand, [size](const sim::CapiRequest&, sim::StorageSystem&, int) {
            sim::CapiAnswer answer;
            answer.includeType = 40;
            answer.params[0] = static_cast<uint32_t>(size);
            answer.data.resize(size);
            for (size_t i = 0; i < size; ++i) answer.data[i] = static_cast<uint8_t>(i * 7 + i / 0x40000);
            return answer;
        });
    }
};

TEST_P(MultiPartTest, LargeReplyComesInPartsAskedForWithTheNextPartCommand) {
    InstallPayload(kSize);
    std::vector<uint8_t> first = Exchange(kLunA, RequestPacket(kCommand));
    const CAPI_PACKET_HEADER head = HeaderOf(first);
    EXPECT_EQ(head.commandCode, kCommand + 1000);
    EXPECT_EQ(head.partCount, 3);
    EXPECT_EQ(head.partIndex, 0);
    EXPECT_NE(head.param5, 0u);
    EXPECT_EQ(head.param1, kSize);
    ASSERT_EQ(head.packetLength, 80u + 0x40000);

    std::vector<uint8_t> payload(first.begin() + 80, first.end());
    for (uint16_t part = 1; part < 3; ++part) {
        std::vector<uint8_t> next =
            Exchange(kLunA, RequestPacket(CAPI_COMMAND_NEXT_PART, head.param5, 3, part));
        const CAPI_PACKET_HEADER header = HeaderOf(next);
        EXPECT_EQ(header.commandCode, CAPI_REPLY_NEXT_PART);
        EXPECT_EQ(header.partCount, 3);
        EXPECT_EQ(header.partIndex, part);
        EXPECT_EQ(header.param5, head.param5);
        EXPECT_EQ(header.packetLength, next.size());
        payload.insert(payload.end(), next.begin() + 80, next.end());
    }
    ASSERT_EQ(payload.size(), kSize);
    for (size_t i = 0; i < kSize; i += 4099)
        ASSERT_EQ(payload[i], static_cast<uint8_t>(i * 7 + i / 0x40000)) << i;

    // The parts are used up; a stale or foreign next-part request is refused.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_NEXT_PART, head.param5, 3, 2))).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
}

TEST_P(MultiPartTest, NextPartRequestsThatDoNotMatchAreRefused) {
    InstallPayload(kSize);
    const CAPI_PACKET_HEADER head = HeaderOf(Exchange(kLunA, RequestPacket(kCommand)));
    const struct {
        uint32_t param5;
        uint16_t index;
    } cases[] = {{head.param5 + 1, 1}, {head.param5, 0}, {head.param5, 3}, {head.param5, 40}};
    for (const auto& c : cases) {
        const CAPI_PACKET_HEADER reply =
            HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_NEXT_PART, c.param5, 3, c.index)));
        EXPECT_EQ(reply.errorCode, static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED)) << c.index;
        EXPECT_EQ(reply.packetLength, 80u);
    }
    EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(CAPI_COMMAND_NEXT_PART, head.param5, 3, 1))).errorCode,
              0u);
}

INSTANTIATE_TEST_SUITE_P(Reach, MultiPartTest, ::testing::Values(Reach::InProcess, Reach::ThroughSocket),
                         ReachName);

TEST_P(MultiPartTest, PayloadBeyondFortyPartsIsRefused) {
    InstallPayload(40 * 0x40000 + 1);
    const CAPI_PACKET_HEADER reply = HeaderOf(Exchange(kLunA, RequestPacket(kCommand)));
    EXPECT_EQ(reply.errorCode, static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
    EXPECT_EQ(reply.partCount, 0);
}

}  // namespace
}  // namespace simtest
