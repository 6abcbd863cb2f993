// Which controllers of the set see a partition: the first in set order, or every one of them (the one to
// use first, then the fail-over candidates).
#include <cstring>

#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/serial_numbers.h"

namespace {

// The first 16 bytes of a key for the log, never read past the key.
struct KeyPrefix {
    uint8_t b[16] = {};
    KeyPrefix(const void* key, uint32_t keyLength) {
        std::memcpy(b, key, keyLength < sizeof b ? keyLength : sizeof b);
    }
};

const char* SerialText(const BVSS_CapiRaidController& controller) {
    return reinterpret_cast<const char*>(controller.getSerialNumber());
}

}  // namespace

HRESULT BVSS_RaidControllerSet::findPartitionArrayAndController(const void* key, uint32_t keyLength,
                                                                CAPI_ARRAY_PARTITION** partition,
                                                                CAPI_ARRAY** array,
                                                                BVSS_CapiRaidController** controller,
                                                                PartitionKeyKind kind) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::findPartitionArrayAndController");
    HRESULT hr = kProviderBadArgument;
    if (key != nullptr && partition != nullptr && array != nullptr && controller != nullptr) {
        *partition = nullptr;
        *array = nullptr;
        *controller = nullptr;
        hr = VSS_E_OBJECT_NOT_FOUND;
        const KeyPrefix k(key, keyLength);
        BVSS_DebugPrint(
            L"findPartitionArrayAndController() for %d byte volume %02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
            L"%02x%02x%02x%02x%02x%02x\n",
            keyLength, k.b[0], k.b[1], k.b[2], k.b[3], k.b[4], k.b[5], k.b[6], k.b[7], k.b[8], k.b[9],
            k.b[10], k.b[11], k.b[12], k.b[13], k.b[14], k.b[15]);
        for (const auto& candidate : mControllers) {
            if (hr != VSS_E_OBJECT_NOT_FOUND) break;
            BVSS_DebugPrint(L"fpaac: Checking controller %.32S failover id=%u\n", SerialText(*candidate),
                            candidate->getFailoverId());
            hr = candidate->findPartitionAndArray(key, keyLength, partition, array, kind);
            if (SUCCEEDED(hr)) *controller = candidate.get();
        }
    }
    BVSS_DebugPrint(L"findPartitionArrayAndController() returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_RaidControllerSet::findPartitionAndController(const void* key, uint32_t keyLength,
                                                           CAPI_ARRAY_PARTITION** partition,
                                                           BVSS_CapiRaidController** controller,
                                                           PartitionKeyKind kind) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::findPartitionAndController");
    HRESULT hr = kProviderBadArgument;
    if (partition != nullptr && controller != nullptr) {
        CAPI_ARRAY* array = nullptr;
        hr = findPartitionArrayAndController(key, keyLength, partition, &array, controller, kind);
    }
    BVSS_DebugPrint(L"findPartitionAndController() returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_RaidControllerSet::findPartitionArrayAndControllerList(
    const void* key, uint32_t keyLength, CAPI_ARRAY_PARTITION** partition, CAPI_ARRAY** array,
    std::vector<BVSS_CapiRaidController*>* list, PartitionKeyKind kind) {
    BVSS_FunctionTrace trace(L"BVSS_RaidControllerSet::findPartitionArrayAndControllerList");
    HRESULT hr = kProviderBadArgument;
    if (key != nullptr && partition != nullptr && array != nullptr && list != nullptr) {
        *partition = nullptr;
        *array = nullptr;
        list->clear();
        bool ownerSeen = false;
        for (const auto& candidate : mControllers) {
            CAPI_ARRAY_PARTITION* found = nullptr;
            CAPI_ARRAY* foundArray = nullptr;
            if (FAILED(candidate->findPartitionAndArray(key, keyLength, &found, &foundArray, kind))) continue;
            if (list->empty()) {
                *partition = found;
                *array = foundArray;
            }
            list->push_back(candidate.get());
            const uint8_t* id = found->serialNumber;
            BVSS_DebugPrint(
                L"findPartitionArrayAndControllerList() controller %.32S, failoverID=%u can see partition "
                L"ID=%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x, current owner ID=%u, "
                L"preferred owner ID=%u.\n",
                SerialText(*candidate), candidate->getFailoverId(), id[0], id[1], id[2], id[3], id[4], id[5],
                id[6], id[7], id[8], id[9], id[10], id[11], id[12], id[13], id[14], id[15],
                foundArray->currentOwner, foundArray->preferredOwner);
            ownerSeen = ownerSeen || foundArray->currentOwner == candidate->getFailoverId();
        }
        hr = VSS_E_OBJECT_NOT_FOUND;
        if (!list->empty()) {
            hr = S_OK;
            const uint8_t* id = (*partition)->serialNumber;
            BVSS_DebugPrint(
                L"findPartitionArrayAndControllerList() saw %d controllers containing partition ID=%02x%02x"
                L"%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x, %S owner controller.\n",
                static_cast<int>(list->size()), id[0], id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8],
                id[9], id[10], id[11], id[12], id[13], id[14], id[15], ownerSeen ? "found" : "did not find");
        }
    }
    BVSS_DebugPrint(L"findPartitionArrayAndControllerList() returning 0x%08x\n", hr);
    return hr;
}
