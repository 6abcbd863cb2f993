#include "corlink/transport/disk_names.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/utilities.h"
#include "platform/devices/device_io.h"
#include "platform/files/files.h"
#include "platform/system/os_version.h"
#include "platform/system/process.h"
#include "platform/time/clock.h"

namespace {

constexpr DWORD kDosListingSize = 0x40000;
constexpr DWORD kTargetPathSize = 260;
constexpr uint64_t kSlowStepSeconds = 2;
constexpr size_t kDiskInstanceDigits = 64;

uint64_t WallSeconds() { return platform::GetClock().NowMs() / 1000; }

// Disks answer to "Harddisk" with "Partition0" or "\DR" in their target path.
bool IsDiskTarget(const char* target) {
    return std::strstr(target, "Harddisk") != nullptr &&
           (std::strstr(target, "Partition0") != nullptr || std::strstr(target, "\\DR") != nullptr);
}

bool ReadScsiAddress(HANDLE disk, SCSI_ADDRESS* address) {
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(disk, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, address, sizeof *address,
                                    &returned, nullptr);
    return ok && returned == sizeof *address;
}

bool SameAddress(const SCSI_ADDRESS& a, const SCSI_ADDRESS& b) {
    return a.PortNumber == b.PortNumber && a.PathId == b.PathId && a.TargetId == b.TargetId && a.Lun == b.Lun;
}

// Whether the disk `dosName` sits at `wanted`; logs the slow steps.
bool DiskIsAt(const char* dosName, const std::string& deviceName, const SCSI_ADDRESS& wanted) {
    const uint64_t start = WallSeconds();
    HANDLE disk = OpenDrive(deviceName.c_str());
    const uint64_t opened = WallSeconds();
    if (opened - start > kSlowStepSeconds) {
        DebugPrint("GetNtPortName: opened %s after %d seconds\n", deviceName.c_str(),
                   static_cast<int>(opened - start));
    }
    bool matches = false;
    if (disk != INVALID_HANDLE_VALUE) {
        SCSI_ADDRESS address{};
        const bool read = ReadScsiAddress(disk, &address);
        const uint64_t answered = WallSeconds();
        if (answered - opened > kSlowStepSeconds) {
            DebugPrint("IOCTL_SCSI_GET_ADDRESS(%s) took %d seconds\n", deviceName.c_str(),
                       static_cast<int>(answered - opened));
        }
        matches = read && SameAddress(address, wanted);
        if (matches) DebugPrint("%s => %s\n", dosName, deviceName.c_str());
        CloseHandle(disk);
    }
    const uint64_t took = WallSeconds() - start;
    if (took > kSlowStepSeconds) {
        DebugPrint(matches ? "finding %s took %d seconds\n" : "processing %s took %d seconds\n", dosName,
                   static_cast<int>(took));
    }
    return matches;
}

}  // namespace

HANDLE OpenDrive(const char* name) {
    static const DWORD access = [] {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        const bool readOnly = GetVersionExA(&version) && version.dwMajorVersion == 4;
        return readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    }();
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    HANDLE disk = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    SetErrorMode(previousMode);
    return disk;
}

int GetNtPortName(const SCSI_ADDRESS* address, char* name, uint32_t nameLength) {
    if (nameLength == 0) return 0;
    name[0] = '\0';
    const int port = address->PortNumber, bus = address->PathId, target = address->TargetId,
              lun = address->Lun;
    if (g_ScsiVerbose) DebugPrint("GetNtPortName(%d.%d.%d.%d) enter\n", port, bus, target, lun);

    std::unique_ptr<char[]> listing(new (std::nothrow) char[kDosListingSize]);
    if (!listing) return 0;
    const DWORD listed = QueryDosDeviceA(nullptr, listing.get(), kDosListingSize);
    if (listed == 0 || listed > kDosListingSize) return 0;

    bool found = false;
    for (DWORD at = 0; at < listed && listing[at] != '\0' && !found;) {
        const size_t length = strnlen(&listing[at], listed - at);
        const std::string dosName(&listing[at], length);
        at += static_cast<DWORD>(length) + 1;

        char targetPath[kTargetPathSize] = {};
        if (QueryDosDeviceA(dosName.c_str(), targetPath, sizeof targetPath - 1) == 0) continue;
        if (!IsDiskTarget(targetPath)) continue;
        const std::string deviceName = FormatString("\\\\.\\%s", dosName.c_str());
        if (DiskIsAt(dosName.c_str(), deviceName, *address)) {
            std::snprintf(name, nameLength, "%s", deviceName.c_str());
            found = true;
        }
    }
    DebugPrint("GetNtPortName(%d.%d.%d.%d) exit (%s)\n", port, bus, target, lun,
               found ? name : "<not found>");
    return found ? 1 : 0;
}

std::string ControllerSerialTextOfDiskName(const char* dosName) {
    const char* lastAmpersand = std::strrchr(dosName, '&');
    const char* lastHash = std::strrchr(dosName, '#');
    if (lastAmpersand == nullptr || lastHash == nullptr || lastHash < lastAmpersand ||
        static_cast<size_t>(lastHash - lastAmpersand - 1) != kDiskInstanceDigits) {
        return {};
    }
    const std::string digits(lastAmpersand + 1, kDiskInstanceDigits);
    uint8_t characters[kDiskInstanceDigits / 2];
    if (HexStringToBytes(digits.c_str(), sizeof characters, characters) == 0) return {};
    const char* text = reinterpret_cast<const char*>(characters);
    const std::string serial = std::string(text + 1, 6) + std::string(text + 10, 6);
    return serial.substr(0, strnlen(serial.c_str(), serial.size()));  // a NUL character ends the text
}

void ControllerSerialFromText(const std::string& text, uint8_t serial[6]) {
    if (text.size() != 12 || HexStringToBytes(text.c_str(), 6, serial) == 0) std::memset(serial, 0, 6);
}
