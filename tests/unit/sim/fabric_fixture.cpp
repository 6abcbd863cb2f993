#include "tests/unit/sim/fabric_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_protocol.h"
#include "platform/devices/device_io.h"
#include "platform/devices/fabric_client.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/file_io.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "tests/support/scenario_fabric.h"

namespace simtest {
namespace {

constexpr uint32_t kSenseOffset = 60;
constexpr uint32_t kBlockSize = 608;

}  // namespace

std::string ReachName(const ::testing::TestParamInfo<Reach>& info) {
    return info.param == Reach::InProcess ? "InProcess" : "ThroughSocket";
}

// Binaries that only use fixtures derived from FabricTest have none of its own tests.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FabricTest);
INSTANTIATE_TEST_SUITE_P(Reach, FabricTest, ::testing::Values(Reach::InProcess, Reach::ThroughSocket),
                         ReachName);

void FabricTest::SetUp() {
    ASSERT_NO_FATAL_FAILURE(testsupport::LoadFabric(SIM_SCENARIO_DIR "/default.ini", &fabric_));
    backend_ = std::make_unique<sim::FabricBackend>(*fabric_);
    wmi_ = std::make_unique<sim::FabricWmi>(*fabric_);
    if (GetParam() == Reach::InProcess) {
        platform::SetDeviceBackend(backend_.get());
        return;
    }
    // One socket per test and process: test binaries may run side by side.
    static int serial = 0;
    const std::string path =
        "/tmp/sim_fabric_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".sock";
    server_ = std::make_unique<sim::FabricServer>(*backend_, path, nullptr, wmi_.get());
    ASSERT_TRUE(server_->Start()) << path;
    client_ = platform::MakeFabricClient(path);
    wmiClient_ = platform::MakeFabricWmiClient(path);
    platform::SetDeviceBackend(client_.get());
}

void FabricTest::InstallWmi() {
    platform::SetWmiProvider(GetParam() == Reach::InProcess ? static_cast<platform::WmiProvider*>(wmi_.get())
                                                            : wmiClient_.get());
}

void FabricTest::TearDown() {
    platform::SetWmiProvider(nullptr);
    platform::SetDeviceBackend(nullptr);
    client_.reset();
    if (server_) server_->Stop();
}

std::string AdapterName(uint8_t adapter) { return "\\\\.\\Scsi" + std::to_string(adapter) + ":"; }

ScsiResult FabricTest::Scsi(const std::string& device, const sim::ScsiAddress& address,
                            std::vector<uint8_t> cdb, bool dataIn, uint8_t* data, uint32_t length) {
    ScsiResult result;
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        result.error = GetLastError();
        return result;
    }
    std::vector<uint8_t> block(kBlockSize, 0);
    SCSI_PASS_THROUGH_DIRECT request{};
    request.Length = sizeof request;
    request.PathId = address.bus;
    request.TargetId = address.target;
    request.Lun = address.lun;
    request.CdbLength = static_cast<BYTE>(cdb.size());
    request.SenseInfoLength = 32;
    request.DataIn = dataIn ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
    request.DataTransferLength = length;
    request.TimeOutValue = 60;
    request.DataBuffer = data;
    request.SenseInfoOffset = kSenseOffset;
    std::memcpy(request.Cdb, cdb.data(), cdb.size());
    std::memcpy(block.data(), &request, sizeof request);
    DWORD returned = 0;
    result.ok = DeviceIoControl(handle, IOCTL_SCSI_PASS_THROUGH_DIRECT, block.data(), kBlockSize,
                                block.data(), kBlockSize, &returned, nullptr) != FALSE;
    if (!result.ok) result.error = GetLastError();
    CloseHandle(handle);
    std::memcpy(&request, block.data(), sizeof request);
    result.status = request.ScsiStatus;
    result.transferred = request.DataTransferLength;
    result.sense.assign(block.begin() + kSenseOffset, block.begin() + kSenseOffset + request.SenseInfoLength);
    return result;
}

