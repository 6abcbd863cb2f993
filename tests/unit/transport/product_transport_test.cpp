// The proxy's own SCSI command layer and controller discovery run against the fabric: the fabric's
// answers must mean to them what a controller's answers mean.
#include <cstring>
#include <memory>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/packet.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/transport/discovery.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/multipath.h"
#include "corlink/transport/processor_device_table.h"
#include "corlink/transport/scsi_command.h"
#include "tests/support/test_root.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

class ProductTransportTest : public FabricTest {
  protected:
    void SetUp() override {
        FabricTest::SetUp();
        OpenDebugFile(nullptr);
        testsupport::WriteWholeFile(root_.path() + "/corlink.conf", "[Models]\nm1 = Brenlow +Stor.*\n");
        std::snprintf(g_ConfigFile, sizeof g_ConfigFile, "%s", (root_.path() + "/corlink.conf").c_str());
    }
    void TearDown() override {
        CloseDebugFile();
        FabricTest::TearDown();
    }

    // The product's request packet of a command without include.
    static std::vector<uint8_t> Built(uint32_t commandCode) {
        std::vector<uint8_t> packet(CAPI_MAX_PACKET_SIZE, 0);
        PacketFields fields;
        fields.commandCode = commandCode;
        fields.address = CAPI_ADDRESS{0x100, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
        fields.param4 = 1;
        const uint32_t length = BuildPacket(packet.data(), fields);
        packet.resize(length);
        return packet;
    }

    int Write(const sim::ScsiAddress& lun, std::vector<uint8_t> packet) {
        return sendWriteBuf(AdapterName(lun.adapter).c_str(), lun.bus, lun.target, lun.lun, nullptr,
                            packet.data(), static_cast<uint32_t>(packet.size()));
    }
    int Read(const sim::ScsiAddress& lun, std::vector<uint8_t>* reply) {
        reply->assign(CAPI_MAX_PACKET_SIZE, 0);
        uint32_t received = 0;
        return sendReadBuf(AdapterName(lun.adapter).c_str(), lun.bus, lun.target, lun.lun, nullptr,
                           reply->data(), static_cast<uint32_t>(reply->size()), &received);
    }

    testsupport::TestRoot root_;
};

INSTANTIATE_TEST_SUITE_P(Reach, ProductTransportTest,
                         ::testing::Values(Reach::InProcess, Reach::ThroughSocket), ReachName);

TEST_P(ProductTransportTest, DiscoveryFindsBothControllersOfThePair) {
    DiscoverProcessorDevices();
    ASSERT_EQ(processorDeviceTableSize, 2u);
    const struct {
        uint32_t adapter;
        uint8_t id;
        uint8_t serialLast;
        uint8_t port;
    } expected[] = {{2, 1, 0x01, 0}, {3, 0, 0x02, 1}};
    for (size_t i = 0; i < 2; ++i) {
        const PROCESSOR_DEVICE& device = processorDeviceTable[i];
        EXPECT_EQ(device.adapter, expected[i].adapter);
        EXPECT_EQ(device.lun, 0);
        EXPECT_EQ(device.id, expected[i].id);
        EXPECT_EQ(device.responds, 1);
        EXPECT_EQ(device.ready, 1);
        EXPECT_EQ(device.port, expected[i].port);
        EXPECT_EQ(device.controllerSerialNumber[5], expected[i].serialLast);
        EXPECT_EQ(device.controllerUniqueId[0], 0x0A);
        EXPECT_EQ(device.deviceType, 0x0D);
        EXPECT_EQ(std::string(device.deviceName), AdapterName(static_cast<uint8_t>(expected[i].adapter)));
    }
    // Each controller reported the host port its commands came through.
    ASSERT_EQ(g_HbaInfoList.count, 2u);
    EXPECT_EQ(g_HbaInfoList.entries[0].hbaWwpn[1], 0x00);
    EXPECT_EQ(g_HbaInfoList.entries[1].hbaWwpn[1], 0x01);
    EXPECT_EQ(g_HbaInfoList.entries[0].numControllerPorts, 1);
}

TEST_P(ProductTransportTest, BuiltRequestIsAnsweredThroughTheCommandLayer) {
    ASSERT_EQ(Write(kLunA, Built(CAPI_COMMAND_U_GET_CONTROLLER_DATA)), 0);
    std::vector<uint8_t> reply;
    ASSERT_EQ(Read(kLunA, &reply), 0);
    const CAPI_PACKET_HEADER header = HeaderOf(reply);
    EXPECT_EQ(header.commandCode, CAPI_REPLY_U_GET_CONTROLLER_DATA);
    EXPECT_EQ(header.packetLength, 80u + 55732u);
    EXPECT_EQ(fabric_->journal().Entries().at(0).params[3], 1u);
}

TEST_P(ProductTransportTest, InjectedFaultsGiveTheCommandLayerItsResults) {
    const struct {
        sim::FaultKind kind;
        int write;
        int read;
    } cases[] = {
        // clang-format off
        {sim::FaultKind::PaperJam, 2, 2},   // the write is refused; nothing to read then
        {sim::FaultKind::BusReset, 3, 2},
        {sim::FaultKind::NoReply, 0, 5},    // the read's I/O control times out
        {sim::FaultKind::ReturnCode, 0, 0},
        {sim::FaultKind::Vanish, 5, 5},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(sim::FaultKindName(c.kind));
        fabric_->InjectFault(0, 0, {c.kind, sim::kAnyCommand, CAPI_ERROR_CONTROLLER_SHUTDOWN, 1});
        g_DeviceGone = 0;
        EXPECT_EQ(Write(kLunA, Built(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER)), c.write);
        std::vector<uint8_t> reply;
        EXPECT_EQ(Read(kLunA, &reply), c.read);
        EXPECT_EQ(g_DeviceGone, c.kind == sim::FaultKind::Vanish ? 1 : 0);
    }
}

// The multipath path choice reads the fabric's WMI answers: the path through controller A while it is
// there, else the one through B; a WRITE BUFFER on the disk then travels down the chosen path.
TEST_P(ProductTransportTest, MultipathChoosesAPathOfTheFabricAndPassesThroughIt) {
    InstallWmi();
    const char* disk = "\\\\.\\PhysicalDrive1";
    const struct {
        bool aPresent;
        uint64_t path;
        sim::ScsiAddress address;
    } cases[] = {{true, sim::MpioPathId(2), {2, 0, 0, 2}}, {false, sim::MpioPathId(3), {3, 0, 0, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.aPresent);
        fabric_->SetControllerPresent(0, 0, c.aPresent);
        InvalidateMpioCache(nullptr);
        SCSI_ADDRESS address{};
        EXPECT_EQ(GetMpioPath(disk, MPIO_PATH_WANT_SCSI_ADDRESS, &address), c.path);
        EXPECT_EQ((sim::ScsiAddress{address.PortNumber, address.PathId, address.TargetId, address.Lun}),
                  c.address);

        fabric_->journal().Clear();
        HANDLE device =
            CreateFileA(disk, GENERIC_READ | GENERIC_WRITE, 3, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        std::vector<uint8_t> block(608, 0);
        std::vector<uint8_t> packet = Built(CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER);
        SCSI_PASS_THROUGH_DIRECT request{};
        request.Length = sizeof request;
        request.CdbLength = 10;
        request.SenseInfoLength = 32;
        request.DataIn = SCSI_IOCTL_DATA_OUT;
        request.DataTransferLength = 80;
        request.DataBuffer = packet.data();
        request.SenseInfoOffset = 60;
        const uint8_t cdb[10] = {0x3B, 1, 0, 0, 0, 0, 0, 0, 80, 0};
        std::memcpy(request.Cdb, cdb, sizeof cdb);
        std::memcpy(block.data(), &request, sizeof request);
        DWORD returned = 0;
        EXPECT_TRUE(MpioPassThrough(disk, device, IOCTL_SCSI_PASS_THROUGH_DIRECT, block.data(), 608,
                                    &returned, nullptr));
        CloseHandle(device);
        const std::vector<sim::DiskJournalEntry> entries = fabric_->journal().DiskEntries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].address, c.address);
        EXPECT_EQ(entries[0].cdb[0], 0x3B);
    }
    InvalidateMpioCache(nullptr);
}

}  // namespace
}  // namespace simtest
