#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corlink/capi/controller_handles.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/utilities.h"
#include "corlink/transport/disk_names.h"
#include "corlink/transport/processor_device_table.h"
#include "platform/time/clock.h"
#include "tests/support/scripted_devices.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

using testsupport::ScriptedCall;
using testsupport::ScriptedReply;

const uint8_t kKnownSerial[6] = {0x00, 0xC0, 0xFF, 0x10, 0x20, 0x30};  // "00C0FF102030"

// The controller database knows one controller, kKnownSerial, at index 4.
int32_t FindKnownController(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]) {
    return std::memcmp(serial, kKnownSerial, 6) == 0 ? 4 : -1;
}
const CapiControllerTable kDatabase = {nullptr, nullptr, nullptr, &FindKnownController, nullptr};

// A disk interface name whose instance part carries `serialText` in the places a controller puts it.
std::string InterfaceName(const std::string& serialText, size_t digits = 64) {
    const std::string chars =
        "x" + serialText.substr(0, 6) + "abc" + serialText.substr(6, 6) + std::string(16, 'z');
    std::string hex;
    for (unsigned char c : chars) hex += FormatString("%02X", c);
    hex.resize(digits, '0');
    return "SCSI#Disk&Ven_Brenlow&Prod_RX4000#5&1a2b3c&0&" + hex + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

testsupport::Bytes BytesOf(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    return testsupport::Bytes(b, b + n);
}

// Host disks as the disk fallback sees them: interface names with a disk number, PhysicalDrive names with
// a SCSI address; probes show as pass-through commands to the disk.
class DiskFallbackTest : public ::testing::Test {
  protected:
    DiskFallbackTest() {
        OpenDebugFile(nullptr);
        CAPI_SetControllerTable(&kDatabase);
        ClearProcessorDeviceTable();
        devices.SetDosDevice("C:", "\\Device\\HarddiskVolume2");
    }
    ~DiskFallbackTest() override {
        CAPI_SetControllerTable(nullptr);
        ClearProcessorDeviceTable();
        CloseDebugFile();
    }

    void AddDisk(const std::string& interfaceName, uint32_t number, const SCSI_ADDRESS& address) {
        devices.SetDosDevice(interfaceName, FormatString("\\Device\\%08u", number + 40));
        const std::string interfacePath = "\\\\.\\" + interfaceName;
        const std::string diskPath = FormatString("\\\\.\\PhysicalDrive%u", number);
        devices.AddDevice(interfacePath);
        devices.AddDevice(diskPath);
        STORAGE_DEVICE_NUMBER deviceNumber{FILE_DEVICE_DISK, number, 0};
        devices.Queue(interfacePath, ScriptedReply::Good(BytesOf(&deviceNumber, sizeof deviceNumber)));
        devices.Queue(diskPath, ScriptedReply::Good(BytesOf(&address, sizeof address)));
    }
    // The disks that received a SCSI command.
    std::vector<std::string> Probed() const {
        std::vector<std::string> probed;
        for (const ScriptedCall& call : devices.Calls()) {
            if (call.IsPassThrough() && (probed.empty() || probed.back() != call.device))
                probed.push_back(call.device);
        }
        return probed;
    }

    testsupport::TestRoot root;
    DebuggerCapture log;
    platform::ScopedVirtualClock clock;
    testsupport::ScriptedDevices devices;
};

TEST_F(DiskFallbackTest, DisksOfUnknownControllersAreProbed) {
    AddDisk(InterfaceName("00C0FF999999"), 5, {8, 3, 0, 2, 1});
    ASSERT_EQ(EnumerateDisk(), 1);
    EXPECT_EQ(Probed(), std::vector<std::string>{"\\\\.\\PhysicalDrive5"});
    const ScriptedCall first = [&] {
        for (const ScriptedCall& call : devices.Calls()) {
            if (call.IsPassThrough()) return call;
        }
        return ScriptedCall{};
    }();
    EXPECT_EQ(first.request.PathId, 0);
    EXPECT_EQ(first.request.TargetId, 2);
    EXPECT_EQ(first.request.Lun, 1);
    const std::string text = log.Text();
    EXPECT_NE(text.find(InterfaceName("00C0FF999999") + "=\\Device\\00000045 DiskNumber=5, sn=00C0FF999999 "
                                                        "controller=-1 processor=-1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("EnumerateDisk: ScsiAddress=3.0.2.1 sn= controller=-1 processor=-1\n"),
              std::string::npos);
}

TEST_F(DiskFallbackTest, DisksOfKnownControllersAreNotProbed) {
    AddDisk(InterfaceName("00C0FF102030"), 1, {8, 3, 0, 0, 1});  // in the controller database
    AddDisk(InterfaceName("00C0FF777777"), 2, {8, 3, 0, 1, 1});  // found earlier in this discovery
    const uint8_t probedSerial[6] = {0x00, 0xC0, 0xFF, 0x77, 0x77, 0x77};
    std::memcpy(processorDeviceTable[0].controllerSerialNumber, probedSerial, 6);
    processorDeviceTableSize = 1;
    AddDisk(InterfaceName("00C0FF888888", 63), 3, {8, 3, 0, 2, 1});  // no serial in its name ...
    root.SetString("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 3\\Scsi Bus 0\\Target Id 2\\Logical Unit Id 1",
                   "SerialNumber",
                   "00C0FF102030  extra");  // ... but the device map knows it
    EXPECT_EQ(EnumerateDisk(), 0);
    EXPECT_TRUE(Probed().empty());
    const std::string text = log.Text();
    EXPECT_NE(text.find("sn=00C0FF102030 controller=4 processor=-1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("sn=00C0FF777777 controller=-1 processor=0\n"), std::string::npos);
    EXPECT_NE(text.find("DiskNumber=3, sn= controller=-1 processor=-1\n"), std::string::npos);
    EXPECT_NE(text.find("EnumerateDisk: ScsiAddress=3.0.2.1 sn=00C0FF102030 controller=4 processor=-1\n"),
              std::string::npos);
}

TEST_F(DiskFallbackTest, ListingGrowsUntilItFits) {
    for (int i = 0; i < 200; ++i)
        devices.SetDosDevice(FormatString("Volume{%040d}", i), "\\Device\\HarddiskVolume9");
    AddDisk(InterfaceName("00C0FF999999"), 7, {8, 1, 0, 0, 0});
    EXPECT_EQ(EnumerateDisk(), 1);
    const std::string text = log.Text();
    EXPECT_NE(text.find("retVal=0 err=122"), std::string::npos) << text;
    EXPECT_NE(text.find("bufSize=12288.\n"), std::string::npos);
    EXPECT_EQ(Probed(), std::vector<std::string>{"\\\\.\\PhysicalDrive7"});
}

TEST_F(DiskFallbackTest, FailuresSkipOnlyTheDiskInHand) {
    const std::string noNumber = InterfaceName("00C0FF111111");
    devices.SetDosDevice(noNumber, "\\Device\\00000050");
    devices.AddDevice("\\\\.\\" + noNumber);
    devices.Queue("\\\\.\\" + noNumber, ScriptedReply::Fail(ERROR_INVALID_FUNCTION));  // no disk number
    const std::string noAddress = InterfaceName("00C0FF222222");
    AddDisk(noAddress, 2, {8, 1, 0, 0, 0});
    devices.RemoveDevice("\\\\.\\PhysicalDrive2");
    AddDisk(InterfaceName("00C0FF333333"), 3, {8, 1, 0, 3, 0});
    EXPECT_EQ(EnumerateDisk(), 1);
    EXPECT_EQ(Probed(), std::vector<std::string>{"\\\\.\\PhysicalDrive3"});
    EXPECT_NE(log.Text().find("EnumerateDisk: NtOpenDrive(\\\\.\\PhysicalDrive-1)=-1\n"), std::string::npos);
}

}  // namespace
