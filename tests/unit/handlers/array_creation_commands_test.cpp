// Creating, expanding and deleting arrays and partitions and aborting utilities, through rreExecCommand
// against the default fabric (vd01: drives 0-4, vd02: drives 5-6, drives 7-11 available) in virtual time:
// the commands the fabric received, in order and when, and the model after them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"
#include "corlink/executor/executor.h"
#include "corlink/handlers/array_deletion.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

constexpr uint32_t kCreateLength = 4548;
constexpr size_t kCreateParams = 16;
constexpr size_t kCreateReply = 2944;
constexpr size_t kMemberCountAt = kCreateParams + 544;
constexpr size_t kOwnerAt = kCreateParams + 572;
constexpr size_t kIdentifiersAt = kCreateParams + 720;

class ArrayCreationCommandsTest : public ProxyCommandTest {
  protected:
    void Fault(sim::FaultKind kind, uint32_t capiCode, int32_t returnCode, uint32_t times = 1) {
        fabric_->InjectFault(0, 0, {kind, capiCode, returnCode, times});
    }
    // CREATE_ARRAY through controller A of these identifiers, all members, owned by A (failoverId 1).
    Reply CreateArray(const std::vector<std::string>& serials, uint32_t members, uint8_t owner = 1) {
        return Exec(RRE_CREATE_ARRAY, kCreateLength, kHandleA, [&](std::vector<uint8_t>& b) {
            PutWord(b, kMemberCountAt, members);
            b[kOwnerAt] = owner;
            for (size_t i = 0; i < serials.size(); ++i) {
                std::memcpy(b.data() + kIdentifiersAt + 32 * i, serials[i].data(),
                            std::min<size_t>(serials[i].size(), 32));
            }
        });
    }
    Reply AddPartition(const uint8_t* arraySerial, const char* name, uint64_t blocks) {
        return Exec(RRE_ADD_ARRAY_PART, 728, kHandleA, [&](std::vector<uint8_t>& b) {
            PutWord(b, 12, 7);
            PutWord(b, 16, static_cast<uint32_t>(blocks));
            PutWord(b, 20, static_cast<uint32_t>(blocks >> 32));
            std::memcpy(b.data() + 32, arraySerial, 32);
            std::memcpy(b.data() + 128, name, std::strlen(name));
        });
    }
    Reply DeleteBySerial(uint32_t code, const uint8_t* serial, size_t length) {
        return Exec(code, 48, kHandleA,
                    [&](std::vector<uint8_t>& b) { std::memcpy(b.data() + 16, serial, length); });
    }
    std::vector<uint32_t> SentCodes() const {
        std::vector<uint32_t> codes;
        for (const sim::JournalEntry& e : fabric_->journal().Entries()) {
            const uint32_t c = e.commandCode;
            // Reads of the controller are left out: only what changes it or acts on it.
            if (c != CAPI_COMMAND_U_GET_CONTROLLER_DATA && c != CAPI_COMMAND_U_GET_ARRAY_LIST &&
                c != CAPI_COMMAND_U_GET_DRIVE_LIST && c != CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER &&
                c != 1081 && c != 1354 && c != CAPI_COMMAND_U_GET_PARTITION_VIEW) {
                codes.push_back(c);
            }
        }
        return codes;
    }
};

TEST(IsSameDriveSerialTest, BytesOrPrintableCharactersButBlanksAndMarkup) {
    auto serial = [](const std::string& text) {
        std::array<uint8_t, 32> bytes{};
        std::memcpy(bytes.data(), text.data(), std::min<size_t>(text.size(), 32));
        return bytes;
    };
    const struct {
        std::string a;
        std::string b;
        bool same;
    } cases[] = {
        // clang-format off
        {"ZA1B2C3D", "ZA1B2C3D", true},
        {"ZA1B2C3D", " ZA1B 2C3D ", true},
        {"ZA1B2C3D", "<ZA1B&2C3D>", true},
        {"ZA1B2C3D", "ZA1B2C3D\t\x7F\x80", true},
        {"ZA1B2C3D", "ZA1B2C3E", false},
        {"ZA1B2C3D", "ZA1B2C3", false},
        {"ZA1B2C3D", "za1b2c3d", false},
        {"", "   ", true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " / " + c.b);
        EXPECT_EQ(IsSameDriveSerial(serial(c.a).data(), serial(c.b).data()), c.same);
    }
}

