// Full copies (rolloff volumes) on one controller: one copy of each volume started onto a vdisk with room
// for it, preferably another vdisk of the same preferred owner.
#include <algorithm>
#include <cstring>

#include "corlink/capi_wire/capi_snapshot.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/serial_numbers.h"

namespace {

constexpr size_t kArraySerialBytes = 32;

static_assert(sizeof(CAPI_ROLLOFF_PARAMS) == kRolloffRequestBytes);

}  // namespace

HRESULT BVSS_CapiRaidController::capiRolloffVolumes(const std::vector<BVSS_SnapshotInfo*>& list, uint32_t,
                                                    uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiRolloffVolumes");
    BVSS_CritSecLock lock(&mLock);
    HRESULT firstFailure = S_OK;
    for (uint32_t n = 0; n < list.size(); ++n) {
        BVSS_SnapshotInfo& entry = *list[n];
        CAPI_ROLLOFF_PARAMS request;
        std::memset(&request, 0, sizeof request);
        auto* bytes = reinterpret_cast<uint8_t*>(&request);
        std::memcpy(request.volumeSerialNumber, entry.mSource.mSerialNumber, kPartitionIdBytes);
        const HRESULT found =
            findRolloffVdisk(entry.mSource.mSerialNumber, sizeof entry.mSource.mSerialNumber,
                             request.vdiskSerialNumber, kPartitionIdBytes);
        if (FAILED(found)) {
            LogErrorEvent(L"%S:%S=#%u, %S=%S.",
                          "capiRolloffVolumes(): Cann't find vdisk to create rolloff partition on", "rolloff",
                          n, "original volume id", PartitionIdText(request.volumeSerialNumber).text);
            if (SUCCEEDED(firstFailure)) firstFailure = found;
            break;
        }
        const PartitionIdText vdisk(request.vdiskSerialNumber);
        BVSS_DebugPrint(L"   capiRolloffVolumes(): Vdisk ID=%S.\n", vdisk.text);
        makeSnapshotName("VSS", entry.mSnapshotName, sizeof entry.mSnapshotName);
        const size_t nameLength = strnlen(entry.mSnapshotName, sizeof request.name);
        std::memcpy(request.name, entry.mSnapshotName, nameLength);
        entry.mUnsweptNames.emplace_back(entry.mSnapshotName, nameLength);
        request.value72 = 1;
        BVSS_DebugPrint(
            L"   capiRolloffVolumes(): Rolloff #%u, name='%.32S',original volume partition ID=%S,vdisk "
            L"ID=%S.\n",
            n, entry.mSnapshotName, PartitionIdText(request.volumeSerialNumber).text, vdisk.text);
        mSavedSnapshots = list;

        uint8_t volume[kPartitionIdBytes] = {};
        int32_t lastCode = 0;
        const HRESULT hr = SendCommand(
            L"capiRolloffVolumes", [&] { return rolloff_volume(mHandle, bytes, volume); }, &lastCode);
        if (lastCode == 0) {
            entry.mCreated = 1;
            std::memset(entry.mSnapshot.mSerialNumber, 0, sizeof entry.mSnapshot.mSerialNumber);
            std::memcpy(entry.mSnapshot.mSerialNumber, volume, kPartitionIdBytes);
            entry.mSnapshot.setLunID(volume, kPartitionIdBytes);
            BVSS_DebugPrint(L"   capiRolloffVolumes(): Rolloff volume partition ID=%S.\n",
                            PartitionIdText(volume).text);
        }
        // Every entry is started; the first that fails decides the result.
        if (FAILED(hr) && SUCCEEDED(firstFailure)) firstFailure = hr;
    }
    // A start answered with an error or sent again after a lost reply may have made a copy beside the
    // recorded.
    const HRESULT swept = deleteUnrecordedSnapshots(list);
    if (SUCCEEDED(firstFailure) && FAILED(swept)) firstFailure = swept;
    BVSS_DebugPrint(L"capiRolloffVolumes(): returning 0x%08x\n", firstFailure);
    return firstFailure;
}

HRESULT BVSS_CapiRaidController::findRolloffVdisk(const uint8_t* partitionId, uint32_t partitionIdLength,
                                                  uint8_t* vdisk, uint32_t vdiskLength) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::findRolloffVdisk");
    BVSS_CritSecLock lock(&mLock);
    if (partitionId == nullptr || vdisk == nullptr) {
        BVSS_DebugPrint(L"findRolloffVdisk(): returning 0x%08x\n", kProviderBadArgument);
        return kProviderBadArgument;
    }
    CAPI_ARRAY_PARTITION* partition = nullptr;
    HRESULT hr = findPartition(partitionId, partitionIdLength, &partition);
    if (FAILED(hr)) {
        // Not a volume of this controller: there is no size or owner to compare the vdisks with.
        BVSS_DebugPrint(L"findRolloffVdisk(): returning 0x%08x\n", hr);
        return hr;
    }
    const size_t compared = std::min<size_t>(vdiskLength, kArraySerialBytes);
    std::memcpy(vdisk, partition->arraySerialNumber, compared);
    hr = VSS_E_INSUFFICIENT_STORAGE;
    for (uint32_t i = 0; i < mNumArrays && i < kMaxArrays; ++i) {
        const CAPI_ARRAY& array = mArrays[i];
        if (U64compare(array.maxNewPartitionSize, partition->size) < 0) continue;
        hr = S_OK;
        if (std::memcmp(array.serialNumber, vdisk, compared) != 0 &&
            array.preferredOwner == partition->preferredOwner) {
            std::memcpy(vdisk, array.serialNumber, compared);
            BVSS_DebugPrint(L"   findRolloffVdisk(): Find vdisk name = '%.32S', vdisk ID=%S.\n", array.name,
                            PartitionIdText(array.serialNumber).text);
            break;
        }
    }
    uint8_t shown[kPartitionIdBytes] = {};
    std::memcpy(shown, vdisk, std::min(compared, kPartitionIdBytes));
    BVSS_DebugPrint(L"   findRolloffVdisk(): Find vdisk ID=%S.\n", PartitionIdText(shown).text);
    BVSS_DebugPrint(L"findRolloffVdisk(): returning 0x%08x\n", hr);
    return hr;
}