ScsiResult FabricTest::Inquiry(const sim::ScsiAddress& address, bool evpd, uint8_t page,
                               std::vector<uint8_t>* data) {
    data->assign(252, 0);
    ScsiResult result =
        Scsi(AdapterName(address.adapter), address,
             {0x12, static_cast<uint8_t>(evpd ? 1 : 0), page, 0, 252, 0}, true, data->data(), 252);
    data->resize(result.transferred);
    return result;
}

ScsiResult FabricTest::WriteBuffer(const sim::ScsiAddress& address, const std::vector<uint8_t>& packet) {
    const uint32_t n = static_cast<uint32_t>(packet.size());
    std::vector<uint8_t> copy = packet;
    return Scsi(AdapterName(address.adapter), address,
                {0x3B, 1, 0, 0, 0, 0, static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                 static_cast<uint8_t>(n), 0},
                false, copy.data(), n);
}

ScsiResult FabricTest::ReadBuffer(const sim::ScsiAddress& address, std::vector<uint8_t>* packet) {
    const uint32_t n = CAPI_MAX_PACKET_SIZE;
    packet->assign(n, 0);
    ScsiResult result = Scsi(AdapterName(address.adapter), address,
                             {0x3C, 1, 0, 0, 0, 0, static_cast<uint8_t>(n >> 16),
                              static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0},
                             true, packet->data(), n);
    packet->resize(result.transferred);
    return result;
}

std::vector<uint8_t> FabricTest::Exchange(const sim::ScsiAddress& address,
                                          const std::vector<uint8_t>& request) {
    ScsiResult written = WriteBuffer(address, request);
    if (!written.ok || written.status != 0) return {};
    std::vector<uint8_t> reply;
    ScsiResult read = ReadBuffer(address, &reply);
    if (!read.ok || read.status != 0) return {};
    return reply;
}

std::vector<uint8_t> RequestPacket(uint32_t commandCode, uint32_t param5, uint16_t partCount,
                                   uint16_t partIndex) {
    CAPI_PACKET_HEADER header;
    std::memset(&header, 0, sizeof header);
    header.versionMajor = CAPI_VERSION_MAJOR;
    header.versionMinor = CAPI_VERSION_MINOR;
    std::memcpy(header.signature, CAPI_PACKET_SIGNATURE, sizeof header.signature);
    header.commandCode = commandCode;
    header.address = CAPI_ADDRESS{0x100, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    header.param4 = 1;
    header.param5 = param5;
    header.partCount = partCount;
    header.partIndex = partIndex;
    header.packetLength = sizeof header;
    std::vector<uint8_t> packet(sizeof header);
    std::memcpy(packet.data(), &header, sizeof header);
    return packet;
}

std::vector<uint8_t> IncludeRequest(uint32_t commandCode, uint32_t includeType, const void* include,
                                    size_t length, uint32_t param1) {
    std::vector<uint8_t> packet = RequestPacket(commandCode);
    CAPI_PACKET_HEADER header = HeaderOf(packet);
    header.includeStructType = includeType;
    header.param1 = param1;
    header.packetLength = static_cast<uint32_t>(sizeof header + length);
    std::memcpy(packet.data(), &header, sizeof header);
    const auto* bytes = static_cast<const uint8_t*>(include);
    packet.insert(packet.end(), bytes, bytes + length);
    return packet;
}

std::vector<uint8_t> ObjectRequest(uint32_t commandCode, const uint8_t* id, size_t length) {
    CAPI_OBJECT_ID object;
    std::memset(&object, 0, sizeof object);
    std::memcpy(object.serialNumber, id, std::min(length, sizeof object.serialNumber));
    return IncludeRequest(commandCode, 21, &object, sizeof object, 0);
}

CAPI_PACKET_HEADER HeaderOf(const std::vector<uint8_t>& packet) {
    CAPI_PACKET_HEADER header;
    std::memset(&header, 0, sizeof header);
    if (packet.size() >= sizeof header) std::memcpy(&header, packet.data(), sizeof header);
    return header;
}

}  // namespace simtest
