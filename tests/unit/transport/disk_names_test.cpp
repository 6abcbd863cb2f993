#include "corlink/transport/disk_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "corlink/foundation/log.h"
#include "corlink/foundation/utilities.h"
#include "platform/system/process.h"
#include "platform/time/clock.h"
#include "tests/support/scripted_devices.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

using testsupport::ScriptedCall;
using testsupport::ScriptedReply;

SCSI_ADDRESS Address(BYTE port, BYTE bus, BYTE target, BYTE lun) {
    return {sizeof(SCSI_ADDRESS), port, bus, target, lun};
}

testsupport::Bytes BytesOf(const SCSI_ADDRESS& a) {
    const auto* p = reinterpret_cast<const uint8_t*>(&a);
    return testsupport::Bytes(p, p + sizeof a);
}

// Host disks in the DOS-device namespace, each answering IOCTL_SCSI_GET_ADDRESS with its address.
class DiskNamesTest : public ::testing::Test {
  protected:
    DiskNamesTest() {
        OpenDebugFile(nullptr);
        devices.SetDosDevice("C:", "\\Device\\HarddiskVolume2");  // a volume, not a disk
        devices.SetDosDevice("COM1", "\\Device\\Serial0");
        devices.SetHandler([this](const ScriptedCall& call) -> std::optional<ScriptedReply> {
            if (call.code != IOCTL_SCSI_GET_ADDRESS) return std::nullopt;
            if (onGetAddress) onGetAddress(call.device);
            auto found = addresses.find(call.device);
            if (found == addresses.end()) return ScriptedReply::Fail(ERROR_INVALID_FUNCTION);
            return ScriptedReply::Good(BytesOf(found->second));
        });
    }
    ~DiskNamesTest() override { CloseDebugFile(); }

    void AddDisk(int n, const SCSI_ADDRESS& address, const char* targetForm = "\\Device\\Harddisk%d\\DR%d") {
        devices.SetDosDevice(FormatString("PhysicalDrive%d", n), FormatString(targetForm, n, n));
        const std::string name = FormatString("\\\\.\\PhysicalDrive%d", n);
        devices.AddDevice(name);
        addresses[name] = address;
    }

    testsupport::TestRoot root;
    DebuggerCapture log;
    platform::ScopedVirtualClock clock;
    testsupport::ScriptedDevices devices;
    std::map<std::string, SCSI_ADDRESS> addresses;
    std::function<void(const std::string&)> onGetAddress;
};

TEST_F(DiskNamesTest, FindsTheDiskAtTheAddress) {
    AddDisk(1, Address(2, 0, 1, 0));
    AddDisk(3, Address(2, 0, 4, 1));
    AddDisk(5, Address(2, 0, 4, 1), "\\Device\\Harddisk%d\\Partition0");
    const SCSI_ADDRESS wanted = Address(2, 0, 4, 1);
    char name[260];
    ASSERT_EQ(GetNtPortName(&wanted, name, sizeof name), 1);
    EXPECT_STREQ(name, "\\\\.\\PhysicalDrive3");  // the first match in the listing's order
    EXPECT_NE(log.Text().find("PhysicalDrive3 => \\\\.\\PhysicalDrive3\n"), std::string::npos);
    EXPECT_NE(log.Text().find("GetNtPortName(2.0.4.1) exit (\\\\.\\PhysicalDrive3)\n"), std::string::npos);
    for (const std::string& opened : devices.Opens()) {
        EXPECT_EQ(opened.rfind("\\\\.\\PhysicalDrive", 0), 0u) << opened;  // only disks are opened
    }

    const SCSI_ADDRESS partitionDisk = Address(2, 0, 4, 1);
    addresses["\\\\.\\PhysicalDrive3"] = Address(2, 0, 9, 9);
    ASSERT_EQ(GetNtPortName(&partitionDisk, name, sizeof name), 1);
    EXPECT_STREQ(name, "\\\\.\\PhysicalDrive5");  // a "Partition0" target is a disk too
}

TEST_F(DiskNamesTest, EachPartOfTheAddressMustMatch) {
    AddDisk(0, Address(2, 0, 4, 1));
    const SCSI_ADDRESS others[] = {Address(3, 0, 4, 1), Address(2, 1, 4, 1), Address(2, 0, 5, 1),
                                   Address(2, 0, 4, 0)};
    for (const SCSI_ADDRESS& other : others) {
        char name[260] = "stale";
        EXPECT_EQ(GetNtPortName(&other, name, sizeof name), 0);
        EXPECT_STREQ(name, "");
    }
    EXPECT_NE(log.Text().find("GetNtPortName(2.0.4.0) exit (<not found>)\n"), std::string::npos);
}

TEST_F(DiskNamesTest, DisksThatFailAreSkipped) {
    AddDisk(1, Address(2, 0, 4, 1));
    devices.RemoveDevice("\\\\.\\PhysicalDrive1");  // listed but cannot be opened
    AddDisk(2, Address(2, 0, 4, 1));
    addresses.erase("\\\\.\\PhysicalDrive2");  // the I/O control fails
    AddDisk(3, Address(2, 0, 4, 1));
    devices.Queue("\\\\.\\PhysicalDrive3", [] {
        ScriptedReply shortReply = ScriptedReply::Good(BytesOf(Address(2, 0, 4, 1)));
        shortReply.bytesReturned = 4;  // not the 8 bytes of an address
        return shortReply;
    }());
    AddDisk(4, Address(2, 0, 4, 1));
    const SCSI_ADDRESS wanted = Address(2, 0, 4, 1);
    char name[260];
    ASSERT_EQ(GetNtPortName(&wanted, name, sizeof name), 1);
    EXPECT_STREQ(name, "\\\\.\\PhysicalDrive4");
}

