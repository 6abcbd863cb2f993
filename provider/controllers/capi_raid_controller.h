// One array controller (A or B of a storage system) as the provider works with it: a copy of what the
// proxy reports about it (controller data, arrays, partitions, snapshot, master-volume, snap-pool and
// full-copy lists, the last host and partition views), and every controller command, one at a time under
// the object's own lock. Always on the heap (several MB), owned by the controller set, never copied.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/proxy_wire/api_raid_controller.h"
#include "platform/com/com_results.h"
#include "platform/com/guid.h"
#include "platform/kernel/critical_section.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/flex_id_entry.h"
#include "provider/controllers/lun_records.h"
#include "provider/controllers/retry_policy.h"

class BVSS_RaidControllerSet;

constexpr uint32_t kMaxArrays = RAID_CONTROLLER_MAX_ARRAYS;
constexpr uint32_t kMaxPartitionsPerArray = 1152;
constexpr uint32_t kMaxPartitionRecords = API_RAID_CONTROLLER_PARTITIONS;
constexpr uint32_t kControllerListSnapshots = 1024;
constexpr uint32_t kControllerListMasterVolumes = 2048;
constexpr uint32_t kControllerListBackingStores = 128;
constexpr uint32_t kControllerListRolloffs = 2048;
constexpr uint8_t kSelectAllControllers = 2;
constexpr uint32_t kNoLun = 0xFFFFFFFF;  // -1: not mapped, or no free LUN

// specialClass / specialType of a partition
constexpr uint8_t kClassStandard = 0;
constexpr uint8_t kClassSnapshotFamily = 1;
constexpr uint8_t CAPI_PTSNAP_BACKING_STORE = 1;
constexpr uint8_t CAPI_PTSNAP_MASTER_VOLUME = 2;
constexpr uint8_t CAPI_PTSNAP_SNAPSHOT = 3;
constexpr uint8_t kTypePagedSnapshot = 13;

// What a partition key holds: a partition ID (matched against serial numbers only) or a partition name.
enum class PartitionKeyKind { Id, Name };

class BVSS_CapiRaidController {
  public:
    // Throws VSS_E_PROVIDER_VETO when its event cannot be created.
    BVSS_CapiRaidController();
    ~BVSS_CapiRaidController();
    BVSS_CapiRaidController(const BVSS_CapiRaidController&) = delete;
    BVSS_CapiRaidController& operator=(const BVSS_CapiRaidController&) = delete;

    // --- capability, model and version tests (controller data only, no lock) ---
    bool IsQ300() const;
    bool IsVandrel() const;
    bool isQ700() const;
    bool IsPS() const;
    bool isCapiVersionAtLeast(uint8_t major, uint8_t minor) const;
    bool HasFC() const;
    bool HasSAS() const;
    bool HasiSCSI() const;
    bool IsHybrid() const;
    bool isFCHostInterface() const;
    bool isSASHostInterface() const;
    bool isiSCSIHostInterface() const;
    bool isControllerMode8() const;
    bool IsFlexIdSupported(const FlexIDEntry& port) const;

    // --- accessors ---
    const CAPI_CONTROLLER* getControllerData() const { return &mControllerData; }
    uint8_t getFailoverId() const { return mControllerData.failover.failoverId; }
    const uint8_t* getSerialNumber() const { return mControllerData.serialNumber; }
    const uint8_t* getOtherSerialNumber() const { return mControllerData.failover.otherSerialNumber; }
    uint16_t getMaxSnapshotsPerController() const { return mControllerData.controllerExtraC.maxSnapshots; }
    uint16_t getMaxSnapshotsPerVolume() const {
        return mControllerData.controllerExtraC.maxSnapshotsPerVolume;
    }
    uint16_t getMaxSnapshotsPerControllerPair() const {
        return mControllerData.controllerExtraC.maxSnapshotsPerControllerPair;
    }
    // The serial-number text of the controller that owns the array now (inside this controller's data).
    const uint8_t* getArrayOwnerSN(const CAPI_ARRAY& array) const;

