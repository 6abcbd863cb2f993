#include "corlink/transport/scsi_command.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "corlink/capi/capi_library.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/transport/csmi.h"
#include "corlink/transport/multipath.h"
#include "corlink/transport/windows_error.h"
#include "platform/devices/device_io.h"
#include "platform/kernel/last_error.h"

uint32_t g_LastTransferLength = 0;

namespace {

constexpr uint32_t kTimeoutSeconds = 60;
constexpr uint32_t kDeviceNameLength = 80;  // at most 79 characters of a device name are used

void LogCommand(const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun, const void* dataBuffer,
                uint32_t dataLength, uint32_t issuedLength, bool cut, uint32_t commandType,
                const char* logName) {
    const unsigned long buffer = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(dataBuffer));
    if (cut) {
        DebugPrint(
            "sendScsiCommand: %s, (%d.%d.%d), pDataBuffer=0x%lX, dataLength=%d (TRUNCATED TO %d!) "
            "commandType=%d (%s)\n",
            deviceName, bus, target, lun, buffer, static_cast<int>(dataLength),
            static_cast<int>(issuedLength), static_cast<int>(commandType), logName);
    } else {
        DebugPrint("sendScsiCommand: %s, (%d.%d.%d), pDataBuffer=0x%lX, dataLength=%d commandType=%d (%s)\n",
                   deviceName, bus, target, lun, buffer, static_cast<int>(dataLength),
                   static_cast<int>(commandType), logName);
    }
}

HANDLE OpenScsiDevice(const char* deviceName) {
    HANDLE device = CreateFileA(deviceName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        ReportWindowsError();
        DebugPrint("sendScsiCommand: ERROR: CreateFile failed\n");
        DebugPrint("sendScsiCommand: Leaving\n");
        g_DeviceGone = 1;
    }
    return device;
}

void CloseScsiDevice(HANDLE device) {
    if (!CloseHandle(device)) {
        ReportWindowsError();
        DebugPrint("sendScsiCommand: CloseHandle failed\n");
    }
}

// Issues the plain (or multipath) pass-through of a filled request block and logs a failure or a bad
// status; FALSE when the I/O control itself failed.
BOOL IssuePassThrough(const char* deviceName, HANDLE device, SCSI_REQUEST_BLOCK* block,
                      uint32_t* bytesReturned) {
    DWORD returned = 0;
    BOOL ok = IsMpioCapableOs() ? MpioPassThrough(deviceName, device, IOCTL_SCSI_PASS_THROUGH_DIRECT, block,
                                                  sizeof *block, &returned, nullptr)
                                : DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, block,
                                                  sizeof *block, block, sizeof *block, &returned, nullptr);
    if (!ok) {
        const DWORD error = GetLastError();
        ReportWindowsError();
        if (error != ERROR_FILE_NOT_FOUND || g_ScsiVerbose) {
            DebugPrint("ERROR: DeviceIoControl call failed\n");
            LogScsiStatus(block);
        }
    } else if (block->sptd.ScsiStatus != SCSI_STATUS_GOOD) {
        DebugPrint("ERROR: DeviceIoControl call failed with bad SCSI status\n");
        LogScsiStatus(block);
    }
    if (bytesReturned != nullptr) *bytesReturned = returned;
    return ok;
}

// The result code of an issued request block.
int ClassifyPassThrough(const char* deviceName, BOOL ok, const SCSI_REQUEST_BLOCK* block) {
    if (ok && block->sptd.ScsiStatus == SCSI_STATUS_GOOD) return SCSI_RESULT_GOOD;
    if (ok && block->sptd.ScsiStatus == SCSI_STATUS_RESERVATION_CONFLICT)
        return SCSI_RESULT_RESERVATION_CONFLICT;
    // The path that failed is chosen again by the next command on this device.
    if (IsMpioCapableOs()) InvalidateMpioCache(deviceName);
    return ok ? findScsiError(block) : SCSI_RESULT_IOCTL_FAILED;
}

}  // namespace

int sendScsiCommand(uint32_t commandType, const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun,
                    const uint8_t* sasAddress, void* dataBuffer, uint32_t dataLength,
                    uint32_t* bytesReturned) {
    const ScsiCommandInfo* command = FindScsiCommand(commandType);
    if (command == nullptr) {
        DebugPrint("sendScsiCommand: ERROR: received bad SCSI command type: %d\n",
                   static_cast<int>(commandType));
        return SCSI_RESULT_BAD_COMMAND;
    }
    char name[kDeviceNameLength] = {};
    std::snprintf(name, sizeof name, "%s", deviceName != nullptr ? deviceName : "");
    if (command->lengthField == ScsiLengthField::None) dataBuffer = nullptr;
    const uint32_t length = CutScsiTransferLength(*command, dataLength);
    const bool cut = command->lengthField != ScsiLengthField::None && length != dataLength;
    if (cut && command->lengthField == ScsiLengthField::Byte4) {
        DebugPrint("sendScsiCommand: User supplied data length > xFF (%X); using xFF\n", dataLength);
    }
    LogCommand(name, bus, target, lun, dataBuffer, dataLength, length, cut, commandType, command->logName);

    if (sasAddress != nullptr) {
        CsmiRequest request{*command, bus, target, lun, sasAddress, dataBuffer, length};
        CsmiLogAddress(name, request);
        HANDLE device = OpenScsiDevice(name);
        if (device == INVALID_HANDLE_VALUE) return SCSI_RESULT_OPEN_FAILED;
        DWORD returned = 0;
        int result = CsmiSspPassThrough(device, request, &returned);
        if (bytesReturned != nullptr) *bytesReturned = returned;
        CloseScsiDevice(device);
        return result;
    }

    auto block = std::make_unique<SCSI_REQUEST_BLOCK>();
    std::memset(block.get(), 0, sizeof *block);
    SCSI_PASS_THROUGH_DIRECT& sptd = block->sptd;
    sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    sptd.PathId = bus;
    sptd.TargetId = target;
    sptd.Lun = lun;
    sptd.CdbLength = command->cdbLength;
    sptd.SenseInfoLength = SCSI_SENSE_BUFFER_LENGTH;
    sptd.DataIn = command->dataOut ? SCSI_IOCTL_DATA_OUT : SCSI_IOCTL_DATA_IN;
    sptd.DataTransferLength = length;
    sptd.TimeOutValue = kTimeoutSeconds;
    sptd.DataBuffer = dataBuffer;
    sptd.SenseInfoOffset = offsetof(SCSI_REQUEST_BLOCK, sense);
    FillScsiCdb(*command, length, sptd.Cdb);

    HANDLE device = OpenScsiDevice(name);
    if (device == INVALID_HANDLE_VALUE) return SCSI_RESULT_OPEN_FAILED;
    const BOOL ok = IssuePassThrough(name, device, block.get(), bytesReturned);
    // A driver never moves more than was asked; a report of more is not trusted.
    g_LastTransferLength = sptd.DataTransferLength <= length ? sptd.DataTransferLength : length;
    CloseScsiDevice(device);
    return ClassifyPassThrough(name, ok, block.get());
}
