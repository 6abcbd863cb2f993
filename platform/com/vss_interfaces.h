// The snapshot service's interfaces and types that a hardware provider implements or calls, declared in
// the platform's own words, each interface a table of virtual operations in the service's slot order.
#pragma once

#include "platform/com/com_unknown.h"
#include "platform/com/vds_lun.h"

using VSS_ID = GUID;
using VSS_PWSZ = WCHAR*;

enum VSS_PROVIDER_TYPE : int32_t {
    VSS_PROV_UNKNOWN = 0,
    VSS_PROV_SYSTEM = 1,
    VSS_PROV_SOFTWARE = 2,
    VSS_PROV_HARDWARE = 3,
    VSS_PROV_FILESHARE = 4,
};

// Snapshot context bits the provider looks at, and the context of every snapshot.
constexpr LONG VSS_CTX_ALL = static_cast<LONG>(0xFFFFFFFFu);
constexpr LONG VSS_VOLSNAP_ATTR_DIFFERENTIAL = 0x00020000;
constexpr LONG VSS_VOLSNAP_ATTR_PLEX = 0x00040000;

// Flags of OnLunStateChange.
constexpr DWORD VSS_ONLUNSTATECHANGE_NOTIFY_READ_WRITE = 0x100;
constexpr DWORD VSS_ONLUNSTATECHANGE_NOTIFY_LUN_PRE_RECOVERY = 0x200;
constexpr DWORD VSS_ONLUNSTATECHANGE_NOTIFY_LUN_POST_RECOVERY = 0x400;
constexpr DWORD VSS_ONLUNSTATECHANGE_DO_MASK_LUNS = 0x800;

// The coordinator's class, the one the provider's registration creates for IVssAdmin.
// {E579AB5F-1CC4-44B4-BED9-DE0991FF0623}
inline constexpr CLSID CLSID_VSSCoordinator = {
    0xE579AB5F, 0x1CC4, 0x44B4, {0xBE, 0xD9, 0xDE, 0x09, 0x91, 0xFF, 0x06, 0x23}};
// {77ED5996-2F63-11D3-8A39-00C04F72D8E3}
inline constexpr IID IID_IVssAdmin = {
    0x77ED5996, 0x2F63, 0x11D3, {0x8A, 0x39, 0x00, 0xC0, 0x4F, 0x72, 0xD8, 0xE3}};
// {507C37B4-CF5B-4E95-B0AF-14EB9767467E}
inline constexpr IID IID_IVssAsync = {
    0x507C37B4, 0xCF5B, 0x4E95, {0xB0, 0xAF, 0x14, 0xEB, 0x97, 0x67, 0x46, 0x7E}};
// {5F894E5B-1E39-4778-8E23-9ABAD9F0E08C}
inline constexpr IID IID_IVssProviderCreateSnapshotSet = {
    0x5F894E5B, 0x1E39, 0x4778, {0x8E, 0x23, 0x9A, 0xBA, 0xD9, 0xF0, 0xE0, 0x8C}};
// {E561901F-03A5-4AFE-86D0-72BAEECE7004}
inline constexpr IID IID_IVssProviderNotifications = {
    0xE561901F, 0x03A5, 0x4AFE, {0x86, 0xD0, 0x72, 0xBA, 0xEE, 0xCE, 0x70, 0x04}};
// {9593A157-44E9-4344-BBEB-44FBF9B06B10}
inline constexpr IID IID_IVssHardwareSnapshotProvider = {
    0x9593A157, 0x44E9, 0x4344, {0xBB, 0xEB, 0x44, 0xFB, 0xF9, 0xB0, 0x6B, 0x10}};
// {7F5BA925-CDB1-4D11-A71F-339EB7E709FD}
inline constexpr IID IID_IVssHardwareSnapshotProviderEx = {
    0x7F5BA925, 0xCDB1, 0x4D11, {0xA7, 0x1F, 0x33, 0x9E, 0xB7, 0xE7, 0x09, 0xFD}};

struct IVssEnumObject;  // the coordinator's provider enumeration; not used here

// An operation of the service that may still run: cancelled, waited for, asked for its state.
struct IVssAsync : IUnknown {
    virtual HRESULT Cancel() = 0;
    virtual HRESULT Wait(DWORD milliseconds) = 0;
    virtual HRESULT QueryStatus(HRESULT* status, INT* reserved) = 0;