INSTANTIATE_TEST_SUITE_P(Reach, ArrayCreationCommandsTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

// Drive serials that differ from the fabric's only by blanks or '&', '<', '>' name the drives; a leftover
// drive is cleared before the array is made of it; the reply carries the new array.
TEST_P(ArrayCreationCommandsTest, CreateArrayResolvesDriveSerialsAndAnswersTheNewArray) {
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].drives[9].use = sim::DriveUse::Leftover; });
    const sim::StorageSystem before = Pair();
    const std::string d7 = before.drives[7].serial;
    const std::string d8 = before.drives[8].serial;
    const std::string d9 = before.drives[9].serial;
    fabric_->journal().Clear();
    const Reply reply = CreateArray({" " + d7, d8.substr(0, 4) + "&" + d8.substr(4), "<" + d9 + ">"}, 3);
    ASSERT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.replyLength, static_cast<int32_t>(kCreateLength));
    const sim::StorageSystem after = Pair();
    ASSERT_EQ(after.arrays.size(), 3u);
    EXPECT_EQ(std::memcmp(reply.buffer.data() + kCreateReply + offsetof(CAPI_ARRAY, serialNumber),
                          after.arrays[2].serial.data(), 32),
              0);
    EXPECT_EQ(Word(reply.buffer, kCreateReply + offsetof(CAPI_ARRAY, numDrives)), 3u);
    for (size_t d : {7, 8, 9}) EXPECT_EQ(after.drives[d].use, sim::DriveUse::Member) << d;
    EXPECT_EQ(SentCodes(),
              (std::vector<uint32_t>{CAPI_COMMAND_U_DO_SCSI_MAINT, CAPI_COMMAND_U_CREATE_ARRAY}));
    const std::vector<sim::JournalEntry> create = Sent(CAPI_COMMAND_U_CREATE_ARRAY);
    ASSERT_EQ(create.size(), 1u);
    const auto* sent = reinterpret_cast<const CAPI_UNIFIED_CREATE_ARRAY_PARAMS*>(create[0].include.data());
    EXPECT_EQ(std::memcmp(sent->driveIds[0], before.drives[7].wwn.data(), 8), 0)
        << "the drive's WWN goes in its slot";
    EXPECT_EQ(sent->createArrayParams.value576, 3);
}

TEST_P(ArrayCreationCommandsTest, CreateArrayRefusals) {
    const sim::StorageSystem pair = Pair();
    const int32_t a = FindControllerByClientId(kHandleA);
    const struct {
        const char* name;
        std::vector<std::string> serials;
        uint32_t members;
        bool ownerRefuses;
        uint32_t answer;
    } cases[] = {
        // clang-format off
        {"a serial no drive has", {pair.drives[7].serial, "NOSUCHDRIVE"}, 2, false, RRE_ERROR_BAD_DRIVE},
        {"more drives than the parameters hold", {pair.drives[7].serial}, 69, false, RRE_ERROR_BAD_DRIVE},
        {"the owner refuses array creation", {pair.drives[7].serial}, 1, true, RRE_ERROR_OWNER_REFUSED},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* owner = reinterpret_cast<uint8_t*>(
            &g_ControllerDb[static_cast<uint32_t>(a)].unifiedController.controllers[1]);
        owner[321] = c.ownerRefuses ? 1 : 0;
        fabric_->journal().Clear();
        const Reply reply = CreateArray(c.serials, c.members);
        EXPECT_EQ(reply.status, -1);
        EXPECT_EQ(reply.code, c.answer);
        EXPECT_TRUE(SentCodes().empty());
        EXPECT_EQ(Pair().arrays.size(), 2u);
    }
}

