// The fabric's command contract: the dispatcher, not the handlers, moves the pair's sequence numbers after
// a change and derives the host's disks again; a disk that stays keeps its number, a new one takes the
// lowest free number, and a handle to a disk that went fails as a vanished device.
#include <cstring>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_event_codes.h"
#include "corlink/capi_wire/capi_host.h"
#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/file_io.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "sim/host_errors.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

constexpr uint32_t kMap = CAPI_COMMAND_U_MAP_UNMAP_PARTITION;
constexpr sim::Wwn kHostPortA{0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01};
constexpr sim::Wwn kOtherHostsPort{0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0xFF, 0xFF};

// U_MAP_UNMAP_PARTITION of a partition for a host port (all zero: its default mapping): presented under
// `lun` on every channel, or (lun 0) taken away.
std::vector<uint8_t> MapRequest(const sim::Serial16& partition, const sim::Wwn& port, uint16_t lun) {
    CAPI_MAP_UNMAP_PARAMS record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.partitionSerialNumber, partition.data(), partition.size());
    record.mapping.hlun = lun;
    std::memset(record.mapping.flags, lun != 0 ? 0xC0 : 0x00, sizeof record.mapping.flags);
    std::memcpy(record.flexId.FCPortWWN, port.data(), port.size());
    return IncludeRequest(kMap, 63, &record, sizeof record, 1);
}

class CommandContractTest : public FabricTest {
  protected:
    sim::Serial16 PartitionSerial(size_t index) {
        return fabric_->Model().systems[0].partitions[index].serial;
    }
    uint32_t SequenceOfA() {
        return HeaderOf(Exchange(kLunB, RequestPacket(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER))).param2;
    }
    // The host disk numbers and the partition serials behind them.
    std::vector<std::pair<uint32_t, std::string>> Disks() {
        std::vector<std::pair<uint32_t, std::string>> disks;
        for (const sim::HostDisk& disk : fabric_->Disks())
            disks.emplace_back(disk.number, sim::HexText(disk.serial));
        return disks;
    }
};
INSTANTIATE_TEST_SUITE_P(Reach, CommandContractTest,
                         ::testing::Values(Reach::InProcess, Reach::ThroughSocket), ReachName);

TEST_P(CommandContractTest, AChangeMovesThePairsNumbersThroughTheDispatcherAlone) {
    // A stand-in handler that only answers: whatever it does, the dispatcher moves the numbers on success.
    const struct {
        const char* what;
        bool installSilentHandler;
        int32_t handlerCode;
        sim::FaultKind fault;  // ReturnCode with code 0: no fault
        int32_t faultCode;
        bool namesKnownPartition;
        uint32_t expectedError;
        bool moves;
    } cases[] = {
        // clang-format off
        {"the row's handler", false, 0, sim::FaultKind::ReturnCode, 0, true, 0, true},
        {"an unknown partition", false, 0, sim::FaultKind::ReturnCode, 0, false, CAPI_ERROR_BAD_IDENTIFIER, false},
        {"refused by a fault", false, 0, sim::FaultKind::ReturnCode, 47, true, 47, false},
        {"executed, then a code", false, 0, sim::FaultKind::ExecuteThenCode, 47, true, 47, true},
        {"answered, not executed", false, 0, sim::FaultKind::SurvivesDeletion, 0, true, 0, false},
        // Installed handlers stay for the rest of the test.
        {"a handler that only answers", true, 0, sim::FaultKind::ReturnCode, 0, true, 0, true},
        {"a handler that fails", true, 5, sim::FaultKind::ReturnCode, 0, true, 5, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.installSilentHandler) {
            fabric_->SetHandler(kMap, [&c](const sim::CapiRequest&, sim::StorageSystem&, int) {
                sim::CapiAnswer answer;
                answer.returnCode = c.handlerCode;
                return answer;
            });
        }
        if (c.faultCode != 0 || c.fault != sim::FaultKind::ReturnCode) {
            fabric_->InjectFault(0, 0, {c.fault, kMap, c.faultCode, 1});
        }
        const uint32_t before = SequenceOfA();
        sim::Serial16 serial = PartitionSerial(3);
        if (!c.namesKnownPartition) serial[0] ^= 0xFF;
        const CAPI_PACKET_HEADER reply = HeaderOf(Exchange(kLunA, MapRequest(serial, kHostPortA, 7)));
        EXPECT_EQ(reply.errorCode, c.expectedError);
        const uint32_t after = SequenceOfA();
        EXPECT_EQ(after, c.moves ? before + 0x00010001u : before);
        if (c.fault == sim::FaultKind::ReturnCode && c.faultCode == 0) {
            // The reply carries the numbers as they are after the command, A's in param2, B's in param3.
            EXPECT_EQ(reply.param2, after);
            EXPECT_EQ(reply.param3, after);
        }
    }
}

// A lost reply after the command was carried out: the host's read times out, the change stands.
TEST_P(CommandContractTest, ACommandExecutedBeforeItsReplyIsLostHasTakenEffect) {
    fabric_->InjectFault(0, 0, {sim::FaultKind::ExecuteThenNoReply, kMap, 0, 1});
    const uint32_t before = SequenceOfA();
    EXPECT_TRUE(WriteBuffer(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 7)).ok);
    std::vector<uint8_t> reply;
    const ScsiResult read = ReadBuffer(kLunA, &reply);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, sim::kHostErrorTimeout);
    EXPECT_EQ(SequenceOfA(), before + 0x00010001u);
    EXPECT_EQ(fabric_->journal().Entries()[1].fault, "execute then no reply");
}