  protected:
    ~IVssAsync() = default;
};

// The coordinator's administration: the providers it knows.
struct IVssAdmin : IUnknown {
    virtual HRESULT RegisterProvider(VSS_ID providerId, CLSID classId, VSS_PWSZ providerName,
                                     VSS_PROVIDER_TYPE providerType, VSS_PWSZ providerVersion,
                                     VSS_ID providerVersionId) = 0;
    virtual HRESULT UnregisterProvider(VSS_ID providerId) = 0;
    virtual HRESULT QueryProviders(IVssEnumObject** enumeration) = 0;
    virtual HRESULT AbortAllSnapshotsInProgress() = 0;

  protected:
    ~IVssAdmin() = default;
};

// The steps of one snapshot set, each naming the set.
struct IVssProviderCreateSnapshotSet : IUnknown {
    virtual HRESULT EndPrepareSnapshots(VSS_ID snapshotSetId) = 0;
    virtual HRESULT PreCommitSnapshots(VSS_ID snapshotSetId) = 0;
    virtual HRESULT CommitSnapshots(VSS_ID snapshotSetId) = 0;
    virtual HRESULT PostCommitSnapshots(VSS_ID snapshotSetId) = 0;
    virtual HRESULT PreFinalCommitSnapshots(VSS_ID snapshotSetId) = 0;
    virtual HRESULT PostFinalCommitSnapshots(VSS_ID snapshotSetId) = 0;
    virtual HRESULT AbortSnapshots(VSS_ID snapshotSetId) = 0;

  protected:
    ~IVssProviderCreateSnapshotSet() = default;
};

// The provider's load and unload by the service.
struct IVssProviderNotifications : IUnknown {
    virtual HRESULT OnLoad(IUnknown* callback) = 0;
    virtual HRESULT OnUnload(BOOL forceUnload) = 0;

  protected:
    ~IVssProviderNotifications() = default;
};

// A hardware provider's LUN operations.
struct IVssHardwareSnapshotProvider : IUnknown {
    virtual HRESULT AreLunsSupported(LONG lunCount, LONG context, VSS_PWSZ* devices,
                                     VDS_LUN_INFORMATION* lunInformation, BOOL* isSupported) = 0;
    virtual HRESULT FillInLunInfo(VSS_PWSZ device, VDS_LUN_INFORMATION* lunInformation,
                                  BOOL* isSupported) = 0;
    virtual HRESULT BeginPrepareSnapshot(VSS_ID snapshotSetId, VSS_ID snapshotId, LONG context, LONG lunCount,
                                         VSS_PWSZ* devices, VDS_LUN_INFORMATION* lunInformation) = 0;
    virtual HRESULT GetTargetLuns(LONG lunCount, VSS_PWSZ* devices, VDS_LUN_INFORMATION* sourceLuns,
                                  VDS_LUN_INFORMATION* destinationLuns) = 0;
    virtual HRESULT LocateLuns(LONG lunCount, VDS_LUN_INFORMATION* sourceLuns) = 0;
    virtual HRESULT OnLunEmpty(VSS_PWSZ device, VDS_LUN_INFORMATION* lunInformation) = 0;

  protected:
    ~IVssHardwareSnapshotProvider() = default;
};

// The later hardware provider interface: the earlier one's operations, then these.
struct IVssHardwareSnapshotProviderEx : IVssHardwareSnapshotProvider {
    virtual HRESULT GetProviderCapabilities(ULONGLONG* originalCapabilityMask) = 0;
    virtual HRESULT OnLunStateChange(VDS_LUN_INFORMATION* snapshotLuns, VDS_LUN_INFORMATION* originalLuns,
                                     DWORD count, DWORD flags) = 0;
    virtual HRESULT ResyncLuns(VDS_LUN_INFORMATION* sourceLuns, VDS_LUN_INFORMATION* targetLuns, DWORD count,
                               IVssAsync** async) = 0;
    virtual HRESULT OnReuseLuns(VDS_LUN_INFORMATION* snapshotLuns, VDS_LUN_INFORMATION* originalLuns,
                                DWORD count) = 0;

  protected:
    ~IVssHardwareSnapshotProviderEx() = default;
};
