// Presenting a partition (normally a snapshot) to this host's ports at a free LUN, taking it away again, and
// finding the LUN at which the partition is presented to this host.
#include <cstring>
#include <iterator>
#include <string>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/retry_policy.h"
#include "provider/controllers/serial_numbers.h"

namespace {

constexpr uint32_t kLastUsableLun = 1022;  // 1,023 is never handed out
constexpr uint32_t kMapChannels = 8;
constexpr uint8_t kAccessMapped = 0xC0;
constexpr uint8_t kAccessMode8 = 0x0C;
constexpr uint8_t kAccessUnmapped = 0;
constexpr uint32_t kHostViewRead = 1;
constexpr uint32_t kHostViewCheck = 0;
constexpr uint32_t kMapFlag = 1;
constexpr uint8_t kIscsiBus = 9;
constexpr size_t kSerialFieldBytes = 32;

bool IsIscsiPort(const FlexIDEntry& port) { return port.mKind == kFlexKindIscsi; }

// The port's initiator name, never read past its field.
std::string IscsiName(const FlexIDEntry& port) {
    return std::string(port.mIscsiName, strnlen(port.mIscsiName, kIscsiNameChars));
}

// Entries and hosts as far as the reply's counts and the tables both go.
uint32_t HostViewEntries(const CAPI_HOST_VIEW_TABLE& view) {
    return view.numPartitions < std::size(view.partitions)
               ? view.numPartitions
               : static_cast<uint32_t>(std::size(view.partitions));
}
uint32_t PartitionViewHosts(const CAPI_PARTITION_VIEW_TABLE& view) {
    return view.numHosts < std::size(view.mappings) ? view.numHosts
                                                    : static_cast<uint32_t>(std::size(view.mappings));
}

// A 16-byte partition ID as the 32-byte serial-number field of a request.
struct SerialField {
    explicit SerialField(const uint8_t* id16) { std::memcpy(bytes, id16, kPartitionIdBytes); }
    uint8_t bytes[kSerialFieldBytes] = {};
};

// Whether the view lists an entry at the LUN; each such entry's channel flags go to the log.
bool ListsLun(const CAPI_HOST_VIEW_TABLE& view, uint32_t lun, bool portNamedByWwn) {
    bool listed = false;
    const uint8_t* w = view.wwns[0];
    for (uint32_t k = 0; k < HostViewEntries(view) && !listed; ++k) {
        const CAPI_PARTITION_SN_AND_MAP& entry = view.partitions[k];
        if (entry.map.hlun != lun) continue;
        const uint8_t* s = entry.sn.sn;
        for (uint8_t flag : entry.map.flags) {
            if (portNamedByWwn) {
                BVSS_DebugPrint(
                    L"findNextAvailableLUN(): [%d] %02x%02x%02x%02x%02x%02x%02x%02x LUN %d -> flags %02X "
                    L"%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x\n",
                    k, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], lun, flag, s[0], s[1], s[2], s[3],
                    s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15]);
            } else {
                BVSS_DebugPrint(
                    L"findNextAvailableLUN(): [%d] LUN %d -> flags %02X %02x%02x%02x%02x%02x%02x%02x%02x%02x"
                    L"%02x%02x%02x%02x%02x%02x%02x\n",
                    k, lun, flag, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11],
                    s[12], s[13], s[14], s[15]);
            }
        }
        // Listed is in use, whatever the flags: the proxy's own mappings carry 0xC0 or 0xCC.
        listed = true;
    }
    return listed;
}

}  // namespace

HRESULT BVSS_CapiRaidController::ReadHostView(const WCHAR* operation, const FlexIDEntry* port,
                                              int32_t controllerId, uint8_t selector, uint32_t flag,
                                              const WCHAR* fcLine, const WCHAR* iscsiLine) {
    BVSS_CritSecLock lock(&mLock);
    std::memset(&mHostView, 0, sizeof mHostView);
    HRESULT hr = kProviderBadArgument;
    if (port != nullptr) {
        hr = SendCommand(operation, [&] {
            const int code = get_host_view(controllerId, selector, port, flag, &mHostView);
            if (IsIscsiPort(*port)) {
                BVSS_DebugPrint(iscsiLine, IscsiName(*port).c_str(), mHostView.numPartitions);
            } else {
                const uint8_t* w = port->mWwpn;
                BVSS_DebugPrint(fcLine, w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7],
                                mHostView.numPartitions);
            }
            return code;
        });
    }
    return hr;
}

