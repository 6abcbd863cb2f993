#include "corlink/transport/csmi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/transport/scsi_command.h"
#include "platform/devices/device_io.h"

namespace {

constexpr uint8_t kDataFiller = 0x55;
constexpr uint32_t kAdapterCount = 32;
constexpr size_t kDataOffset = offsetof(CSMI_SAS_SSP_PASSTHRU_BUFFER, bDataBuffer);

void FillHeader(SRB_IO_CONTROL* header, DWORD controlCode, size_t totalSize) {
    header->HeaderLength = sizeof(SRB_IO_CONTROL);
    std::memcpy(header->Signature, CSMI_SAS_SIGNATURE, sizeof header->Signature);
    header->Timeout = CSMI_SAS_TIMEOUT;
    header->ControlCode = controlCode;
    header->ReturnCode = 0;
    header->Length = static_cast<DWORD>(totalSize - sizeof(SRB_IO_CONTROL));
}

int AdapterNumber(const char* deviceName) {
    int adapter = 0;
    return std::sscanf(deviceName, "\\\\.\\Scsi%d:", &adapter) == 1 ? adapter : -1;
}

std::vector<CSMI_PHY_RECORD> g_PhyRecords;

void LogIdentify(const char* caption, const CSMI_SAS_IDENTIFY& identify) {
    const uint8_t* a = identify.bSASAddress;
    DebugPrint("%s", caption);
    DebugPrint("  bDeviceType=%d bInitiatorPortProtocol=%d bTargetPortProtocol=%d bPhyIdentifier=%d\n",
               identify.bDeviceType, identify.bInitiatorPortProtocol, identify.bTargetPortProtocol,
               identify.bPhyIdentifier);
    DebugPrint("  bSASAddress=%02X%02X%02X%02X%02X%02X%02X%02X\n", a[0], a[1], a[2], a[3], a[4], a[5], a[6],
               a[7]);
}

}  // namespace

void CsmiLogAddress(const char* deviceName, const CsmiRequest& request) {
    const uint8_t* a = request.sasAddress;
    DebugPrint("sendScsiCommand: port %d phy %d , destSASAddr %02X%02X%02X%02X%02X%02X%02X%02X\n",
               AdapterNumber(deviceName), request.phy, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
}

int CsmiSspPassThrough(HANDLE adapter, const CsmiRequest& request, DWORD* bytesReturned) {
    const size_t size = kDataOffset + request.length;
    auto buffer = std::make_unique<uint8_t[]>(size);
    std::memset(buffer.get(), 0, size);
    std::memset(buffer.get() + kDataOffset, kDataFiller, request.length);
    auto* block = reinterpret_cast<CSMI_SAS_SSP_PASSTHRU_BUFFER*>(buffer.get());
    FillHeader(&block->IoctlHeader, CC_CSMI_SAS_SSP_PASSTHRU, size);
    CSMI_SAS_SSP_PASSTHRU& p = block->Parameters;
    p.bPhyIdentifier = request.phy;
    p.bPortIdentifier = request.port;
    p.bConnectionRate = 0;
    std::memcpy(p.bDestinationSASAddress, request.sasAddress, sizeof p.bDestinationSASAddress);
    p.bLun[1] = request.lun;
    p.bCDBLength = request.command.cdbLength;
    p.bAdditionalCDBLength = 0;
    FillScsiCdb(request.command, request.length, p.bCDB);
    p.uFlags = request.command.dataOut ? CSMI_SAS_SSP_WRITE : CSMI_SAS_SSP_READ;
    p.uDataLength = request.length;
    if (request.command.dataOut && request.data != nullptr) {
        std::memcpy(buffer.get() + kDataOffset, request.data, request.length);
    }
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(adapter, IOCTL_SCSI_MINIPORT, buffer.get(), static_cast<DWORD>(size),
                              buffer.get(), static_cast<DWORD>(size), &returned, nullptr);
    if (bytesReturned != nullptr) *bytesReturned = returned;
    if (!ok) return SCSI_RESULT_IOCTL_FAILED;
    if (block->Status.bSSPStatus == CSMI_SAS_SSP_STATUS_FAILED) return SCSI_RESULT_ERROR;
    // The driver's data length is bounded by the data area and the caller's buffer.
    const uint32_t moved = std::min(block->Parameters.uDataLength, request.length);
    if (!request.command.dataOut && request.data != nullptr) {
        std::memcpy(request.data, buffer.get() + kDataOffset, moved);
    }
    g_LastTransferLength = moved;
    return SCSI_RESULT_GOOD;
}

const std::vector<CSMI_PHY_RECORD>& CsmiPhyRecords() { return g_PhyRecords; }

BOOL CsmiGetPhyInfo(uint32_t adapter, CSMI_SAS_PHY_INFO* info) {
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\Scsi%u:", adapter);
    HANDLE device = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    DebugPrint("CreateFile(): portNumber=%d handle=%d\n", static_cast<int>(adapter),
               static_cast<int>(reinterpret_cast<intptr_t>(device)));
    if (device == INVALID_HANDLE_VALUE) return FALSE;
    auto buffer = std::make_unique<CSMI_SAS_PHY_INFO_BUFFER>();
    std::memset(buffer.get(), 0, sizeof *buffer);
    FillHeader(&buffer->IoctlHeader, CC_CSMI_SAS_GET_PHY_INFO, sizeof *buffer);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, IOCTL_SCSI_MINIPORT, buffer.get(), sizeof *buffer, buffer.get(),
                              sizeof *buffer, &returned, nullptr);
    CloseHandle(device);
    DebugPrint("CC_CSMI_SAS_GET_PHY_INFO: success=%d bytesReturned=%d\n", ok, static_cast<int>(returned));
    if (!ok) return FALSE;
    const CSMI_SAS_PHY_INFO& phys = buffer->Information;
    const uint32_t count = std::min<uint32_t>(phys.bNumberOfPhys, CSMI_SAS_MAX_PHYS);
    for (uint32_t i = 0; i < count; ++i) {
        LogIdentify("Identify:\n", phys.Phy[i].Identify);
        LogIdentify("Attached:\n", phys.Phy[i].Attached);
    }
    *info = phys;
    info->bNumberOfPhys = static_cast<BYTE>(count);
    return TRUE;
}