// Answered "configuration changed", the create goes out once more 10 s later.
TEST_P(ArrayCreationCommandsTest, CreateArrayAnsweredConfigChangeIsSentAgainTenSecondsLater) {
    Fault(sim::FaultKind::ReturnCode, CAPI_COMMAND_U_CREATE_ARRAY, CAPI_ERROR_FAILURE_DUE_TO_CONFIG_CHANGE);
    const Reply reply = CreateArray({Pair().drives[10].serial}, 1);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    const std::vector<sim::JournalEntry> creates = Sent(CAPI_COMMAND_U_CREATE_ARRAY);
    ASSERT_EQ(creates.size(), 2u);
    const uint32_t gap = creates[1].timeMs - creates[0].timeMs;
    EXPECT_GE(gap, 10000u);
    EXPECT_LT(gap, 10500u);
    EXPECT_EQ(Pair().arrays.size(), 3u);
}

TEST_P(ArrayCreationCommandsTest, AddedPartitionIsAnsweredAndListed) {
    const sim::StorageSystem pair = Pair();
    const Reply added = AddPartition(pair.arrays[1].serial.data(), "newpart", 0x100000);
    ASSERT_EQ(added.status, 0);
    EXPECT_EQ(added.code, 0u);
    EXPECT_EQ(TextAt(added.buffer, 160 + offsetof(CAPI_ARRAY_PARTITION, name), 32), "newpart");
    const sim::StorageSystem after = Pair();
    ASSERT_EQ(after.partitions.size(), 5u);
    EXPECT_EQ(after.partitions[4].blocks, 0x100000u);
    EXPECT_EQ(after.partitions[4].array, 1u);
    const Reply list = List(RRE_GET_ARRAY_PARTITION, kHandleA);
    ASSERT_EQ(BigEndianAt(list.buffer, 12), 5u);

    // The controller says "bad identifier": made anyway, the partition is found and the answer is 0;
    // not made, the answer stays 26 with an empty record.
    Fault(sim::FaultKind::ExecuteThenCode, CAPI_COMMAND_U_ADD_ARRAY_PARTITION, CAPI_ERROR_BAD_IDENTIFIER);
    const Reply made = AddPartition(pair.arrays[1].serial.data(), "made", 0x1000);
    EXPECT_EQ(made.code, 0u);
    EXPECT_EQ(TextAt(made.buffer, 160 + offsetof(CAPI_ARRAY_PARTITION, name), 32), "made");
    Fault(sim::FaultKind::ReturnCode, CAPI_COMMAND_U_ADD_ARRAY_PARTITION, CAPI_ERROR_BAD_IDENTIFIER);
    const Reply notMade = AddPartition(pair.arrays[1].serial.data(), "notmade", 0x1000);
    EXPECT_EQ(notMade.code, static_cast<uint32_t>(CAPI_ERROR_BAD_IDENTIFIER));
    EXPECT_EQ(TextAt(notMade.buffer, 160 + offsetof(CAPI_ARRAY_PARTITION, name), 32), "");
}

// A partition mapped by default and to two hosts is unmapped from all three before it is deleted.
TEST_P(ArrayCreationCommandsTest, DeletePartUnmapsEveryHostThenDeletes) {
    const sim::Wwn host1{0x21, 0, 0, 0, 0, 0, 0, 1};
    const sim::Wwn host2{0x21, 0, 0, 0, 0, 0, 0, 2};
    fabric_->Edit([&](sim::FabricModel& m) {
        sim::Partition& p = m.systems[0].partitions[1];
        p.defaultMap.flags.fill(0);
        p.defaultMap.flags[0] = 0xC0;
        for (const sim::Wwn& host : {host1, host2}) {
            sim::HostMapping mapping;
            mapping.host = sim::HostPortId::Fc(host);
            mapping.map.hlun = 5;
            mapping.map.flags[1] = 0xC0;
            p.hostMaps.push_back(mapping);
        }
    });
    const sim::Serial16 serial = Pair().partitions[1].serial;
    fabric_->journal().Clear();
    const Reply reply = DeleteBySerial(RRE_DELETE_PART, serial.data(), serial.size());
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(SentCodes(), (std::vector<uint32_t>{
                               CAPI_COMMAND_U_MAP_UNMAP_PARTITION, CAPI_COMMAND_U_MAP_UNMAP_PARTITION,
                               CAPI_COMMAND_U_MAP_UNMAP_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY_PARTITION}));
    const std::vector<sim::JournalEntry> unmaps = Sent(CAPI_COMMAND_U_MAP_UNMAP_PARTITION);
    ASSERT_EQ(unmaps.size(), 3u);
    EXPECT_EQ(unmaps[0].include[28], 0) << "the default mapping first";
    EXPECT_EQ(unmaps[1].include[28], 16);
    EXPECT_EQ(std::memcmp(unmaps[1].include.data() + 48, host1.data(), 8), 0);
    EXPECT_EQ(std::memcmp(unmaps[2].include.data() + 48, host2.data(), 8), 0);
    EXPECT_EQ(sim::FindPartition(*std::make_unique<sim::StorageSystem>(Pair()), serial.data()), nullptr);
    const Reply list = List(RRE_GET_ARRAY_PARTITION, kHandleA);
    EXPECT_EQ(BigEndianAt(list.buffer, 12), 3u);
}