TEST_P(CommandContractTest, MappingMakesADiskWithAStableNumberAndAnOpenHandleToARemovedDiskFails) {
    ASSERT_EQ(Disks().size(), 3u);  // the first three partitions, by default mapping, as disks 0-2
    const std::string third = sim::HexText(PartitionSerial(2));
    const std::string fourth = sim::HexText(PartitionSerial(3));
    HANDLE disk1 = CreateFileA("\\\\.\\PhysicalDrive1", 0, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE disk2 = CreateFileA("\\\\.\\PhysicalDrive2", 0, 3, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(disk1, INVALID_HANDLE_VALUE);
    ASSERT_NE(disk2, INVALID_HANDLE_VALUE);
    auto numberOf = [](HANDLE h, DWORD* error) {
        STORAGE_DEVICE_NUMBER number{};
        DWORD returned = 0;
        if (!DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                             &returned, nullptr)) {
            *error = GetLastError();
            return -1;
        }
        return static_cast<int>(number.DeviceNumber);
    };

    // The second partition's default mapping taken away: disk 1 goes, the others keep their numbers.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(1), {}, 0))).errorCode, 0u);
    EXPECT_EQ(Disks(), (std::vector<std::pair<uint32_t, std::string>>{{0, sim::HexText(PartitionSerial(0))},
                                                                      {2, third}}));
    DWORD error = 0;
    EXPECT_EQ(numberOf(disk1, &error), -1);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(numberOf(disk2, &error), 2);

    // Mapped to a port of another host: no disk here. To the host's port: it takes the lowest free number.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kOtherHostsPort, 4))).errorCode, 0u);
    EXPECT_EQ(Disks().size(), 2u);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 4))).errorCode, 0u);
    EXPECT_EQ(Disks(), (std::vector<std::pair<uint32_t, std::string>>{
                           {0, sim::HexText(PartitionSerial(0))}, {1, fourth}, {2, third}}));
    // The old handle named another disk: it stays gone, while a new open reaches the new disk.
    EXPECT_EQ(numberOf(disk1, &error), -1);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    std::vector<uint8_t> page(64, 0);
    ScsiResult serial = Scsi("\\\\.\\PhysicalDrive1", {}, {0x12, 1, 0x80, 0, 64, 0}, true, page.data(), 64);
    ASSERT_TRUE(serial.ok);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(page.data()) + 4, 32), fourth);
    // The DOS names follow the disks; the host LUN is the mapping's.
    char target[64] = {};
    EXPECT_GT(QueryDosDeviceA("PhysicalDrive1", target, sizeof target), 0u);
    EXPECT_EQ(fabric_->Disk(1)->address, (sim::ScsiAddress{2, 0, 0, 4}));
    EXPECT_EQ(fabric_->Model().systems[0].events.back().code, CAPI_EVENT_MAP_UNMAP_ARRAY_PARTITION);

    // Taken away from the host's port again: the disk goes.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 0))).errorCode, 0u);
    EXPECT_EQ(Disks().size(), 2u);
    EXPECT_EQ(QueryDosDeviceA("PhysicalDrive1", target, sizeof target), 0u);
    CloseHandle(disk1);
    CloseHandle(disk2);
}

TEST_P(CommandContractTest, AMappingAtALunThePortAlreadySeesIsRefused) {
    // LUN 2 is the second partition's default mapping: every port sees it there.
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 2))).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_LUN_OVERLAP));
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), {}, 3))).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_LUN_OVERLAP));
    // A LUN that one host's port uses stays free for another host's port; the same partition may be mapped
    // again at its own LUN, and taking a mapping away is never refused.
    ASSERT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 4))).errorCode, 0u);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 4))).errorCode, 0u);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(2), kOtherHostsPort, 4))).errorCode, 0u);
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(2), kHostPortA, 4))).errorCode,
              static_cast<uint32_t>(CAPI_ERROR_LUN_OVERLAP));
    EXPECT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(0), kHostPortA, 0))).errorCode, 0u);
}

TEST_P(CommandContractTest, PartitionViewShowsTheDefaultAndPerHostMappings) {
    ASSERT_EQ(HeaderOf(Exchange(kLunA, MapRequest(PartitionSerial(3), kHostPortA, 9))).errorCode, 0u);
    const sim::Serial16 serial = PartitionSerial(3);
    const std::vector<uint8_t> reply =
        Exchange(kLunB, ObjectRequest(CAPI_COMMAND_U_GET_PARTITION_VIEW, serial.data(), serial.size()));
    ASSERT_EQ(reply.size(), 80u + sizeof(CAPI_PARTITION_VIEW_TABLE));
    auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    std::memcpy(view.get(), reply.data() + 80, sizeof *view);
    EXPECT_EQ(view->defaultMapping.flags[0], 0);  // not presented by default
    ASSERT_EQ(view->numHosts, 1);
    EXPECT_EQ(view->mappings[0].hlun, 9);
    EXPECT_EQ(std::memcmp(view->wwn[0], kHostPortA.data(), 8), 0);
}

}  // namespace
}  // namespace simtest