    // --- refresh and lookups ---
    HRESULT capiUpdateController(uint32_t flag);
    HRESULT updateConfigAll();
    HRESULT capiGetArrayPartitions(const CAPI_ARRAY* array, uint32_t flag);
    HRESULT capiGetSnapshotList(uint8_t selector, uint32_t flag);
    HRESULT capiGetMasterVolumeList(uint8_t selector, uint32_t flag);
    HRESULT capiGetBackingStoreList(uint8_t selector, uint32_t flag);
    HRESULT capiGetRolloffVolumeList(uint8_t selector, uint32_t flag);
    // key: a partition ID (length 16, or 32 which compares 16) or, with PartitionKeyKind::Name, a partition
    // name (compared ignoring case; an empty name names nothing). An ID never matches by name.
    HRESULT findPartitionAndArray(const void* key, uint32_t keyLength, CAPI_ARRAY_PARTITION** partition,
                                  CAPI_ARRAY** array, PartitionKeyKind kind = PartitionKeyKind::Id);
    HRESULT findPartition(const void* key, uint32_t keyLength, CAPI_ARRAY_PARTITION** partition,
                          PartitionKeyKind kind = PartitionKeyKind::Id);
    // Throws the refresh's HRESULT when neither the list nor the refresh can be read.
    uint32_t countSnapshots(uint8_t selector);

    // --- set-identifier mark and host FC ports ---
    HRESULT capiUpdateIdentInfo(const uint8_t* snapshotId16, const GUID& setId);
    HRESULT capiGetHbaWwpnList(std::vector<FlexIDEntry>* list, uint32_t flag);

    // --- snapshots and full copies on this controller ---
    static constexpr uint32_t kMaxSnapshotsPerRequest = 16;
    // Reads the tag of the controller with the given failoverId (0 or 1) into *tag. Throws 0xE00000A0 for a
    // null tag pointer. The flag is not used.
    HRESULT capiGetTag(uint64_t* tag, uint8_t controller, uint32_t flag);
    // Prepares (commit 0) or makes (commit 1) one snapshot of each entry's source under the tag; records the
    // new IDs in the entries. Throws VSS_E_PROVIDER_VETO for more than 16 entries. The flush flag is logged.
    HRESULT capiCreateSnapshots(const std::vector<BVSS_SnapshotInfo*>& list, uint64_t tag, uint32_t commit,
                                uint32_t flush);
    // Commits the prepared snapshots of the entries; re-reads the tag when the controller calls it stale.
    // Throws VSS_E_PROVIDER_VETO for more than 16 entries.
    HRESULT capiCommitSnapshots(const std::vector<BVSS_SnapshotInfo*>& list, uint64_t tag, uint32_t flush,
                                uint32_t unused);
    HRESULT capiDeleteSnapshot(const uint8_t* partitionId16, uint32_t unused);
    // Refreshes the controller and deletes every snapshot or standard volume that carries one of the entries'
    // unswept names and is not the one an entry records; then the entries' names count as swept. The
    // refresh's or a deletion's failure is returned and the names stay for the next sweep.
    HRESULT deleteUnrecordedSnapshots(const std::vector<BVSS_SnapshotInfo*>& entries);
    // Rolls the master volume back to the snapshot. Takes no lock.
    HRESULT rollbackSnapshot(const uint8_t* snapshotId16, const uint8_t* masterVolumeId16);
    // Starts one full copy of each entry's source onto a vdisk with room for it.
    HRESULT capiRolloffVolumes(const std::vector<BVSS_SnapshotInfo*>& list, uint32_t unused1,
                               uint32_t unused2);
    // The vdisk (array serial number) a full copy of the partition goes to.
    HRESULT findRolloffVdisk(const uint8_t* partitionId, uint32_t partitionIdLength, uint8_t* vdisk,
                             uint32_t vdiskLength);
    // prefix + UTC "YYMMDDhhmmssmmm" on the controller layer's clock, a counter appended within one
    // millisecond. Returns 0.
    static int makeSnapshotName(const char* prefix, char* out, size_t size);
    // --- LUN mapping to this host's ports (the port lists are taken by value) ---
    // The first LUN from StartingLun to 1,022 that no host view of the accepted ports lists (kNoLun when
    // none); the result of the last host-view read. Throws VSS_E_PROVIDER_VETO when a view cannot be read.
    HRESULT findNextAvailableLUN(std::vector<FlexIDEntry> ports, uint8_t selector, uint32_t* lun);
    // The port's host view into mHostView, as controller `controllerId` (this one or its partner) sees it.
    HRESULT capiGetHostView(const FlexIDEntry* port, int32_t controllerId, uint8_t selector);
    // 0 when this controller maps at least one partition to the port, else VSS_E_OBJECT_NOT_FOUND.
    HRESULT capiCheckHBAValid(const FlexIDEntry* port);
    // Maps the partition at the next free LUN to every accepted port, then refreshes the controller.
    // Throws as findNextAvailableLUN.
    HRESULT assignLUN(const uint8_t* partitionId16, std::vector<FlexIDEntry> ports, uint8_t selector,
                      uint32_t flag);
    // Unmaps the partition from this host's FC ports as the array lists them.
    HRESULT unassignLUN(const uint8_t* partitionId16);
    // One CREATE_CUSTOM_VIEW: access 0 unmaps. channels: null for all channels, else channel n is used when
    // channels->flags[n] is not 0.
    HRESULT capiMapUnmapPartition(const uint8_t* partitionId16, uint32_t lun, const FlexIDEntry* port,
                                  uint8_t access, uint32_t flag, const CAPI_PARTITION_MAP* channels);
    // The LUN at which the partition is presented to one of the ports (or by its default mapping), kNoLun
    // when none; the partition view lands in mPartitionView.
    HRESULT capiGetArrayPartitionLUN(const CAPI_ARRAY_PARTITION* partition, std::vector<FlexIDEntry> ports,
                                     uint32_t* lun);

