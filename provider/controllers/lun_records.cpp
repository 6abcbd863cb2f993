#include "provider/controllers/lun_records.h"

#include <cstring>

#include "platform/files/file_calls.h"
#include "platform/kernel/last_error.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/provider_events.h"

BVSS_LunInfo::BVSS_LunInfo() {
    clear();
    mDeviceHandle = nullptr;
    mController = nullptr;
    setLunID(nullptr);
}

BVSS_LunInfo::BVSS_LunInfo(const BVSS_LunInfo& source) : BVSS_LunInfo() { assign(source); }

BVSS_LunInfo& BVSS_LunInfo::operator=(const BVSS_LunInfo& source) {
    if (this != &source) assign(source);
    return *this;
}

BVSS_LunInfo::~BVSS_LunInfo() {
    setDeviceName(nullptr);
    setLunID(nullptr);
}

void BVSS_LunInfo::clear() {
    std::memset(mLunID, 0, sizeof mLunID);
    std::memset(mLunIDText, 0, sizeof mLunIDText);
    std::memset(mSerialNumber, 0, sizeof mSerialNumber);
    std::memset(mArraySerialNumber, 0, sizeof mArraySerialNumber);
    mPath = 0;
    mTarget = 0;
    mLun = 0;
    mController = nullptr;
    mIsVirtual = 0;
    mDeviceHandle = nullptr;
}

void BVSS_LunInfo::assign(const BVSS_LunInfo& source) {
    setLunID(source.mLunID);
    std::memcpy(mSerialNumber, source.mSerialNumber, sizeof mSerialNumber);
    std::memcpy(mArraySerialNumber, source.mArraySerialNumber, sizeof mArraySerialNumber);
    mPath = source.mPath;
    mTarget = source.mTarget;
    mLun = source.mLun;
    mController = source.mController;
    if (source.mDeviceHandle != nullptr) setDeviceName(source.mDeviceName.c_str());
    mIsVirtual = source.mIsVirtual;
}

void BVSS_LunInfo::setLunID(const BYTE* id) {
    if (id == nullptr) {
        std::memset(mLunID, 0, sizeof mLunID);
        return;
    }
    std::memmove(mLunID, id, sizeof mLunID);
    const HRESULT hr = BVSS_SerialNumberToStringBuffer(mLunID, mLunIDText, sizeof mLunIDText);
    if (FAILED(hr)) {
        BVSS_DebugPrint(L"setLunID(): BVSS_SerialNumberToStringBuffer failed, code=0x%X.\n", hr);
        throw hr;
    }
}

void BVSS_LunInfo::setLunID(const BYTE* id, size_t length) {
    BYTE padded[kPartitionIdBytes] = {};
    if (id != nullptr) std::memcpy(padded, id, length < sizeof padded ? length : sizeof padded);
    setLunID(padded);
}

void BVSS_LunInfo::setDeviceName(const WCHAR* name) {
    if (mDeviceHandle != nullptr) {
        CloseHandle(mDeviceHandle);
        mDeviceHandle = nullptr;
    }
    if (name == nullptr) return;
    mDeviceName = name;
    HANDLE handle = CreateFileW(mDeviceName.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        BVSS_DebugPrint(L"Error opening %s. Error: %d\n", mDeviceName.c_str(), error);
        printWindowsError(error);
        return;
    }
    mDeviceHandle = handle;
}

BVSS_SnapshotInfo::BVSS_SnapshotInfo() : mTag(~uint64_t{0}), mTagValid(0), mCreated(0), mCommitted(0) {
    std::memset(mSnapshotName, 0, sizeof mSnapshotName);
}
