// CSMI SAS: a SCSI command addressed by SAS address through the adapter driver (IOCTL_SCSI_MINIPORT on
// "\\.\Scsi%d:"), and the adapters' phy query. The phy query only runs while gDisableCSMI is set, which no
// setting does, so no device carries a SAS address and the SSP route stays unused in practice.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "corlink/transport/scsi_cdb.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/win_types.h"

struct CsmiRequest {
    const ScsiCommandInfo& command;
    uint8_t phy;   // the command's bus argument
    uint8_t port;  // the command's target argument
    uint8_t lun;
    const uint8_t* sasAddress;  // 8 bytes
    void* data;
    uint32_t length;  // already cut
};

// Logs the adapter, phy and destination address of a request on deviceName.
void CsmiLogAddress(const char* deviceName, const CsmiRequest& request);
// The SSP pass-through on an opened adapter: SCSI_RESULT_GOOD (read data copied back), SCSI_RESULT_ERROR
// (SSP status 3) or SCSI_RESULT_IOCTL_FAILED.
int CsmiSspPassThrough(HANDLE adapter, const CsmiRequest& request, DWORD* bytesReturned);

// One adapter that answered the phy query.
struct CSMI_PHY_RECORD {
    uint32_t adapter;
    char adapterName[16];
    CSMI_SAS_PHY_INFO phyInfo;
};

// The phy records of the last query (at most one per adapter).
const std::vector<CSMI_PHY_RECORD>& CsmiPhyRecords();
// Empties the records and, while gDisableCSMI is set, queries the phys of adapters 0 to 31.
void CsmiQueryAdapters();
// The phy query of one adapter: TRUE with *info filled when the adapter answered.
BOOL CsmiGetPhyInfo(uint32_t adapter, CSMI_SAS_PHY_INFO* info);

// Probes one LUN reached by SAS address (adapter name, adapter, phy as bus, target, LUN, SAS address).
using CsmiProbe = std::function<void(const char* adapterName, uint32_t adapter, uint8_t bus, uint8_t target,
                                     uint8_t lun, const uint8_t* sasAddress)>;
// Whether a committed processor device of the adapter carries a SAS address.
using CsmiAdapterHasSasDevice = std::function<bool(uint32_t adapter)>;

// Probes the attached SAS address of every phy of the adapter's phy record, each address once. Returns
// true when the SCSI walk of the adapter should follow (no record, or no device found by SAS address).
bool CsmiFindProcessorDevices(uint32_t adapter, const CsmiProbe& probe,
                              const CsmiAdapterHasSasDevice& hasSasDevice);
