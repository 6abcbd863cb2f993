// What the provider knows of a volume of a snapshot set (BVSS_LunInfo), of one entry of its snapshot list
// (BVSS_SnapshotInfo, the source and the snapshot volume), and of this host's ports (FlexIDEntry). Records
// are copied by value; each copy opens its own device handle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/wide_text.h"
#include "platform/win_types.h"
#include "provider/controllers/flex_id_entry.h"
#include "provider/controllers/serial_numbers.h"

class BVSS_CapiRaidController;

class BVSS_LunInfo {
  public:
    BVSS_LunInfo();
    BVSS_LunInfo(const BVSS_LunInfo& source);
    BVSS_LunInfo& operator=(const BVSS_LunInfo& source);
    ~BVSS_LunInfo();

    // Copies the source's values; a source with an open device makes this record open the same device.
    void assign(const BVSS_LunInfo& source);
    // Null zeroes the ID and keeps the text; otherwise the ID and its text. Throws the HRESULT of a failed
    // conversion.
    void setLunID(const BYTE* id);
    // The first `length` bytes (at most 16) of id, zero-padded to 16.
    void setLunID(const BYTE* id, size_t length);
    // Closes an open device; a name opens that device (its name is kept even when it fails to open).
    void setDeviceName(const WCHAR* name);
    // Zeroes the record's values and forgets its handle without closing it (a record under construction).
    void clear();

    BYTE mLunID[kPartitionIdBytes];
    char mLunIDText[kSerialTextChars];
    HANDLE mDeviceHandle;
    std::wstring mDeviceName;
    BYTE mSerialNumber[32];
    BYTE mArraySerialNumber[32];
    BYTE mPath;
    BYTE mTarget;
    uint32_t mLun;
    BVSS_CapiRaidController* mController;  // not owned
    BYTE mIsVirtual;
};

class BVSS_SnapshotInfo {
  public:
    BVSS_SnapshotInfo();
    BVSS_SnapshotInfo(const BVSS_SnapshotInfo& source) = default;
    BVSS_SnapshotInfo& operator=(const BVSS_SnapshotInfo& source) = default;

    BVSS_LunInfo mSource;
    BVSS_LunInfo mSnapshot;
    char mSnapshotName[32];
    uint64_t mTag;  // all ones until fetched
    uint32_t mTagValid;
    uint32_t mCreated;
    uint32_t mCommitted;
    std::vector<BVSS_CapiRaidController*> mControllers;  // fail-over order; not owned
    // Names this entry's creates sent whose leftovers (snapshots an answered-as-failed or resent create made
    // beside the recorded one) have not yet been looked for and deleted.
    std::vector<std::string> mUnsweptNames;
};
