// Every array controller the provider can use for snapshots: discovered from the proxy's storage-system
// list, one object per snapshot-capable controller (in discovery order: list order, controller A before B),
// the lookups that tell which controller sees a partition, and the test of the snapshot limits.
//
// Controller objects outlive rediscovery: a controller found again (same serial number) keeps its object,
// whose handle and data are refreshed in place; a controller no longer found is retired (its commands fail
// with VSS_E_PROVIDER_VETO) and stays owned by the set until the set is destroyed. A pointer to a controller
// taken from the set is therefore valid for the set's whole life.
//
// The set has no lock of its own: its callers serialise on the provider object's lock; each controller
// command takes that controller's own lock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_controller.h"
#include "platform/com/com_results.h"
#include "platform/com/vss_interfaces.h"
#include "platform/system/wide_text.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/lun_records.h"
#include "provider/controllers/unload_signal.h"

// One volume handled by a snap-pool preparation: what the run created and converted for it.
struct SnapPoolCleanupEntry {
    uint8_t poolCreated;      // 1: this run created the snap pool
    uint8_t volumeConverted;  // 1: this run converted the volume to a master volume
    char poolName[32];        // "sp" and 17 hexadecimal digits
    uint8_t poolId[32];       // serialNumber of the created pool's partition record
    uint8_t volumeId[32];     // the volume's serial number
};

class BVSS_RaidControllerSet {
  public:
    BVSS_RaidControllerSet();
    ~BVSS_RaidControllerSet();
    BVSS_RaidControllerSet(const BVSS_RaidControllerSet&) = delete;
    BVSS_RaidControllerSet& operator=(const BVSS_RaidControllerSet&) = delete;

    // Deletes every controller object, those in use and those retired; the set is empty afterwards. Only for
    // the set's end: pointers to the deleted controllers held elsewhere dangle.
    void deleteAllControllers();

    // Opens the debug log once more and publishes this set (BVSS_CapiRaidController::StaticInit). Always 0.
    HRESULT StaticInit();
    // Withdraws one publication of this set (and of no other), then closes the debug log once. Always 0.
    HRESULT StaticDeinit();
    // Whether the controller is one of this set's, in use or retired.
    bool Holds(const BVSS_CapiRaidController* controller) const;

    // Rebuilds the set from the proxy's storage-system list (rescan is not read: every call rebuilds).
    // Throws VSS_E_PROVIDER_VETO (as an HRESULT value) when the list cannot be read after 4 tries; the set
    // is then empty. A controller whose refresh fails is left out and the set formed from the others; the
    // result is negative only when the set ends empty and the refresh of the last id tried failed.
    HRESULT discoverRaidControllers(int32_t rescan);

    // key: a partition ID (length 16, or its 32-byte field with length 32) or, with PartitionKeyKind::Name, a
    // partition name with its length. The first controller in set order that has the partition answers;
    // VSS_E_OBJECT_NOT_FOUND when none has it, 0xE00000A0 for a missing output, otherwise the first
    // controller error met.
    HRESULT findPartitionArrayAndController(const void* key, uint32_t keyLength,
                                            CAPI_ARRAY_PARTITION** partition, CAPI_ARRAY** array,
                                            BVSS_CapiRaidController** controller,
                                            PartitionKeyKind kind = PartitionKeyKind::Id);
    HRESULT findPartitionAndController(const void* key, uint32_t keyLength, CAPI_ARRAY_PARTITION** partition,
                                       BVSS_CapiRaidController** controller,
                                       PartitionKeyKind kind = PartitionKeyKind::Id);
    // Every controller that has the partition, in set order (the first is the one to use, the others the
    // fail-over candidates); the records are those of the first.
    HRESULT findPartitionArrayAndControllerList(const void* key, uint32_t keyLength,
                                                CAPI_ARRAY_PARTITION** partition, CAPI_ARRAY** array,
                                                std::vector<BVSS_CapiRaidController*>* list,
                                                PartitionKeyKind kind = PartitionKeyKind::Id);

    // VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED when newSnapshots more snapshots on the array's owning
    // controller would pass the per-controller limit, or (CAPI 3.7 and later) the per-pair limit. partition
    // is not read. Throws what countSnapshots throws.
    HRESULT checkSnapshotLimits(uint32_t newSnapshots, const CAPI_ARRAY_PARTITION* partition,
                                const CAPI_ARRAY* array, BVSS_CapiRaidController* controller);

