// The CAPI command wrappers against golden packets: every wrapper's packet as the scripted transport
// recorded it, the calls a wrapper refuses without sending, what a wrapper does to a caller's record, and
// results handed back unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corlink/capi/wrappers_classic.h"
#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "tests/unit/capi/library_fixture.h"
#include "tests/unit/capi/wrappers_golden.h"

namespace {

using golden::Bytes;
using testsupport::SentPacket;

// "" when the bytes agree, else where they first differ.
std::string Difference(const Bytes& actual, const Bytes& expected) {
    if (actual.size() != expected.size()) {
        return "include of " + std::to_string(actual.size()) + " bytes, expected " +
               std::to_string(expected.size());
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i]) {
            return "byte " + std::to_string(i) + " is " + std::to_string(actual[i]) + ", expected " +
                   std::to_string(expected[i]);
        }
    }
    return "";
}

Bytes IncludeOf(const SentPacket& packet) {
    const size_t end = packet.packetLength <= packet.bytes.size() ? packet.packetLength : packet.bytes.size();
    if (end <= CAPI_PACKET_HEADER_SIZE) return {};
    return Bytes(packet.bytes.begin() + CAPI_PACKET_HEADER_SIZE,
                 packet.bytes.begin() + static_cast<long>(end));
}

// Two controllers found through the scripted transport; commands go to the first, and each is answered as
// the test scripts it.
class Wrappers : public CapiLibraryTest {
  protected:
    // The controller answers the next command with this return code.
    void Answer(uint32_t commandCode, int32_t errorCode = 0) {
        fake.Reply(Reply(commandCode + 1000, errorCode));
    }

    void ExpectGolden(const golden::Row& row) {
        SCOPED_TRACE(row.wrapper);
        const golden::Expect& e = row.expect;
        const size_t before = fake.sent().size();
        const size_t delivered = deliveries.size();
        Answer(e.code);
        EXPECT_EQ(row.call(handle), 0);
        ASSERT_EQ(fake.sent().size(), before + 1);
        // The reply reached the callback before the wrapper returned.
        EXPECT_EQ(deliveries.size(), delivered + 1);
        const SentPacket& packet = fake.sent().back();
        EXPECT_EQ(packet.commandCode, e.code);
        EXPECT_EQ(uint32_t{packet.address.controllerHandle}, handle);
        EXPECT_EQ(uint32_t{packet.address.arrayIndex}, e.array);
        EXPECT_EQ(uint32_t{packet.address.channelIndex}, e.channel);
        EXPECT_EQ(uint32_t{packet.address.driveIndex}, e.drive);
        EXPECT_EQ(packet.includeType, e.includeType);
        EXPECT_EQ(packet.errorCode, 0u);
        const uint32_t params[] = {e.p1, e.p2, e.p3, e.p4, e.p5};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(packet.param[i], params[i]) << "param" << i + 1;
        EXPECT_EQ(Difference(IncludeOf(packet), e.include), "");
    }

    const CAPI_HANDLE handle = kFirst;
};

// Rows run in table order: the two SCSI maintenance rows of each set share the library's one record, so a
// short record after a full one shows that the record starts from zero every time.
TEST_F(Wrappers, EveryWrapperSendsItsGoldenPacket) {
    for (const golden::Row& row : golden::ClassicRows()) ExpectGolden(row);
    for (const golden::Row& row : golden::UnifiedRows()) ExpectGolden(row);
}

TEST_F(Wrappers, RefusedCallsSendNothing) {
    for (const golden::Refusal& row : golden::Refusals()) {
        SCOPED_TRACE(row.wrapper);
        const size_t before = fake.sent().size();
        EXPECT_EQ(row.call(handle), row.result);
        EXPECT_EQ(fake.sent().size(), before);
    }
}

TEST_F(Wrappers, OnlyTheWrappersThatSayTheyWriteIntoTheCallersRecordDoSo) {
    const Bytes original = golden::Pattern(296);
    Bytes record = original;
    auto* partition = reinterpret_cast<CAPI_ARRAY_PARTITION_PARAMS*>(record.data());

    Answer(1074);
    ASSERT_EQ(CAPI_U_AddArrayPartition(handle, golden::kArrayId, partition), 0);
    EXPECT_EQ(record, original);  // a copy was sent

    Answer(1072);
    ASSERT_EQ(CAPI_U_ChangeArrayPartitionGeometry(handle, golden::kId, partition), 0);
    Bytes withId = original;
    std::memcpy(withId.data() + 81, golden::kId, 32);
    EXPECT_EQ(Difference(record, withId), "");

    Bytes environ = golden::Pattern(288);
    auto* environRecord = reinterpret_cast<CAPI_ENVIRON_WRITE_PARAMS*>(environ.data());
    EXPECT_EQ(CAPI_U_EnvironWrite(handle, golden::kId, 0, environRecord, 257), 2);
    EXPECT_EQ(environ, golden::Pattern(288));  // refused before the identifier is written
}

TEST_F(Wrappers, TheSendPathsResultComesBackUnchanged) {
    struct Case {
        int32_t controllerReturns;
        int32_t wrapperReturns;
    } const cases[] = {{26, 26}, {59, 0}, {139, 0}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controllerReturns);
        Answer(5, c.controllerReturns);
        EXPECT_EQ(CAPI_BlinkDrive(handle, 2, 5), c.wrapperReturns);
        Answer(1053, c.controllerReturns);
        EXPECT_EQ(CAPI_U_ChangeArrayName(handle, golden::kId, "vdisk-1"), c.wrapperReturns);
    }
    const size_t before = fake.sent().size();
    EXPECT_EQ(CAPI_U_GetArrayList(0, 1), 10006);  // no controller: nothing is sent
    EXPECT_EQ(fake.sent().size(), before);
}

}  // namespace