// A view that claims more hosts than its 128 entries is read as 128: the bytes after the last mapping are
// no mapping, and no more than 128 hosts are unmapped.
TEST_P(ArrayCreationCommandsTest, ViewHostCountIsClampedToItsEntries) {
    const sim::Partition partition = Pair().partitions[2];
    auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    std::memset(view.get(), 0, sizeof *view);
    std::memcpy(&view->partitionSerialNumber, partition.serial.data(), partition.serial.size());
    view->numHosts = 300;
    for (auto& map : view->mappings) map.flags[0] = 0x20;
    std::memset(&view->hostPorts[0], 0xC0, 16);  // where a 129th mapping's flags would be
    const int32_t a = FindControllerByClientId(kHandleA);
    EXPECT_FALSE(IsPartitionMapped(a, *view));

    view->mappings[127].flags[1] = 0xC0;
    EXPECT_TRUE(IsPartitionMapped(a, *view));
    fabric_->SetHandler(CAPI_COMMAND_U_GET_PARTITION_VIEW,
                        [&](const sim::CapiRequest&, sim::StorageSystem&, int) {
                            sim::CapiAnswer answer;
                            answer.includeType = 65;
                            answer.params[0] = 1;
                            const auto* bytes = reinterpret_cast<const uint8_t*>(view.get());
                            answer.data.assign(bytes, bytes + sizeof *view);
                            return answer;
                        });
    fabric_->journal().Clear();
    const Reply reply = DeleteBySerial(RRE_DELETE_PART, partition.serial.data(), partition.serial.size());
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(Sent(CAPI_COMMAND_U_MAP_UNMAP_PARTITION).size(), 1u + 128u);
}

TEST_P(ArrayCreationCommandsTest, PartitionThatSurvivesThreeDeletionsAnswersTwo) {
    const sim::Serial16 serial = Pair().partitions[0].serial;
    Fault(sim::FaultKind::SurvivesDeletion, CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, 0, 3);
    const Reply reply = DeleteBySerial(RRE_DELETE_PART, serial.data(), serial.size());
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 2u);
    EXPECT_EQ(Sent(CAPI_COMMAND_U_DELETE_ARRAY_PARTITION).size(), 3u);
    EXPECT_EQ(Pair().partitions.size(), 4u);
}