    // --- snap pools and master volumes (IDs are 16-byte partition IDs; commands go to this controller) ---
    // Creates a snap pool of `blocks` on the vdisk (its 32-byte serial number); *newPartition receives the
    // pool's record, *returnCode (when given) the last request's code once a request was sent.
    HRESULT capiBSCreate(const uint8_t* vdiskSerial32, const uint64_t& blocks, const char* poolName,
                         CAPI_ARRAY_PARTITION* newPartition, int32_t* returnCode);
    // The value goes with the policy only when errorPolicy is 5.
    HRESULT capiBSSetPolicy(const uint8_t* poolId, uint8_t errorPolicy, uint8_t criticalPolicy,
                            uint64_t value);
    HRESULT capiBSDelete(const uint8_t* poolId);
    HRESULT capiConvertStdToMaster(const uint8_t* volumeId, const uint8_t* poolId, int32_t* returnCode);
    HRESULT capiConvertMasterToStd(const uint8_t* volumeId);
    // Deletes the snapshot; a master volume left without snapshots goes back to a standard volume and its
    // snap pool, left without master volumes, is deleted.
    HRESULT cleanupSimpleSnapshotDelete(const uint8_t* snapshotId);

    // --- retirement: a controller that rediscovery no longer finds keeps its object (pointers to it stay
    // valid), but sends nothing more: each of its commands fails with VSS_E_PROVIDER_VETO ---
    void Retire() { mRetired = true; }
    bool IsRetired() const { return mRetired; }
    void Reinstate() { mRetired = false; }
    // Takes over what the refresh of `fresh` read (handles, controller data, arrays, partitions, pools and
    // components): the same controller found again by a rediscovery keeps this object. Under this lock.
    void AdoptRefreshOf(const BVSS_CapiRaidController& fresh);
    // The calling pattern of every command of this controller (SendWithRetries), refused once retired.
    template <class Send>
    HRESULT SendCommand(const WCHAR* operation, Send send, int32_t* lastCode = nullptr);

