// The snapshot service's hardware provider: the COM object the service creates from this library. It holds
// the LUNs of the snapshot set being built, the controller set that reaches the arrays through the proxy,
// the set's identifier, context and state, and this host's ports; its start-up brings up the process's
// proxy session (once per process) and discovers the controllers.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/vss_interfaces.h"
#include "platform/kernel/critical_section.h"
#include "provider/controllers/flex_id_entry.h"
#include "provider/controllers/lun_records.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/vss/snapshot_set.h"

// The library's own dual interface: IDispatch without operations of its own.
struct IBVSS_HardwareProvider : IDispatch {
  protected:
    ~IBVSS_HardwareProvider() = default;
};

// What a sequence method does with the proxy's periodic discovery when the set ends there.
enum class DiscoveryAtEnd {
    IfSwitchedOff,  // switched on again only when this object switched it off
    OnFailure,      // switched on when the method fails
    Always,         // switched on after success or failure
};

class BVSS_HardwareProvider : public IBVSS_HardwareProvider,
                              public IVssProviderCreateSnapshotSet,
                              public IVssHardwareSnapshotProviderEx,
                              public IVssProviderNotifications,
                              public IProvideClassInfo {
  public:
    static const ComInterfaceEntry kInterfaces[];

    // Initialises this object's own lock and state, then runs the start-up (OnLoad()); a failed start-up
    // leaves a usable object.
    BVSS_HardwareProvider();
    // Runs the shut-down when OnUnload did not.
    virtual ~BVSS_HardwareProvider();
    BVSS_HardwareProvider(const BVSS_HardwareProvider&) = delete;
    BVSS_HardwareProvider& operator=(const BVSS_HardwareProvider&) = delete;

    // IDispatch and IProvideClassInfo, served from the provider's type library.
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID reserved, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID reserved, LCID locale, WORD flags, DISPPARAMS* parameters,
                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
    HRESULT GetClassInfo(ITypeInfo** info) override;

    // The provider's start-up: the proxy session, controller discovery, this host's ports.
    virtual HRESULT OnLoad();

    // IVssProviderCreateSnapshotSet
    HRESULT EndPrepareSnapshots(VSS_ID snapshotSetId) override;
    HRESULT PreCommitSnapshots(VSS_ID snapshotSetId) override;
    HRESULT CommitSnapshots(VSS_ID snapshotSetId) override;
    HRESULT PostCommitSnapshots(VSS_ID snapshotSetId) override;
    HRESULT PreFinalCommitSnapshots(VSS_ID snapshotSetId) override;
    HRESULT PostFinalCommitSnapshots(VSS_ID snapshotSetId) override;
    HRESULT AbortSnapshots(VSS_ID snapshotSetId) override;

    // IVssHardwareSnapshotProvider and IVssHardwareSnapshotProviderEx
    HRESULT AreLunsSupported(LONG lunCount, LONG context, VSS_PWSZ* devices,
                             VDS_LUN_INFORMATION* lunInformation, BOOL* isSupported) override;
    HRESULT FillInLunInfo(VSS_PWSZ device, VDS_LUN_INFORMATION* lunInformation, BOOL* isSupported) override;
    HRESULT BeginPrepareSnapshot(VSS_ID snapshotSetId, VSS_ID snapshotId, LONG context, LONG lunCount,
                                 VSS_PWSZ* devices, VDS_LUN_INFORMATION* lunInformation) override;
    HRESULT GetTargetLuns(LONG lunCount, VSS_PWSZ* devices, VDS_LUN_INFORMATION* sourceLuns,
                          VDS_LUN_INFORMATION* destinationLuns) override;
    HRESULT LocateLuns(LONG lunCount, VDS_LUN_INFORMATION* sourceLuns) override;
    HRESULT OnLunEmpty(VSS_PWSZ device, VDS_LUN_INFORMATION* lunInformation) override;
    HRESULT GetProviderCapabilities(ULONGLONG* originalCapabilityMask) override;
    HRESULT OnLunStateChange(VDS_LUN_INFORMATION* snapshotLuns, VDS_LUN_INFORMATION* originalLuns,
                             DWORD count, DWORD flags) override;
    HRESULT ResyncLuns(VDS_LUN_INFORMATION* sourceLuns, VDS_LUN_INFORMATION* targetLuns, DWORD count,
                       IVssAsync** async) override;
    HRESULT OnReuseLuns(VDS_LUN_INFORMATION* snapshotLuns, VDS_LUN_INFORMATION* originalLuns,
                        DWORD count) override;

    // IVssProviderNotifications
    HRESULT OnLoad(IUnknown* callback) override;
    HRESULT OnUnload(BOOL forceUnload) override;

    // Deletes the snapshots the arrays made for the current set and forgets the set.
    HRESULT DeleteAbortedSnapshots();
    // Writes the set identifier as the description of each snapshot the set created.
    HRESULT RecordSnapshotSetId(const VSS_ID& snapshotSetId);
    // Flushes the host's write cache of every LUN of the list; the last LUN's result.
    HRESULT scsiSynchronizeCacheAll(uint32_t immediate);
    // TRUE for a context the provider serves (stored as the set's context, the differential bit added when
    // neither bit is set); VSS_CTX_ALL is accepted and leaves the stored context as it is.
    BOOL isSupportedContext(LONG context);

    // LUN identification: the partition ID parsed from a LUN's serial text (a 32-byte buffer matches on its
    // first 16 bytes), the arrays' own device identifier, a device's SCSI address, and the snapshot-list
    // entry of a source LUN.
    HRESULT getPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer, DWORD length);
    // The same, writing the error event parseFailedEvent (its one insert: the LUN's serial text, "" when it
    // has none) when the text does not parse.
    HRESULT readPartitionSerialNumber(const VDS_LUN_INFORMATION* lun, BYTE* buffer, DWORD length,
                                      const WCHAR* parseFailedEvent);
    BOOL isOurDevice(const VDS_LUN_INFORMATION* lun, const WCHAR* deviceName);
    HRESULT getSCSIPath(const VDS_LUN_INFORMATION* lun, const WCHAR* deviceName, BYTE* path, BYTE* target,
                        ULONG* lunNumber);
    bool findSnapshotBySourceLun(const BYTE* sourceLunId, BYTE* snapshotLunId, size_t* position = nullptr);
    // This host's iSCSI initiators (from WMI) appended to the port list.
    HRESULT getIQNs(std::vector<FlexIDEntry>& ports);
    // The entries of the snapshot list whose volume's array the controller with this 32-byte serial number
    // owns now. Throws the lookup's HRESULT when an entry's volume is no longer found.
    uint32_t existingSnapsForController(const uint8_t* controllerSerialNumber);
    // Maps the partition (ID: the first 16 bytes of partitionId) to this host's ports through the list's
    // controller whose failover ID is the array's current owner, or else its last one; a controller that
    // fails leaves the list and the pass starts again. Then every controller left is checked for the LUN
    // (logged; the last check's result is the result). *partition: the record of the controller whose LUN was
    // taken. Throws VSS_E_PROVIDER_VETO when no LUN can be reported (an empty list); passes on what the
    // controller's mapping throws.
    HRESULT assignLUN(std::vector<BVSS_CapiRaidController*>& controllers, const BYTE* arraySerialNumber,
                      DWORD arraySerialNumberLength, const BYTE* partitionId, DWORD partitionIdLength,
                      CAPI_ARRAY_PARTITION** partition);

    // Living objects of the class in this process.
    static LONG InstanceCount();
    // True while the process's proxy session or its heart-beat thread runs: the library must stay loaded.
    static bool SessionAlive();

  private:
    // Tests reach states that take long to build through this one peer.
    friend class BVSS_HardwareProviderTestPeer;

    BVSS_SnapshotSet mSet;  // the snapshot set being built
    BVSS_RaidControllerSet mRaidControllerSet;
    CRITICAL_SECTION mCritSec{};
    std::vector<FlexIDEntry> mFlexIDList;  // this host's ports
    bool mLoaded = false;                  // the start-up ran and OnUnload has not
    bool mDiscoveryOff = false;            // this object switched the proxy's periodic discovery off
    bool mSetPublished = false;            // mRaidControllerSet is published as the process's controller set

    // The end of this object's loaded life: the session stops with the last loaded object.
    void Unload();
    // Withdraws this object's controller set from publication, once.
    void ReleaseControllerSet();
    // Switches the proxy's periodic discovery on again: always, or when this object switched it off.
    void RestoreDiscovery(bool always);
    // Starts a new set or lets a volume join the current one, by the state the last set left; deletes what
    // an unfinished earlier set made.
    HRESULT StartOrJoinSet(const VSS_ID& snapshotSetId);
    // The frame of the four sequence methods: checks, steps, failure path.
    template <class Steps>
    HRESULT SequenceStep(const WCHAR* name, const VSS_ID& snapshotSetId, SnapshotSetState requiredState,
                         Steps steps, DiscoveryAtEnd discovery);

    static std::atomic<LONG> sInstanceCount;
};

// Logs "<name>=0x<guid>".
void BVSS_LogGuid(const char* name, const GUID& guid);

// The class factory's creation function of the provider class.
HRESULT CreateHardwareProvider(ComModule* module, IUnknown* outer, REFIID iid, void** object);