// With periodic discovery off and the pair answering nothing, an object the proxy has not read yet (made
// since its last read of the pair) is not in its database, but it is not gone either: DELETE_PART and
// DELETE_ARRAY answer a failure, and the object is still there once the pair is back.
TEST_P(ArrayCreationCommandsTest, DeletionOnAPairThatDoesNotAnswerFails) {
    Exec(RRE_SET_DISCOVERY_FLAG, 12, kHandleA, [](std::vector<uint8_t>& b) { PutWord(b, 8, 0); });
    sim::Partition volume = Pair().partitions[0];
    volume.serial[15] = 0x7E;
    volume.name = "made-meanwhile";
    sim::Array array = Pair().arrays[1];
    array.serial[15] = 0x7E;
    array.name = "vd03";
    fabric_->Edit([&](sim::FabricModel& m) {
        m.systems[0].partitions.push_back(volume);
        m.systems[0].arrays.push_back(array);
    });
    fabric_->RecordConfigurationChange(0);
    const struct {
        const char* name;
        uint32_t code;
        const uint8_t* serial;
        size_t length;
    } cases[] = {
        // clang-format off
        {"DELETE_PART", RRE_DELETE_PART, volume.serial.data(), volume.serial.size()},
        {"DELETE_ARRAY", RRE_DELETE_ARRAY, array.serial.data(), array.serial.size()},
        // clang-format on
    };
    auto setPair = [&](sim::HalfState state) {
        for (int half : {0, 1}) fabric_->SetControllerCondition(0, half, state, 0, 0);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setPair(sim::HalfState::Down);
        const Reply reply = DeleteBySerial(c.code, c.serial, c.length);
        setPair(sim::HalfState::Up);
        EXPECT_TRUE(reply.status != 0 || reply.code != 0);
        EXPECT_NE(sim::FindPartition(*std::make_unique<sim::StorageSystem>(Pair()), volume.serial.data()),
                  nullptr);
        EXPECT_EQ(Pair().arrays.size(), 3u);
    }
}

// Answered "utility running", the deletion escalates: two retries 3 s apart, one more, the utility
// aborted, ten retries, then the member drives downed, a last delete 3 s later, a rescan and the former
// members cleared.
TEST_P(ArrayCreationCommandsTest, DeleteArrayAnsweredUtilityRunningEscalates) {
    for (const bool survives : {false, true}) {
        SCOPED_TRACE(survives ? "the array survives" : "the array goes");
        const sim::StorageSystem pair = Pair();
        const size_t members = static_cast<size_t>(pair.arrays[0].numDrives);
        Fault(sim::FaultKind::ReturnCode, CAPI_COMMAND_U_DELETE_ARRAY, CAPI_ERROR_UTILITY_ALREADY_RUNNING,
              13);
        if (survives) Fault(sim::FaultKind::SurvivesDeletion, CAPI_COMMAND_U_DELETE_ARRAY, 0);
        fabric_->journal().Clear();
        const Reply reply = DeleteBySerial(RRE_DELETE_ARRAY, pair.arrays[0].serial.data(), 32);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, survives ? 2u : 0u);

        std::vector<uint32_t> expected(3, CAPI_COMMAND_U_DELETE_ARRAY);
        expected.push_back(CAPI_COMMAND_U_ABORT_UTILITY);
        expected.insert(expected.end(), 10, CAPI_COMMAND_U_DELETE_ARRAY);
        expected.insert(expected.end(), members, CAPI_COMMAND_U_DOWN_DRIVE);
        expected.push_back(CAPI_COMMAND_U_DELETE_ARRAY);
        expected.push_back(CAPI_COMMAND_U_RESCAN);
        expected.insert(expected.end(), members, CAPI_COMMAND_U_DO_SCSI_MAINT);
        EXPECT_EQ(SentCodes(), expected);
        const std::vector<sim::JournalEntry> deletes = Sent(CAPI_COMMAND_U_DELETE_ARRAY);
        ASSERT_EQ(deletes.size(), 14u);
        EXPECT_EQ(deletes[1].timeMs - deletes[0].timeMs, 3000u);
        const std::vector<sim::JournalEntry> downs = Sent(CAPI_COMMAND_U_DOWN_DRIVE);
        EXPECT_EQ(deletes[13].timeMs - downs.back().timeMs, 3000u);
        EXPECT_EQ(Pair().arrays.size(), survives ? 2u : 1u);
        fabric_->Edit([](sim::FabricModel& m) { m.systems[0].drives[0].use = sim::DriveUse::Available; });
        if (!survives) break;
    }
}