    // --- the published controller sets: every provider object publishes its own, and withdrawing one
    // removes exactly that one; sRaidControllerSet is the newest still published (null when none is) ---
    static HRESULT StaticInit(BVSS_RaidControllerSet* set);
    static HRESULT StaticDeinit(BVSS_RaidControllerSet* set);
    // The partition with this ID on any controller of the published set that holds this controller (its
    // own provider object's set), looked up under the publication's lock so that no set is withdrawn
    // meanwhile; VSS_E_OBJECT_NOT_FOUND when no published set holds this controller.
    HRESULT findInOwnPublishedSet(const uint8_t* id, CAPI_ARRAY_PARTITION** partition) const;
    static BVSS_RaidControllerSet* sRaidControllerSet;

    int32_t mHandle = -1;
    int32_t mPartnerHandle = 0;
    CAPI_CONTROLLER mControllerData{};
    uint64_t* mTag = nullptr;
    uint32_t mNumArrays = 0;
    CAPI_ARRAY mArrays[kMaxArrays]{};
    CAPI_HOST_VIEW_TABLE mHostView{};
    CAPI_PARTITION_VIEW_TABLE mPartitionView{};
    uint32_t mNumPartitions[kMaxArrays]{};
    uint32_t mPartitionCount = 0;
    API_PARTITION_ENTRY mPartitions[kMaxPartitionRecords]{};
    CAPI_ARRAY_PARTITION* mPartitionTable[kMaxArrays][kMaxPartitionsPerArray]{};
    uint32_t mSnapshotCount = 0;
    CAPI_SNAPSHOT mSnapshots[kControllerListSnapshots]{};
    uint32_t mMasterVolumeCount = 0;
    CAPI_MASTER_VOLUME mMasterVolumes[kControllerListMasterVolumes]{};
    uint32_t mBackingStoreCount = 0;
    CAPI_BACKING_STORE mBackingStores[kControllerListBackingStores]{};
    uint32_t mRolloffCount = 0;
    CAPI_ROLLOFF_VOLUME mRolloffs[kControllerListRolloffs]{};
    std::vector<BVSS_SnapshotInfo*> mSavedSnapshots;  // the caller's entries; not owned
    HANDLE mOpDoneEvent = nullptr;
    CRITICAL_SECTION mLock{};
    uint32_t m_pspCount = 0;
    uint32_t mComponentCount = 0;
    uint8_t mPools[RAID_CONTROLLER_MAX_POOLS][RAID_CONTROLLER_POOL_RECORD_SIZE]{};
    uint8_t mComponents[API_RAID_CONTROLLER_COMPONENTS][RAID_CONTROLLER_POOL_RECORD_SIZE]{};

  private:
    bool mRetired = false;
    // Points mPartitionTable at the first mPartitionCount records of mPartitions.
    void IndexPartitions();
    HRESULT ReadHostView(const WCHAR* operation, const FlexIDEntry* port, int32_t controllerId,
                         uint8_t selector, uint32_t flag, const WCHAR* fcLine, const WCHAR* iscsiLine);
    bool IsThisHost(uint32_t host, const std::vector<FlexIDEntry>& ports) const;
    bool AnyHostChannel(bool (*test)(uint8_t busType)) const;
    uint8_t HostChannelZeroBusType() const;
    static std::atomic<int32_t> sRaidControllerSetRefCount;
};

template <class Send>
HRESULT BVSS_CapiRaidController::SendCommand(const WCHAR* operation, Send send, int32_t* lastCode) {
    if (mRetired) {
        BVSS_DebugPrint(L"%s(): controller 0x%x is no longer in the controller set\n", operation,
                        static_cast<unsigned>(mHandle));
        if (lastCode != nullptr) *lastCode = -1;
        return VSS_E_PROVIDER_VETO;
    }
    return SendWithRetries(operation, send, lastCode);
}

// Utilities of the controller code.
int isOtherHostWwpn(const uint8_t* wwpn8, const std::vector<FlexIDEntry>& list);
int isOtherHostIscsiName(const char* name, const std::vector<FlexIDEntry>& list);
// True when the channel's flags byte presents the partition there (both top bits set), as the proxy reads it.
bool isMappedChannelFlag(uint8_t flag);
int U64compare(const CAPI_U64& a, const CAPI_U64& b);
