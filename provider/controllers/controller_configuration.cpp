// Filling a controller object from the proxy (the controller with its arrays and partitions, and the
// snapshot, master-volume, snap-pool and full-copy lists) and finding partitions in it.
#include <cstring>
#include <memory>
#include <new>

#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/retry_policy.h"
#include "provider/controllers/serial_numbers.h"

namespace {

bool AllZero(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

bool IsSupportedPartition(const CAPI_ARRAY_PARTITION& p) {
    return p.specialClass == kClassSnapshotFamily || p.type == CAPI_PTSNAP_MASTER_VOLUME ||
           (p.specialClass == kClassStandard && (p.type == 0 || p.type == kTypePagedSnapshot));
}

// The key as text: at most keyLength characters, up to its first NUL.
bool NameMatches(const char* name, const void* key, size_t keyLength) {
    const char* text = static_cast<const char*>(key);
    const size_t keyChars = strnlen(text, keyLength);
    const size_t nameChars = strnlen(name, 32);
    if (keyChars == 0 || keyChars != nameChars) return false;  // an empty name names no partition
    for (size_t i = 0; i < keyChars; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) !=
            std::tolower(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

// One of the list readers: under the controller's lock, through the retry policy.
template <class Send>
HRESULT ReadList(BVSS_CapiRaidController& controller, const WCHAR* qualifiedName, const WCHAR* operation,
                 Send send) {
    BVSS_FunctionTrace trace(qualifiedName);
    BVSS_CritSecLock locked(&controller.mLock);
    const HRESULT hr = controller.SendCommand(operation, send);
    BVSS_DebugPrint(L"%s(): returning 0x%08x\n", operation, hr);
    return hr;
}

}  // namespace

HRESULT BVSS_CapiRaidController::capiUpdateController(uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiUpdateController");
    BVSS_CritSecLock lock(&mLock);
    std::unique_ptr<API_RAID_CONTROLLER> reply(new API_RAID_CONTROLLER);
    const HRESULT hr = SendCommand(L"capiUpdateController", [&] {
        const int code = get_controller_data(mHandle, reply.get());
        if (code != 0)
            BVSS_DebugPrint(
                L"capiUpdateController(): Error 0x%08X getting our identity data from RAID controller.\n",
                code);
        return code;
    });
    if (SUCCEEDED(hr)) {
        // The wrapper has checked every count against its table.
        mHandle = static_cast<int32_t>(reply->controllerId);
        mControllerData = reply->controller;
        mNumArrays = reply->numArrays;
        std::memcpy(mArrays, reply->arrays, sizeof mArrays);
        for (uint32_t i = 0; i < mNumArrays; ++i) {
            BVSS_DebugPrint(L"mNumPartitions[%d]=%d\n", i, mArrays[i].largeNumArrayPartitions);
            mNumPartitions[i] = mArrays[i].largeNumArrayPartitions;
        }
        mPartitionCount = reply->partitionCount;
        std::memcpy(mPartitions, reply->partitions, mPartitionCount * sizeof mPartitions[0]);
        IndexPartitions();
        for (uint32_t a = 0; a < mNumArrays; ++a) {
            BVSS_DebugPrint(L"  Array %.32S (%d partitions)\n", mArrays[a].name, mNumPartitions[a]);
            for (uint32_t p = 0; p < mNumPartitions[a] && p < kMaxPartitionsPerArray; ++p) {
                if (mPartitionTable[a][p] != nullptr) {
                    BVSS_DebugPrint(L"    Part %.32S\n", mPartitionTable[a][p]->name);
                } else {
                    BVSS_DebugPrint(L"    Part[%d][%d] missing\n", a, p);
                }
            }
        }
        m_pspCount = reply->numPools;
        std::memcpy(mPools, reply->pools, m_pspCount * sizeof mPools[0]);
        mComponentCount = reply->numComponents;
        std::memcpy(mComponents, reply->components, mComponentCount * sizeof mComponents[0]);
    }
    BVSS_DebugPrint(L"returning 0x%08x\n", hr);
    return hr;
}

void BVSS_CapiRaidController::IndexPartitions() {
    // The table is rebuilt from nothing: no entry of an earlier read names a partition that is gone.
    std::memset(mPartitionTable, 0, sizeof mPartitionTable);
    for (uint32_t i = 0; i < mPartitionCount; ++i) {
        API_PARTITION_ENTRY& entry = mPartitions[i];
        entry.reserved0 = 1;  // in use
        if (entry.arrayIndex >= kMaxArrays || entry.partitionIndex >= kMaxPartitionsPerArray) {
            BVSS_DebugPrint(
                L"capiUpdateController(): partition record %u names array %u partition %u, skipped\n", i,
                entry.arrayIndex, entry.partitionIndex);
            continue;
        }
        mPartitionTable[entry.arrayIndex][entry.partitionIndex] = &entry.partition;
    }
}

void BVSS_CapiRaidController::AdoptRefreshOf(const BVSS_CapiRaidController& fresh) {
    BVSS_CritSecLock lock(&mLock);
    mHandle = fresh.mHandle;
    mPartnerHandle = fresh.mPartnerHandle;
    mControllerData = fresh.mControllerData;
    mNumArrays = fresh.mNumArrays;
    std::memcpy(mArrays, fresh.mArrays, sizeof mArrays);
    std::memcpy(mNumPartitions, fresh.mNumPartitions, sizeof mNumPartitions);
    mPartitionCount = fresh.mPartitionCount;
    std::memcpy(mPartitions, fresh.mPartitions, mPartitionCount * sizeof mPartitions[0]);
    IndexPartitions();
    m_pspCount = fresh.m_pspCount;
    std::memcpy(mPools, fresh.mPools, m_pspCount * sizeof mPools[0]);
    mComponentCount = fresh.mComponentCount;
    std::memcpy(mComponents, fresh.mComponents, mComponentCount * sizeof mComponents[0]);
}

HRESULT BVSS_CapiRaidController::capiGetSnapshotList(uint8_t selector, uint32_t) {
    return ReadList(*this, L"BVSS_CapiRaidController::capiGetSnapshotList", L"capiGetSnapshotList", [&] {
        return get_snapshot_list(mHandle, selector, selector, nullptr, &mSnapshotCount, mSnapshots);
    });
}

HRESULT BVSS_CapiRaidController::capiGetMasterVolumeList(uint8_t selector, uint32_t) {
    return ReadList(*this, L"BVSS_CapiRaidController::capiGetMasterVolumeList", L"capiGetMasterVolumeList",
                    [&] {
                        return get_master_volume_list(mHandle, selector, selector, nullptr,
                                                      &mMasterVolumeCount, mMasterVolumes);
                    });
}

HRESULT BVSS_CapiRaidController::capiGetBackingStoreList(uint8_t selector, uint32_t) {
    return ReadList(
        *this, L"BVSS_CapiRaidController::capiGetBackingStoreList", L"capiGetBackingStoreList",
        [&] { return get_backing_store_list(mHandle, selector, &mBackingStoreCount, mBackingStores); });
}

HRESULT BVSS_CapiRaidController::capiGetRolloffVolumeList(uint8_t selector, uint32_t) {
    return ReadList(*this, L"BVSS_CapiRaidController::capiGetRolloffVolumeList", L"capiGetRolloffVolumeList",
                    [&] { return get_rolloff_volume_list(mHandle, selector, &mRolloffCount, mRolloffs); });
}

HRESULT BVSS_CapiRaidController::updateConfigAll() {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::updateConfigAll");
    capiUpdateController(1);
    capiGetSnapshotList(kSelectAllControllers, 1);
    capiGetMasterVolumeList(kSelectAllControllers, 1);
    const HRESULT hr = capiGetBackingStoreList(kSelectAllControllers, 1);
    BVSS_DebugPrint(L"updateConfigAll(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::capiGetArrayPartitions(const CAPI_ARRAY*, uint32_t) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::capiGetArrayPartitions");
    updateConfigAll();
    return S_OK;
}

HRESULT BVSS_CapiRaidController::findPartitionAndArray(const void* key, uint32_t keyLength,
                                                       CAPI_ARRAY_PARTITION** partition, CAPI_ARRAY** array,
                                                       PartitionKeyKind kind) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::findPartitionAndArray");
    if (keyLength == 32) keyLength = kPartitionIdBytes;
    if (partition == nullptr || array == nullptr) return kProviderBadArgument;
    *partition = nullptr;
    *array = nullptr;
    HRESULT hr = VSS_E_OBJECT_NOT_FOUND;
    uint8_t id[kPartitionIdBytes] = {};
    std::memcpy(id, key, keyLength < sizeof id ? keyLength : sizeof id);  // never past the key
    char name[33] = {};
    std::memcpy(name, key, strnlen(static_cast<const char*>(key), keyLength < 32 ? keyLength : 32));
    BVSS_DebugPrint(
        L"findPartitionAndArray(): partition with ID %02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x"
        L"%02x%02x%02x or Name = %S, Array Numbers = %d .\n",
        id[0], id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11], id[12], id[13],
        id[14], id[15], name, mNumArrays);
    const size_t compared = keyLength < 32 ? keyLength : 32;
    for (uint32_t a = 0; a < mNumArrays && a < kMaxArrays && *partition == nullptr; ++a) {
        BVSS_DebugPrint(L"findPartitionAndArray(): Array %d has %d partitions.\n", a, mNumPartitions[a]);
        uint32_t supported = 0;
        for (uint32_t p = 0; p < kMaxPartitionsPerArray && supported < mNumPartitions[a]; ++p) {
            CAPI_ARRAY_PARTITION* candidate = mPartitionTable[a][p];
            if (candidate == nullptr) continue;
            const uint8_t* sn = candidate->serialNumber;
            BVSS_DebugPrint(
                L"Checking partition[%d][%d] with name %.32S and id %02x%02x%02x%02x%02x%02x%02x%02x%02x"
                L"%02x%02x%02x%02x%02x%02x%02x (class %d type %d)\n",
                a, p, candidate->name, sn[0], sn[1], sn[2], sn[3], sn[4], sn[5], sn[6], sn[7], sn[8], sn[9],
                sn[10], sn[11], sn[12], sn[13], sn[14], sn[15], candidate->specialClass, candidate->type);
            if (!IsSupportedPartition(*candidate)) continue;
            BVSS_DebugPrint(L"Partition %.32S is supported.\n", candidate->name);
            ++supported;
            const CAPI_ARRAY& owner = mArrays[a];
            const size_t arraySerialLength = owner.serialNumberLength < 32 ? owner.serialNumberLength : 32;
            if (AllZero(sn, 32) || AllZero(owner.serialNumber, arraySerialLength)) {
                BVSS_DebugPrint(
                    L"findPartitionAndArray(): zeroSN check matched for arrayIndex = %d or partitionIndex = %d \n",
                    a, p);
                continue;
            }
            const bool matches = kind == PartitionKeyKind::Id ? std::memcmp(sn, key, compared) == 0
                                                              : NameMatches(candidate->name, key, compared);
            if (matches) {
                BVSS_DebugPrint(
                    L"findPartitionAndArray(): find the partition: %.32S, arrayIndex = %d, partitionIndex = %d \n",
                    candidate->name, a, p);
                *partition = candidate;
                *array = &mArrays[a];
                hr = S_OK;
                break;
            }
        }
    }
    BVSS_DebugPrint(L"findPartitionAndArray(): returning 0x%08x\n", hr);
    return hr;
}

HRESULT BVSS_CapiRaidController::findPartition(const void* key, uint32_t keyLength,
                                               CAPI_ARRAY_PARTITION** partition, PartitionKeyKind kind) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::findPartition");
    if (partition == nullptr) return kProviderBadArgument;
    CAPI_ARRAY* array = nullptr;
    const HRESULT hr = findPartitionAndArray(key, keyLength, partition, &array, kind);
    BVSS_DebugPrint(L"findPartition(): returning 0x%08x\n", hr);
    return hr;
}