    // The controller data as debug-log lines, each beginning with prefix.
    static void printControllerInfo(const WCHAR* prefix, const CAPI_CONTROLLER* data);

    // --- snap pools for the standard volumes of a snapshot set (of each entry only mSource is read) ---
    // VSS_E_INSUFFICIENT_STORAGE when a vdisk lacks the room for the pools its volumes need; the first
    // lookup error otherwise.
    HRESULT calculateReserveSize(std::vector<BVSS_SnapshotInfo>& snapshots);
    // One pool per volume (created, or found by its name) and the volume converted into its master volume.
    // A failure undoes what the run did and reports the failure: VSS_E_PROVIDER_VETO for a pool that could
    // not be made or used, a lookup's error; what a controller operation throws is passed on, after the undo.
    HRESULT createReserveSpace(std::vector<BVSS_SnapshotInfo>& snapshots);
    // Converts back the volumes and deletes the pools of the entries, newest first; the first failure.
    HRESULT cleanupSimpleSnapshotCreate(std::vector<SnapPoolCleanupEntry>& undo);
    // A fifth of the volume, at least 6 GiB, in blocks.
    static uint64_t getBackingStoreSize(const CAPI_ARRAY_PARTITION& partition);
    // --- snapshots across controllers: one request per owning controller (the owner of each volume's
    // array now), sent to the first controller of the group's lead entry (its mControllers) and moved on to
    // the next one when that fails (the failed controller leaves the lead's list for good). A group whose
    // lead has no controller left fails with VSS_E_PROVIDER_VETO. ---
    // Differential context: fetches a tag and prepares (commit 0) or makes the group's snapshots; full-copy
    // context: starts the group's full copies. VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED is returned at once.
    // last is passed on and not read.
    HRESULT createSnapshots(std::vector<BVSS_SnapshotInfo>& list, uint32_t commit, uint32_t flush,
                            uint32_t context, uint32_t last);
    // Differential context only: commits each group's snapshots. A group that every controller fails throws
    // the last result (as an HRESULT value); positive results count as failures.
    HRESULT commitSnapshots(std::vector<BVSS_SnapshotInfo>& list, uint32_t flush, uint32_t context,
                            uint32_t last);
    // Full-copy context only: polls each group's full copies every 5 seconds until none runs. Ends with
    // VSS_E_PROVIDER_VETO when no copy's percent has moved for the FullCopyStallSeconds parameter, or when
    // the provider object that owns this set is unloading (mUnload).
    HRESULT awaitSnapshots(std::vector<BVSS_SnapshotInfo>& list, uint32_t unused, uint32_t context,
                           uint32_t flag);
    // Splits source into the entries whose array the controller with serial number ownerSN (32 characters)
    // owns and the others, both in source order; the outputs change only on success (rest may be source).
    HRESULT snapshotListForController(const char* ownerSN, const std::vector<BVSS_SnapshotInfo*>& source,
                                      std::vector<BVSS_SnapshotInfo*>* group,
                                      std::vector<BVSS_SnapshotInfo*>* rest);
    // A pointer to every entry of the list, in order. Always 0.
    static HRESULT copySnapshotList(std::vector<BVSS_SnapshotInfo>& list,
                                    std::vector<BVSS_SnapshotInfo*>* pointers);
    // 0 stops the proxy's periodic rediscovery, 1 resumes it: up to 3 tries; the proxy command's last result.
    int capiSetDiscvoryFlag(uint32_t flag);
    // This host's FC ports as the first controller in set order that answers sees them.
    HRESULT capiGetHbaWwpnList(std::vector<FlexIDEntry>* list, uint32_t flag);

    // The unload request of the provider object that owns this set; it ends this set's waits only.
    BVSS_UnloadSignal mUnload;

    // The controllers in use, in discovery order.
    std::vector<std::unique_ptr<BVSS_CapiRaidController>> mControllers;

  private:
    class PreviousControllers;
    // A candidate that passed discovery joins the set; a controller known before keeps its object.
    void Admit(std::unique_ptr<BVSS_CapiRaidController> candidate, PreviousControllers& previous);
    // Whether a controller of the set already has this serial number (a second path to it).
    bool IsKnownPath(const uint8_t* serial32) const;

    // Controllers that a rediscovery no longer found: retired, kept alive for the pointers held elsewhere,
    // and taken back into use when a later discovery finds their serial number again.
    std::vector<std::unique_ptr<BVSS_CapiRaidController>> mRetiredControllers;
};