TEST_F(DiskNamesTest, NameIsCutToTheBuffer) {
    AddDisk(12, Address(1, 0, 0, 0));
    const SCSI_ADDRESS wanted = Address(1, 0, 0, 0);
    char name[8];
    EXPECT_EQ(GetNtPortName(&wanted, name, sizeof name), 1);
    EXPECT_STREQ(name, "\\\\.\\Phy");  // 7 characters and the NUL

    char untouched[4] = "abc";
    EXPECT_EQ(GetNtPortName(&wanted, untouched, 0), 0);
    EXPECT_STREQ(untouched, "abc");
}

TEST_F(DiskNamesTest, ZeroLengthBufferListsNothing) {
    AddDisk(1, Address(1, 0, 0, 0));
    const SCSI_ADDRESS wanted = Address(1, 0, 0, 0);
    char name[1] = {'x'};
    EXPECT_EQ(GetNtPortName(&wanted, name, 0), 0);
    EXPECT_TRUE(devices.Opens().empty());
    EXPECT_EQ(log.Text().find("GetNtPortName("), std::string::npos);
}

TEST_F(DiskNamesTest, SlowStepsAreLoggedInWholeSeconds) {
    AddDisk(1, Address(1, 0, 0, 0));
    AddDisk(2, Address(1, 0, 0, 7));
    onGetAddress = [this](const std::string& device) {
        clock->Advance(device == "\\\\.\\PhysicalDrive1" ? 3500 : 2000);
    };
    const SCSI_ADDRESS wanted = Address(1, 0, 0, 7);
    char name[64];
    ASSERT_EQ(GetNtPortName(&wanted, name, sizeof name), 1);
    const std::string text = log.Text();
    EXPECT_NE(text.find("IOCTL_SCSI_GET_ADDRESS(\\\\.\\PhysicalDrive1) took 3 seconds\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("processing PhysicalDrive1 took 3 seconds\n"), std::string::npos);
    EXPECT_EQ(text.find("IOCTL_SCSI_GET_ADDRESS(\\\\.\\PhysicalDrive2)"),
              std::string::npos);  // 2 s is not slow
    EXPECT_EQ(text.find("finding PhysicalDrive2"), std::string::npos);
}

TEST_F(DiskNamesTest, OpenDriveRestoresTheErrorMode) {
    AddDisk(1, Address(1, 0, 0, 0));
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HANDLE disk = OpenDrive("\\\\.\\PhysicalDrive1");
    EXPECT_NE(disk, INVALID_HANDLE_VALUE);
    CloseHandle(disk);
    EXPECT_EQ(OpenDrive("\\\\.\\PhysicalDrive9"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetErrorMode(0), SEM_NOOPENFILEERRORBOX);
}

// A disk interface name whose instance part is the hexadecimal form of `characters`.
std::string InterfaceName(const std::string& characters) {
    std::string hex;
    for (unsigned char c : characters) hex += FormatString("%02X", c);
    return "SCSI#Disk&Ven_Brenlow&Prod_RX4000#5&1a2b3c&0&" + hex + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

TEST(ControllerSerialText, ComesFromTwoPlacesOfTheInstancePart) {
    //                 0 1-6    7-9 10-15   16-31
    const std::string chars = "x00C0FFabc102030" + std::string(16, 'z');
    ASSERT_EQ(chars.size(), 32u);
    EXPECT_EQ(ControllerSerialTextOfDiskName(InterfaceName(chars).c_str()), "00C0FF102030");

    struct Case {
        std::string name;
        const char* why;
    } empty[] = {
        // clang-format off
        {InterfaceName(chars).erase(InterfaceName(chars).rfind('#') - 1, 1), "63 digits"},
        {InterfaceName(chars).insert(InterfaceName(chars).rfind('#'), "0"), "65 digits"},
        {"SCSI#Disk#" + std::string(64, '0') + "#{guid}", "no '&'"},
        {InterfaceName(chars).replace(InterfaceName(chars).rfind('#') - 2, 1, "G"), "not hexadecimal"},
        {"SCSI#Disk&Ven_X&" + std::string(64, '4'), "no '#' after the last '&'"},
        // clang-format on
    };
    for (const Case& c : empty) EXPECT_EQ(ControllerSerialTextOfDiskName(c.name.c_str()), "") << c.why;
}

TEST(ControllerSerialText, BecomesSixBytesOnlyWhenTwelveDigits) {
    struct Case {
        const char* text;
        uint8_t serial[6];
    } cases[] = {
        // clang-format off
        {"00C0FF102030", {0x00, 0xC0, 0xFF, 0x10, 0x20, 0x30}},
        {"00c0ff10203a", {0x00, 0xC0, 0xFF, 0x10, 0x20, 0x3A}},
        {"00C0FF10203", {}},
        {"00C0FF1020301", {}},
        {"00C0FF10203G", {}},
        {"", {}},
        // clang-format on
    };
    for (const Case& c : cases) {
        uint8_t serial[6];
        std::memset(serial, 0xAA, sizeof serial);
        ControllerSerialFromText(c.text, serial);
        EXPECT_EQ(std::memcmp(serial, c.serial, 6), 0) << c.text;
    }
}

}  // namespace
