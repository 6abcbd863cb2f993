#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "platform/time/clock.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

constexpr uint32_t kSequence = CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER;
constexpr uint32_t kArrays = CAPI_COMMAND_U_GET_ARRAY_LIST;

// Each fault meets the scripted command once: the write's and the read's outcome, then the next
// exchange of the same command goes through again.
TEST_P(FabricTest, EachInjectedFaultMeetsItsCommandOnce) {
    const struct {
        sim::FaultKind kind;
        bool writeOk;      // the write's I/O control succeeded
        uint8_t writeKey;  // sense key of the write (0: GOOD)
        uint8_t writeAsc;
        bool readOk;
        DWORD readError;
        const char* journal;
    } cases[] = {
        // clang-format off
        {sim::FaultKind::ReturnCode, true, 0, 0, true, 0, "return code"},
        {sim::FaultKind::NoReply, true, 0, 0, false, 121, "no reply"},
        {sim::FaultKind::PaperJam, true, 5, 0x3B, true, 0, "paper jam"},
        {sim::FaultKind::BusReset, true, 6, 0x29, true, 0, "bus reset"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.journal);
        fabric_->journal().Clear();
        fabric_->InjectFault(0, 0, {c.kind, kSequence, CAPI_ERROR_CONTROLLER_SHUTDOWN, 1});

        // A command the fault does not name passes untouched.
        EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(kArrays))).errorCode, 0u);

        ScsiResult write = WriteBuffer(kLunA, RequestPacket(kSequence));
        EXPECT_EQ(write.ok, c.writeOk);
        EXPECT_EQ(write.status, c.writeKey == 0 ? 0 : 2);
        if (c.writeKey != 0) {
            EXPECT_EQ(write.senseKey(), c.writeKey);
            EXPECT_EQ(write.asc(), c.writeAsc);
        }
        std::vector<uint8_t> reply;
        ScsiResult read = ReadBuffer(kLunA, &reply);
        EXPECT_EQ(read.ok, c.readOk);
        if (!c.readOk) {
            EXPECT_EQ(read.error, c.readError);
        }
        if (c.kind == sim::FaultKind::ReturnCode) {
            EXPECT_EQ(read.status, 0);
            EXPECT_EQ(HeaderOf(reply).errorCode, static_cast<uint32_t>(CAPI_ERROR_CONTROLLER_SHUTDOWN));
            EXPECT_EQ(HeaderOf(reply).packetLength, 80u);
        } else if (c.readOk) {
            EXPECT_EQ(read.status, 2);  // the refused write left nothing to read
        }

        EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(kSequence))).errorCode, 0u);
        const std::vector<sim::JournalEntry> entries = fabric_->journal().Entries();
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[1].fault, c.journal);
        EXPECT_TRUE(entries[2].fault.empty());
    }
}

TEST_P(FabricTest, FaultScriptedForSeveralTimesAndForAnyCommand) {
    fabric_->InjectFault(0, 1, {sim::FaultKind::BusReset, sim::kAnyCommand, 0, 2});
    EXPECT_EQ(WriteBuffer(kLunB, RequestPacket(kArrays)).senseKey(), 6);
    EXPECT_EQ(WriteBuffer(kLunB, RequestPacket(kSequence)).senseKey(), 6);
    EXPECT_EQ(HeaderOf(Exchange(kLunB, RequestPacket(kSequence))).errorCode, 0u);
    // Controller A never had the fault.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(kSequence))).errorCode, 0u);
}

TEST_P(FabricTest, VanishedControllerLeavesTheBus) {
    fabric_->InjectFault(0, 1, {sim::FaultKind::Vanish, kSequence, 0, 1});
    ScsiResult write = WriteBuffer(kLunB, RequestPacket(kSequence));
    EXPECT_FALSE(write.ok);
    EXPECT_EQ(write.error, 55u);

    std::vector<uint8_t> data;
    ScsiResult inquiry = Inquiry(kLunB, false, 0, &data);
    EXPECT_FALSE(inquiry.ok);
    EXPECT_EQ(inquiry.error, 55u);
    for (const sim::ListedLun& lun : fabric_->ListAdapter(3)) EXPECT_NE(lun.address, kLunB);
    // Its partner still answers, and the disks stay reachable through it.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(kSequence))).errorCode, 0u);
    EXPECT_EQ(fabric_->ListAdapter(2).size(), 4u);

    fabric_->SetControllerPresent(0, 1, true);  // back after a reboot
    EXPECT_TRUE(Inquiry(kLunB, false, 0, &data).ok);
}

}  // namespace
}  // namespace simtest