HRESULT BVSS_CapiRaidController::capiGetHostView(const FlexIDEntry* port, int32_t controllerId,
                                                 uint8_t selector) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiGetHostView");
    const HRESULT hr =
        ReadHostView(L"capiGetHostView", port, controllerId, selector, kHostViewRead,
                     L"The map for port WWN: %02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X, numPartitions=%d\n",
                     L"The map for host target port: %S, numPartitions = %d.\n");
    BVSS_DebugPrint(L"capiGetHostView(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiCheckHBAValid(const FlexIDEntry* port) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiCheckHBAValid");
    BVSS_CritSecLock lock(&mLock);
    HRESULT hr =
        ReadHostView(L"capiCheckHBAValid", port, mHandle, kSelectAllControllers, kHostViewCheck,
                     L"Checking host WWPN %02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X: numPartitions=%d\n",
                     L"Checking host target port %S: numPartitions = %d.\n");
    if (SUCCEEDED(hr) && mHostView.numPartitions == 0) hr = VSS_E_OBJECT_NOT_FOUND;
    BVSS_DebugPrint(L"capiGetHostView(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::findNextAvailableLUN(std::vector<FlexIDEntry> ports, uint8_t selector,
                                                      uint32_t* lun) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::findNextAvailableLUN");
    const uint32_t start = ProviderParameters().StartingLun;
    BVSS_DebugPrint(L"findNextAvailableLUN(): nStartingLun = %d\n", start);
    if (lun == nullptr) return kProviderBadArgument;
    *lun = kNoLun;
    HRESULT hr = S_OK;
    const CAPI_FAILOVER& failover = mControllerData.failover;
    if (failover.failedOver != 0 || failover.otherState != 0 || isControllerMode8())
        selector = kSelectAllControllers;
    const bool partnerToo = isControllerMode8() && failover.failedOver == 0;

    std::vector<CAPI_HOST_VIEW_TABLE> views;
    auto keepView = [&](const FlexIDEntry& port, int32_t controllerId) {
        BVSS_CritSecLock lock(&mLock);  // the copy is of this read, not of another thread's
        hr = capiGetHostView(&port, controllerId, selector);
        if (FAILED(hr)) {
            if (IsIscsiPort(port)) {
                LogErrorEvent(L"capiGetHostView(): Error 0x%1$08X getting filter map entries for IQN:%2$S.",
                              hr, IscsiName(port).c_str());
            } else {
                const uint8_t* w = port.mWwpn;
                LogErrorEvent(L"%S:%S=0x%08X, %S=%02x%02x%02x%02x%02x%02x%02x%02x.",
                              "capiGetHostView(): Error getting filter map entries for WWPN.", "error", hr,
                              "WWPN", w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
            }
            throw static_cast<HRESULT>(VSS_E_PROVIDER_VETO);
        }
        views.push_back(mHostView);
    };
    for (const FlexIDEntry& port : ports) {
        if (!IsFlexIdSupported(port)) continue;
        keepView(port, mHandle);
        if (partnerToo) keepView(port, mPartnerHandle);
    }

    const bool byWwn = isFCHostInterface() || isSASHostInterface();
    for (uint32_t candidate = start; candidate <= kLastUsableLun && *lun == kNoLun; ++candidate) {
        bool inUse = false;
        for (size_t v = 0; v < views.size() && !inUse; ++v) inUse = ListsLun(views[v], candidate, byWwn);
        if (!inUse) *lun = candidate;
    }
    BVSS_DebugPrint(L"findNextAvailableLUN(): found Lun = 0x%08x, returning 0x%08x\n", *lun, hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::assignLUN(const uint8_t* partitionId16, std::vector<FlexIDEntry> ports,
                                           uint8_t selector, uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::assignLUN");
    uint32_t lun = kNoLun;
    HRESULT hr = findNextAvailableLUN(ports, selector, &lun);
    if (FAILED(hr) || lun == kNoLun) {
        LogErrorEvent(L"assignLUN(): Unable to find a valid LUN to use for mapping a partition.");
        hr = VSS_E_OBJECT_NOT_FOUND;
    } else {
        // On a controller with iSCSI and FC or SAS channels, only the ports it already serves are mapped
        // when it serves some of them and not others.
        std::vector<bool> served(ports.size(), true);
        bool filtering = false;
        if (HasiSCSI() && (HasFC() || HasSAS())) {
            int mapped = 0;
            int unmapped = 0;
            for (size_t p = 0; p < ports.size(); ++p) {
                served[p] = SUCCEEDED(capiCheckHBAValid(&ports[p]));
                ++(served[p] ? mapped : unmapped);
            }
            filtering = mapped > 0 && unmapped > 0;
            if (filtering)
                BVSS_DebugPrint(L"Filtering HBA ports (%d mapped, %d unmapped)\n", mapped, unmapped);
        }
        const uint8_t access = static_cast<uint8_t>(kAccessMapped | (isControllerMode8() ? kAccessMode8 : 0));
        for (size_t p = 0; p < ports.size(); ++p) {
            const FlexIDEntry& port = ports[p];
            if (!IsFlexIdSupported(port)) continue;
            if (filtering && !served[p]) {
                if (IsIscsiPort(port)) {
                    BVSS_DebugPrint(L"Not mapping HBA port %S\n", IscsiName(port).c_str());
                } else {
                    const uint8_t* w = port.mWwpn;
                    BVSS_DebugPrint(L"NOT mapping port WWN: %02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X\n", w[0],
                                    w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
                }
                continue;
            }
            CAPI_PARTITION_MAP selection{};
            const bool hybrid = IsHybrid();
            for (uint32_t c = 0; hybrid && c < kMapChannels; ++c) {
                const bool iscsiChannel = mControllerData.hostChannels[c].busType == kIscsiBus;
                selection.flags[c] = iscsiChannel == IsIscsiPort(port) ? 1 : 0;
            }
            BVSS_DebugPrint(L"assignLUN(): IsFlexIdSupported %d IsHybrid %d HasFC %d HasiSCSI %d HasSAS %d\n",
                            1, hybrid, HasFC(), HasiSCSI(), HasSAS());
            hr = capiMapUnmapPartition(partitionId16, lun, &port, access, kMapFlag,
                                       hybrid ? &selection : nullptr);
            const uint8_t* i = partitionId16;
            BVSS_DebugPrint(
                L"assignLUN(): LUN assignment result=%x, assigning LUN %u to partition %02x%02x%02x%02x%02x"
                L"%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x.\n",
                hr, lun, i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7], i[8], i[9], i[10], i[11], i[12],
                i[13], i[14], i[15]);
            if (FAILED(hr)) {
                // Undo this call's mappings up to and including the failing port; the other ports still
                // follow.
                for (size_t q = 0; q <= p; ++q) {
                    if (IsFlexIdSupported(ports[q]))
                        capiMapUnmapPartition(partitionId16, lun, &ports[q], kAccessUnmapped, kMapFlag,
                                              nullptr);
                }
            }
        }
    }
    // The refresh shows the new mapping in the controller's tables; its result never hides a failure.
    const HRESULT refreshed = capiUpdateController(1);
    if (FAILED(refreshed))
        LogErrorEvent(
            L"assignLUN(): Error 0x%1$08X getting our array and partition data from RAID controller.",
            refreshed);
    if (SUCCEEDED(hr)) hr = refreshed;
    BVSS_DebugPrint(L"assignLUN(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::unassignLUN(const uint8_t* partitionId16) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::unassignLUN");
    std::vector<FlexIDEntry> ports;
    HRESULT hr = capiGetHbaWwpnList(&ports, 1);
    // Every port is unmapped; the first failure is the result, a later success does not hide it.
    for (const FlexIDEntry& port : ports) {
        const HRESULT unmapped =
            capiMapUnmapPartition(partitionId16, kNoLun, &port, kAccessUnmapped, kMapFlag, nullptr);
        if (SUCCEEDED(hr)) hr = unmapped;
    }
    BVSS_DebugPrint(L"unassignLUN(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiMapUnmapPartition(const uint8_t* partitionId16, uint32_t lun,
                                                       const FlexIDEntry* port, uint8_t access, uint32_t,
                                                       const CAPI_PARTITION_MAP* channels) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiMapUnmapPartition");
    BVSS_CritSecLock lock(&mLock);
    if (channels != nullptr) {
        const uint8_t* c = channels->flags;
        BVSS_DebugPrint(L"Channels: %d%d%d%d%d%d%d%d\n", c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
    } else {
        BVSS_DebugPrint(L"Channels: (all)\n");
    }
    HRESULT hr = kProviderBadArgument;
    if (partitionId16 != nullptr && port != nullptr) {
        const SerialField serial(partitionId16);
        const auto* mask = reinterpret_cast<const uint8_t*>(channels);  // the wrapper reads flags at byte 4
        hr = SendCommand(L"capiMapUnmapPartition", [&] {
            if (IsIscsiPort(*port)) {
                BVSS_DebugPrint(L"Create map: IQN: %S lun=%d\n", IscsiName(*port).c_str(), lun);
            } else {
                const uint8_t* w = port->mWwpn;
                BVSS_DebugPrint(L"Create map: port WWN: %02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X lun=%d\n",
                                w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], lun);
            }
            return create_custom_view(mHandle, serial.bytes, lun, access, port, mask);
        });
    }
    BVSS_DebugPrint(L"capiMapUnmapPartition(): returning 0x%08x\n", hr);
    return hr;
}

bool BVSS_CapiRaidController::IsThisHost(uint32_t host, const std::vector<FlexIDEntry>& ports) const {
    const uint8_t* wwn = mPartitionView.wwn[host];
    const char* name = mPartitionView.iscsiNames[host];
    if (isiSCSIHostInterface()) return isOtherHostIscsiName(name, ports) == 0;
    if (HasiSCSI()) return isOtherHostWwpn(wwn, ports) == 0 || isOtherHostIscsiName(name, ports) == 0;
    if (isFCHostInterface() || isSASHostInterface()) return isOtherHostWwpn(wwn, ports) == 0;
    return true;
}

HRESULT BVSS_CapiRaidController::capiGetArrayPartitionLUN(const CAPI_ARRAY_PARTITION* partition,
                                                          std::vector<FlexIDEntry> ports, uint32_t* lun) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiGetArrayPartitionLUN");
    BVSS_CritSecLock lock(&mLock);
    uint32_t found = kNoLun;
    std::memset(&mPartitionView, 0, sizeof mPartitionView);
    HRESULT hr = kProviderBadArgument;
    if (partition == nullptr) {
        LogErrorEvent(L"capiGetArrayPartitionLUN(): The partition argument is null.");
    } else {
        hr = SendCommand(L"capiGetArrayPartitionLUN",
                         [&] { return get_part_view(mHandle, partition->serialNumber, &mPartitionView); });
    }
    if (SUCCEEDED(hr)) {
        for (uint32_t h = 0; h < PartitionViewHosts(mPartitionView); ++h) {
            if (IsThisHost(h, ports)) found = mPartitionView.mappings[h].hlun;
        }
        for (uint8_t flag : mPartitionView.defaultMapping.flags) {
            if (isMappedChannelFlag(flag)) found = mPartitionView.defaultMapping.hlun;
        }
    }
    static const uint8_t kNoId[kPartitionIdBytes] = {};
    const uint8_t* i = partition != nullptr ? partition->serialNumber : kNoId;
    BVSS_DebugPrint(
        L"capiGetArrayPartitionLUN(): partition ID %02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
        L"%02x%02x%02x = %d.\n",
        i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7], i[8], i[9], i[10], i[11], i[12], i[13], i[14], i[15],
        static_cast<int32_t>(found));
    if (lun != nullptr) *lun = found;
    BVSS_DebugPrint(L"capiGetArrayPartitionLUN(): returning 0x%08x\n", hr);
    return hr;
}