// Controller A drops off the bus as the deletion reaches it: the command goes on with the controller the
// database holds now, and the array is reported gone only once it is.
TEST_P(ArrayCreationCommandsTest, DeletionGoesOnWhenTheControllerVanishes) {
    const sim::StorageSystem pair = Pair();
    Fault(sim::FaultKind::Vanish, CAPI_COMMAND_U_DELETE_ARRAY, 0);
    const Reply reply = DeleteBySerial(RRE_DELETE_ARRAY, pair.arrays[0].serial.data(), 32);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(Pair().arrays.size(), 1u);
    const std::vector<sim::JournalEntry> deletes = Sent(CAPI_COMMAND_U_DELETE_ARRAY);
    ASSERT_GE(deletes.size(), 2u);
    EXPECT_EQ(deletes.back().half, 1) << "the deletion that took effect reached controller B";
}

TEST_P(ArrayCreationCommandsTest, DeletingAnArrayThatIsGoneAnswersZeroAndSendsNothing) {
    uint8_t serial[32] = "NO-SUCH-ARRAY";
    fabric_->journal().Clear();
    const Reply reply = DeleteBySerial(RRE_DELETE_ARRAY, serial, sizeof serial);
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_TRUE(SentCodes().empty());
}

// An array whose utility is of kind 2 loses its partitions before the utility is aborted.
TEST_P(ArrayCreationCommandsTest, AbortUtilityOfKindTwoDeletesTheArraysPartitionsFirst) {
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].arrays[1].utilityRunning = 2; });
    fabric_->RecordConfigurationChange(0);
    const sim::StorageSystem pair = Pair();
    fabric_->journal().Clear();
    const Reply reply = Exec(RRE_ABORT_UTILITY, 44, kHandleB, [&](std::vector<uint8_t>& b) {
        std::memcpy(b.data() + 12, pair.arrays[1].serial.data(), 32);
    });
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    std::vector<uint32_t> order;
    for (uint32_t code : SentCodes()) {
        if (code != CAPI_COMMAND_U_MAP_UNMAP_PARTITION) order.push_back(code);
    }
    EXPECT_EQ(order,
              (std::vector<uint32_t>{CAPI_COMMAND_U_DELETE_ARRAY_PARTITION,
                                     CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, CAPI_COMMAND_U_ABORT_UTILITY}));
    const sim::StorageSystem after = Pair();
    EXPECT_EQ(after.partitions.size(), 2u);
    EXPECT_EQ(after.arrays[1].utilityRunning, 0);
}

TEST_P(ArrayCreationCommandsTest, ExpandArrayAddsDrivesByLocation) {
    fabric_->Edit([](sim::FabricModel& m) { m.systems[0].drives[8].use = sim::DriveUse::Leftover; });
    fabric_->RecordConfigurationChange(0);
    List(RRE_GET_ARRAY_LIST, kHandleA);  // the expansion itself does not read the controller first
    const sim::StorageSystem pair = Pair();
    auto expand = [&](std::vector<uint32_t> scsiIds, uint32_t n) {
        return Exec(RRE_EXPAND_ARRAY, 592, kHandleA, [&](std::vector<uint8_t>& b) {
            PutWord(b, 12, n);
            std::memcpy(b.data() + 16, pair.arrays[1].serial.data(), 32);
            for (size_t i = 0; i < scsiIds.size(); ++i) PutWord(b, 52 + 8 * i, scsiIds[i]);
        });
    };
    fabric_->journal().Clear();
    const Reply unknown = expand({8, 40}, 2);
    EXPECT_EQ(unknown.status, -1);
    EXPECT_EQ(unknown.code, RRE_ERROR_BAD_DRIVE);
    EXPECT_EQ(SentCodes(), std::vector<uint32_t>{CAPI_COMMAND_U_DO_SCSI_MAINT})
        << "only the clear of drive 8";
    EXPECT_EQ(expand({7}, 69).code, RRE_ERROR_BAD_DRIVE);

    const Reply added = expand({7, 8}, 2);
    EXPECT_EQ(added.status, 0);
    EXPECT_EQ(added.code, 0u);
    const sim::StorageSystem after = Pair();
    EXPECT_EQ(after.arrays[1].numDrives, 4u);
    EXPECT_EQ(after.drives[7].use, sim::DriveUse::Member);
    EXPECT_EQ(after.drives[8].use, sim::DriveUse::Member);
}

}  // namespace
