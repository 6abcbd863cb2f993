#include <cstring>

#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/file_io.h"
#include "platform/files/registry.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "tests/support/test_root.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

// Every DOS name with its target path.
std::vector<std::pair<std::string, std::string>> DosNames() {
    std::vector<char> names(0x40000);
    DWORD length = QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
    std::vector<std::pair<std::string, std::string>> result;
    for (DWORD i = 0; i < length && names[i] != '\0'; i += static_cast<DWORD>(std::strlen(&names[i])) + 1) {
        char target[260] = {};
        EXPECT_GT(QueryDosDeviceA(&names[i], target, sizeof target), 0u);
        result.emplace_back(&names[i], target);
    }
    return result;
}

template <class T>
bool Query(const std::string& device, DWORD code, T* out) {
    HANDLE h = CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const bool ok =
        DeviceIoControl(h, code, nullptr, 0, out, sizeof(T), &returned, nullptr) && returned == sizeof(T);
    CloseHandle(h);
    return ok;
}

TEST_P(FabricTest, HostDisksAnswerInquiryPagesAndSynchronizeCache) {
    std::vector<uint8_t> data(252, 0);
    ScsiResult inquiry = Scsi("\\\\.\\PhysicalDrive1", {}, {0x12, 0, 0, 0, 252, 0}, true, data.data(), 252);
    ASSERT_TRUE(inquiry.ok);
    EXPECT_EQ(data[0], 0);
    // no CAPI mark
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data()) + 44, 4), std::string(4, '\0'));

    ScsiResult serial = Scsi("\\\\.\\PhysicalDrive1", {}, {0x12, 1, 0x80, 0, 252, 0}, true, data.data(), 252);
    ASSERT_EQ(serial.transferred, 36u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data()) + 4, 32), "000C0FF0001A2B010000000000000002");

    EXPECT_EQ(Scsi("\\\\.\\PhysicalDrive1", {}, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, nullptr, 0).status,
              0);
    // The same disk through controller B's adapter path.
    ScsiResult path = Scsi(AdapterName(3), {3, 0, 0, 2}, {0x12, 1, 0x80, 0, 252, 0}, true, data.data(), 252);
    EXPECT_EQ(path.transferred, 36u);
    EXPECT_FALSE(Scsi("\\\\.\\PhysicalDrive3", {}, {0, 0, 0, 0, 0, 0}, true, nullptr, 0).ok);
}

TEST_P(FabricTest, DisksHaveAddressesNumbersAndDosNames) {
    SCSI_ADDRESS address{};
    ASSERT_TRUE(Query("\\\\.\\PhysicalDrive2", IOCTL_SCSI_GET_ADDRESS, &address));
    EXPECT_EQ(address.Length, 8u);
    EXPECT_EQ(address.PortNumber, 2);
    EXPECT_EQ(address.Lun, 3);
    STORAGE_DEVICE_NUMBER number{};
    ASSERT_TRUE(Query("\\\\.\\PhysicalDrive2", IOCTL_STORAGE_GET_DEVICE_NUMBER, &number));
    EXPECT_EQ(number.DeviceType, FILE_DEVICE_DISK);
    EXPECT_EQ(number.DeviceNumber, 2u);

    const auto names = DosNames();
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names[0], (std::pair<std::string, std::string>{"PhysicalDrive0", "\\Device\\Harddisk0\\DR0"}));
    EXPECT_EQ(names[1].second, "\\Device\\Harddisk0\\Partition0");
    // The disk interface name: 64 hexadecimal digits between the last '&' and the last '#', which read as
    // the volume serial text, whose characters 1-6 and 10-15 are the controller serial text.
    const std::string& interfaceName = names[5].first;
    ASSERT_NE(interfaceName.find("#Disk"), std::string::npos);
    const size_t amp = interfaceName.rfind('&');
    const size_t hash = interfaceName.rfind('#');
    ASSERT_EQ(hash - amp - 1, 64u);
    std::string text;
    for (size_t i = amp + 1; i < hash; i += 2) {
        text += static_cast<char>(std::stoi(interfaceName.substr(i, 2), nullptr, 16));
    }
    EXPECT_EQ(text.substr(1, 6) + text.substr(10, 6), "00C0FF1A2B01");
    ASSERT_TRUE(Query("\\\\.\\" + interfaceName, IOCTL_STORAGE_GET_DEVICE_NUMBER, &number));
    EXPECT_EQ(number.DeviceNumber, 1u);

    char target[8];
    EXPECT_EQ(QueryDosDeviceA("PhysicalDrive0", target, sizeof target), 0u);
    EXPECT_EQ(GetLastError(), 122u);
    EXPECT_EQ(QueryDosDeviceA("PhysicalDrive7", target, sizeof target), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

std::string DeviceMapSerial(int adapter, int lun) {
    const std::string key = "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(adapter) +
                            "\\Scsi Bus 0\\Target Id 0\\Logical Unit Id " + std::to_string(lun);
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "";
    char value[128] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    RegQueryValueExA(handle, "SerialNumber", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    return type == REG_SZ ? value : "";
}

TEST_P(FabricTest, DeviceMapSerialsBeginWithTheControllerSerialText) {
    testsupport::TestRoot root;
    fabric_->WriteDeviceMap();
    EXPECT_EQ(DeviceMapSerial(2, 0).substr(0, 12), "00C0FF1A2B01");
    EXPECT_EQ(DeviceMapSerial(2, 3), "00C0FF1A2B01000C0FF0001A2B010000000000000003");
    EXPECT_EQ(DeviceMapSerial(3, 3).substr(0, 12), "00C0FF1A2B02");
    EXPECT_EQ(DeviceMapSerial(3, 4), "");
}

}  // namespace
}  // namespace simtest