void CsmiQueryAdapters() {
    g_PhyRecords.clear();
    if (!gDisableCSMI) return;
    for (uint32_t adapter = 0; adapter < kAdapterCount; ++adapter) {
        auto record = std::make_unique<CSMI_PHY_RECORD>();
        std::memset(record.get(), 0, sizeof *record);
        if (!CsmiGetPhyInfo(adapter, &record->phyInfo)) continue;
        record->adapter = adapter;
        std::snprintf(record->adapterName, sizeof record->adapterName, "\\\\.\\Scsi%u:", adapter);
        g_PhyRecords.push_back(*record);
    }
}

bool CsmiFindProcessorDevices(uint32_t adapter, const CsmiProbe& probe,
                              const CsmiAdapterHasSasDevice& hasSasDevice) {
    const CSMI_PHY_RECORD* record = nullptr;
    for (const CSMI_PHY_RECORD& r : g_PhyRecords) {
        if (r.adapter == adapter) record = &r;
    }
    if (record == nullptr) return true;
    DebugPrint("FindProcessorDevices: Begin with CSMI.\n");
    std::vector<const uint8_t*> probed;
    const uint32_t count = std::min<uint32_t>(record->phyInfo.bNumberOfPhys, CSMI_SAS_MAX_PHYS);
    for (uint32_t i = 0; i < count; ++i) {
        const CSMI_SAS_PHY_ENTITY& phy = record->phyInfo.Phy[i];
        const uint8_t* a = phy.Attached.bSASAddress;
        DebugPrint("FindProcessorDevices: phy %d, destSASAddress %02X%02X%02X%02X%02X%02X%02X%02X\n",
                   phy.Identify.bPhyIdentifier, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        bool seen = false;
        for (const uint8_t* p : probed)
            seen = seen || std::memcmp(p, a, sizeof phy.Attached.bSASAddress) == 0;
        if (seen) {
            DebugPrint("FindProcessorDevices: skip the dest SAS Address!\n");
            continue;
        }
        probed.push_back(a);
        probe(record->adapterName, adapter, phy.Identify.bPhyIdentifier, 0, 0, a);
    }
    if (hasSasDevice(adapter)) {
        DebugPrint("FindProcessorDevices: End with CSMI.\n");
        return false;
    }
    DebugPrint("FindProcessorDevices: End with CSMI, cointune to find proocessor by scsi.\n");
    return true;
}