uint32_t BVSS_CapiRaidController::countSnapshots(uint8_t selector) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::countSnapshots");
    uint32_t count = 0;
    uint32_t paged = 0;
    if (SUCCEEDED(capiGetSnapshotList(selector, 1))) {
        count = mSnapshotCount;
    } else {
        const HRESULT hr = capiUpdateController(1);
        if (FAILED(hr)) throw hr;
        for (uint32_t a = 0; a < mNumArrays && a < kMaxArrays; ++a) {
            if (selector != kSelectAllControllers && mArrays[a].currentOwner != selector) continue;
            for (uint32_t p = 0; p < mNumPartitions[a] && p < kMaxPartitionsPerArray; ++p) {
                const CAPI_ARRAY_PARTITION* partition = mPartitionTable[a][p];
                if (partition == nullptr) continue;
                if (partition->specialClass == kClassSnapshotFamily &&
                    partition->type == CAPI_PTSNAP_SNAPSHOT) {
                    ++count;
                } else if (partition->specialClass == kClassStandard &&
                           partition->type == kTypePagedSnapshot) {
                    ++count;
                    ++paged;
                }
            }
        }
    }
    BVSS_DebugPrint(L"countSnapshots(): counted %d snapshots (%d paged) for controller %u\n", count, paged,
                    selector);
    return count;
}
