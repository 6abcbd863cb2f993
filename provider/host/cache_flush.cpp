#include "provider/host/cache_flush.h"

#include "platform/devices/device_io.h"
#include "platform/kernel/last_error.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/host/pass_through_log.h"

namespace {

constexpr BYTE kSynchronizeCache10 = 0x35;
constexpr BYTE kImmediateBit = 0x02;
constexpr BYTE kCdbBytes = 10;
constexpr DWORD kImmediateTimeoutSeconds = 2;
constexpr DWORD kFlushTimeoutSeconds = 60;
constexpr BYTE kReservationConflict = 0x18;

void BuildRequest(const BVSS_LunInfo& lun, bool immediate, uint32_t lba, uint16_t blocks,
                  BVSS_PassThroughBuffer* buffer) {
    SCSI_PASS_THROUGH_DIRECT& request = buffer->Request;
    request.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    request.PathId = lun.mPath;
    request.TargetId = lun.mTarget;
    request.Lun = static_cast<BYTE>(lun.mLun);
    request.CdbLength = kCdbBytes;
    request.SenseInfoLength = kPassThroughSenseBytes;
    request.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
    request.DataTransferLength = 0;
    request.TimeOutValue = immediate ? kImmediateTimeoutSeconds : kFlushTimeoutSeconds;
    request.DataBuffer = nullptr;
    request.SenseInfoOffset = offsetof(BVSS_PassThroughBuffer, Sense);
    BYTE* cdb = request.Cdb;
    cdb[0] = kSynchronizeCache10;
    cdb[1] = immediate ? kImmediateBit : 0;
    cdb[2] = static_cast<BYTE>(lba >> 24);
    cdb[3] = static_cast<BYTE>(lba >> 16);
    cdb[4] = static_cast<BYTE>(lba >> 8);
    cdb[5] = static_cast<BYTE>(lba);
    cdb[7] = static_cast<BYTE>(blocks >> 8);
    cdb[8] = static_cast<BYTE>(blocks);
}

void ReportFailure(BOOL callSucceeded, DWORD windowsError, BYTE scsiStatus) {
    if (!callSucceeded) {
        LogEvent(
            L"The VSS hardware provider was unable to perform a SYNCHRONIZE CACHE command (Windows Error 0x%X)",
            windowsError);
    } else if (scsiStatus == kReservationConflict) {
        LogEvent(
            L"The VSS hardware provider was unable to perform a SYNCHRONIZE CACHE command (SCSI status = "
            L"RESERVATION CONFLICT)");
    } else {
        LogEvent(
            L"The VSS hardware provider was unable to perform a SYNCHRONIZE CACHE command (SCSI status=0x%X).",
            scsiStatus);
    }
}

}  // namespace

HRESULT scsiSynchronizeCache(const BVSS_LunInfo& lun, uint32_t immediate, uint32_t lba, uint16_t blocks) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::scsiSynchronizeCache");
    const BYTE* id = lun.mSerialNumber;
    BVSS_DebugPrint(
        L"scsiSynchronizeCache(): partition ID=%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
        L"%02x%02x, Immediate=%u, LBA=%u, NumBlocks=%u.\n",
        id[0], id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11], id[12], id[13],
        id[14], id[15], immediate, lba, static_cast<unsigned>(blocks));

    BVSS_PassThroughBuffer buffer{};
    BuildRequest(lun, immediate != 0, lba, blocks, &buffer);
    DWORD returned = 0;
    const BOOL callSucceeded = DeviceIoControl(lun.mDeviceHandle, IOCTL_SCSI_PASS_THROUGH_DIRECT, &buffer,
                                               sizeof buffer, &buffer, sizeof buffer, &returned, nullptr);
    const DWORD windowsError = callSucceeded ? 0 : GetLastError();
    HRESULT result = S_OK;
    if (!callSucceeded || buffer.Request.ScsiStatus != 0) {
        BVSS_DebugPrint(
            L"    scsiSynchronizeCache(): Error on DeviceIoControl call, status=%S, scsiStatus=0x%X.\n",
            callSucceeded ? "TRUE" : "FALSE", buffer.Request.ScsiStatus);
        BVSS_DebugPrint(L"    scsiSynchronizeCache(): mHandle=%p, path=0x%X, target=0x%X, lun=0x%X\n",
                        lun.mDeviceHandle, lun.mPath, lun.mTarget, lun.mLun);
        SetLastError(windowsError);
        printPassThroughResult(callSucceeded, returned, buffer, sizeof(SCSI_PASS_THROUGH_DIRECT));
        ReportFailure(callSucceeded, windowsError, buffer.Request.ScsiStatus);
        result = VSS_E_PROVIDER_VETO;
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", static_cast<unsigned>(result));
    return result;
}