namespace simtest {
namespace {

// Faults that last: the controller down (no replies) or refusing (each command its code) until virtual
// time has passed; the journal notes the state each command met.
TEST_P(FabricTest, AControllerDownOrRefusingForATimeIsBackAfterIt) {
    platform::ScopedVirtualClock clock;
    const struct {
        sim::FaultKind kind;
        const char* state;
    } cases[] = {{sim::FaultKind::DownFor, "down"}, {sim::FaultKind::RefusingFor, "refusing"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        fabric_->journal().Clear();
        fabric_->InjectFault(0, 1, {c.kind, kSequence, CAPI_ERROR_CONTROLLER_SHUTDOWN, 1, 90000});
        auto expectStopped = [&](uint32_t command) {
            EXPECT_TRUE(WriteBuffer(kLunB, RequestPacket(command)).ok);
            std::vector<uint8_t> reply;
            ScsiResult read = ReadBuffer(kLunB, &reply);
            if (c.kind == sim::FaultKind::DownFor) {
                EXPECT_FALSE(read.ok);
                EXPECT_EQ(read.error, 121u);
            } else {
                EXPECT_EQ(HeaderOf(reply).errorCode, static_cast<uint32_t>(CAPI_ERROR_CONTROLLER_SHUTDOWN));
            }
        };
        expectStopped(kSequence);                                                    // meets the fault
        EXPECT_EQ(HeaderOf(Exchange(kLunA, RequestPacket(kArrays))).errorCode, 0u);  // the partner answers
        platform::GetClock().Sleep(89999);
        expectStopped(kArrays);
        platform::GetClock().Sleep(1);
        // 90 s later it answers again; its partner never stopped.
        EXPECT_EQ(HeaderOf(Exchange(kLunB, RequestPacket(kArrays))).errorCode, 0u);
        const std::vector<sim::JournalEntry> entries = fabric_->journal().Entries();
        ASSERT_EQ(entries.size(), 4u);
        EXPECT_EQ(entries[0].fault, c.state);  // the fault's name
        EXPECT_EQ(entries[2].fault, c.state);  // the state it left
        EXPECT_TRUE(entries[3].fault.empty());
    }
}

TEST_P(FabricTest, MalformedReplyCannotBeTakenForAReply) {
    fabric_->InjectFault(0, 0, {sim::FaultKind::MalformedReply, kSequence, 0, 1});
    const std::vector<uint8_t> reply = Exchange(kLunA, RequestPacket(kSequence));
    ASSERT_EQ(reply.size(), 80u);
    EXPECT_NE(std::memcmp(HeaderOf(reply).signature, "CAPI", 4), 0);
    EXPECT_GT(HeaderOf(reply).packetLength, reply.size());
}

// Host-disk faults meet the disk's commands; the journal keeps every disk command with its CDB, time-out
// and outcome.
TEST_P(FabricTest, HostDiskFaultsAndTheDiskJournal) {
    fabric_->InjectDiskFault(1, {sim::FaultKind::DiskCheckCondition, 0x35, 0x031100, 1});
    fabric_->InjectDiskFault(1, {sim::FaultKind::DiskTimeout, 0x00, 0, 1});
    fabric_->InjectDiskFault(1, {sim::FaultKind::DiskReservationConflict, 0x35, 0x062A03, 1});
    const std::vector<uint8_t> sync = {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ScsiResult checked = Scsi("\\\\.\\PhysicalDrive1", {}, sync, true, nullptr, 0);
    EXPECT_EQ(checked.status, 2);
    EXPECT_EQ(checked.senseKey(), 3);
    EXPECT_EQ(checked.asc(), 0x11);
    ScsiResult conflict = Scsi("\\\\.\\PhysicalDrive1", {}, sync, true, nullptr, 0);
    EXPECT_EQ(conflict.status, 0x18);
    EXPECT_EQ(conflict.sense.size(), 18u);
    EXPECT_EQ(conflict.senseKey(), 6);
    EXPECT_EQ(conflict.asc(), 0x2A);
    ScsiResult timedOut = Scsi("\\\\.\\PhysicalDrive1", {}, {0, 0, 0, 0, 0, 0}, true, nullptr, 0);
    EXPECT_FALSE(timedOut.ok);
    EXPECT_EQ(timedOut.error, 121u);
    EXPECT_EQ(Scsi("\\\\.\\PhysicalDrive1", {}, sync, true, nullptr, 0).status, 0);
    EXPECT_EQ(Scsi("\\\\.\\PhysicalDrive0", {}, sync, true, nullptr, 0).status, 0);  // another disk

    const std::vector<sim::DiskJournalEntry> entries = fabric_->journal().DiskEntries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].disk, 1u);
    EXPECT_EQ(entries[0].cdb, sync);
    EXPECT_EQ(entries[0].timeoutSeconds, 60u);
    EXPECT_EQ(entries[0].outcome, "check 3/11/00");
    EXPECT_EQ(entries[0].fault, "disk check condition");
    EXPECT_EQ(entries[1].outcome, "status 18 6/2A/03");
    EXPECT_EQ(entries[1].fault, "disk reservation conflict");
    EXPECT_EQ(entries[2].outcome, "error 121");
    EXPECT_EQ(entries[3].outcome, "good");
    EXPECT_EQ(entries[4].disk, 0u);
}

}  // namespace
}  // namespace simtest
