// The set-identifier mark on snapshot partitions, this host's FC ports as the proxy saw them, the published
// controller set, and the small tests of host identities, channel flags and 64-bit values.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/retry_policy.h"
#include "provider/controllers/serial_numbers.h"

BVSS_RaidControllerSet* BVSS_CapiRaidController::sRaidControllerSet = nullptr;
std::atomic<int32_t> BVSS_CapiRaidController::sRaidControllerSetRefCount{0};

namespace {

constexpr size_t kMarkChars = 42;  // "SSID=" and 36 characters of the GUID, with the terminator

// Every publication still standing, oldest first (a set published twice is listed twice), and the lock
// that guards the list and sRaidControllerSet.
std::mutex g_publicationLock;
std::vector<BVSS_RaidControllerSet*> g_publishedSets;

}  // namespace

HRESULT BVSS_CapiRaidController::capiUpdateIdentInfo(const uint8_t* snapshotId16, const GUID& setId) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiUpdateIdentInfo");
    BVSS_CritSecLock lock(&mLock);
    char mark[kMarkChars];
    std::snprintf(mark, sizeof mark, "SSID=%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", setId.Data1,
                  setId.Data2, setId.Data3, setId.Data4[0], setId.Data4[1], setId.Data4[2], setId.Data4[3],
                  setId.Data4[4], setId.Data4[5], setId.Data4[6], setId.Data4[7]);
    int32_t code = 0;
    const HRESULT hr = SendCommand(
        L"capiUpdateIdentInfo", [&] { return change_identinfo(mHandle, snapshotId16, mark); }, &code);
    if (FAILED(hr)) {
        const uint8_t* i = snapshotId16;
        BVSS_DebugPrint(
            L"capiUpdateIdentInfo(): update identInfo failed, SnapshotID=%02x%02x%02x%02x%02x%02x%02x%02x"
            L"%02x%02x%02x%02x%02x%02x%02x%02x .\n",
            i[0], i[1], i[2], i[3], i[4], i[5], i[6], i[7], i[8], i[9], i[10], i[11], i[12], i[13], i[14],
            i[15]);
    }
    BVSS_DebugPrint(L"%s(): returning hr=0x%08x (retCode=0x%x)\n",
                    L"BVSS_CapiRaidController::capiUpdateIdentInfo", hr, code);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiGetHbaWwpnList(std::vector<FlexIDEntry>* list, uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiGetHbaWwpnList");
    BVSS_CritSecLock lock(&mLock);
    if (list == nullptr) {
        BVSS_DebugPrint(L"capiGetHbaWwpnList(): returning 0x%08x\n", kProviderBadArgument);
        return kProviderBadArgument;
    }
    std::vector<PortName> names;
    const HRESULT hr = SendCommand(L"capiGetHbaWwpnList", [&] {
        names.clear();
        return get_connect_wwpn_list(mHandle, &names);
    });
    if (SUCCEEDED(hr)) {
        for (const PortName& name : names) {
            bool known = false;
            for (const FlexIDEntry& entry : *list)
                known = known || std::memcmp(entry.mWwpn, name.data(), 8) == 0;
            if (known) continue;
            FlexIDEntry entry;
            entry.mKind = kFlexKindFibreChannel;
            entry.mPortType = kFlexPortTypeFibreChannel;
            std::memcpy(entry.mWwpn, name.data(), 8);
            list->push_back(entry);
            BVSS_DebugPrint(L"Add new port WWN: %02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X\n", name[0], name[1],
                            name[2], name[3], name[4], name[5], name[6], name[7]);
        }
    }
    BVSS_DebugPrint(L"capiGetHbaWwpnList(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::StaticInit(BVSS_RaidControllerSet* set) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::StaticInit");
    int32_t count = 0;
    {
        std::lock_guard<std::mutex> hold(g_publicationLock);
        g_publishedSets.push_back(set);
        sRaidControllerSet = set;
        count = ++sRaidControllerSetRefCount;
    }
    BVSS_DebugPrint(
        L"StaticInit(): CAPI Initialization Complete. The sRaidControllerSet reference count = %d \n", count);
    BVSS_DebugPrint(L"StaticInit(): returning 0x%08x\n", S_OK);
    return S_OK;
}

HRESULT BVSS_CapiRaidController::StaticDeinit(BVSS_RaidControllerSet* set) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::StaticDeinit");
    int32_t count = 0;
    {
        // Exactly this set's newest publication goes; another object's set stays published.
        std::lock_guard<std::mutex> hold(g_publicationLock);
        const auto own = std::find(g_publishedSets.rbegin(), g_publishedSets.rend(), set);
        if (own != g_publishedSets.rend()) {
            g_publishedSets.erase(std::next(own).base());
            count = --sRaidControllerSetRefCount;
        } else {
            count = sRaidControllerSetRefCount.load();
        }
        sRaidControllerSet = g_publishedSets.empty() ? nullptr : g_publishedSets.back();
    }
    CloseCapiSleepTimer();
    BVSS_DebugPrint(L"StaticDeinit(): returning 0x%08x.  The sRaidControllerSet reference count = %d\n", S_OK,
                    count);
    return S_OK;
}

HRESULT BVSS_CapiRaidController::findInOwnPublishedSet(const uint8_t* id,
                                                       CAPI_ARRAY_PARTITION** partition) const {
    *partition = nullptr;
    std::lock_guard<std::mutex> hold(g_publicationLock);
    const auto own = std::find_if(g_publishedSets.rbegin(), g_publishedSets.rend(),
                                  [&](const BVSS_RaidControllerSet* set) { return set->Holds(this); });
    if (own == g_publishedSets.rend()) {
        BVSS_DebugPrint(L"No published controller set holds this controller: partition not found.\n");
        return VSS_E_OBJECT_NOT_FOUND;
    }
    BVSS_CapiRaidController* controller = nullptr;
    return (*own)->findPartitionAndController(id, kPartitionIdBytes, partition, &controller);
}

int isOtherHostWwpn(const uint8_t* wwpn8, const std::vector<FlexIDEntry>& list) {
    for (const FlexIDEntry& entry : list)
        if (entry.mKind != kFlexKindIscsi && std::memcmp(entry.mWwpn, wwpn8, 8) == 0) return 0;
    return 1;
}

int isOtherHostIscsiName(const char* name, const std::vector<FlexIDEntry>& list) {
    for (const FlexIDEntry& entry : list)
        if (entry.mKind == kFlexKindIscsi && strncasecmp(entry.mIscsiName, name, kIscsiNameChars) == 0)
            return 0;
    return 1;
}

bool isMappedChannelFlag(uint8_t flag) { return CapiChannelFlagsMapped(flag); }

int U64compare(const CAPI_U64& a, const CAPI_U64& b) {
    const uint64_t va = static_cast<uint64_t>(a.longs[1]) << 32 | a.longs[0];
    const uint64_t vb = static_cast<uint64_t>(b.longs[1]) << 32 | b.longs[0];
    const int result = va > vb ? 1 : (va == vb ? 0 : -1);
    BVSS_DebugPrint(L"U64compare a is(hi=%d, low=%d) %llu\n", a.longs[1], a.longs[0], va);
    BVSS_DebugPrint(L"U64compare b is(hi=%d, low=%d) %llu\n", b.longs[1], b.longs[0], vb);
    BVSS_DebugPrint(L"U64compare return %d\n", result);
    return result;
}
