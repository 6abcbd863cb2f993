#include "tools/vss_standin/host_disks.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/com/com_memory.h"
#include "platform/devices/device_io.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/kernel/last_error.h"
#include "platform/system/wide_text.h"
#include "tools/vss_standin/lun_descriptions.h"

namespace standin {

namespace {

constexpr DWORD kMaxDosListing = 1 << 20;
constexpr size_t kMaxDiskDigits = 6;
constexpr BYTE kInquiry = 0x12;
constexpr BYTE kVitalProductData = 0x01;
constexpr BYTE kUnitSerialPage = 0x80;
constexpr BYTE kDeviceIdPage = 0x83;
constexpr DWORD kInquiryBytes = 252;
constexpr DWORD kInquiryTimeoutSeconds = 10;
constexpr BYTE kGoodStatus = 0;
constexpr size_t kStandardMinimum = 36;
constexpr size_t kPageHead = 4;
constexpr size_t kDesignatorHead = 4;

struct InquiryBlock {
    SCSI_PASS_THROUGH_DIRECT request;
    BYTE sense[32];
};

// One INQUIRY (a VPD page when vpd): the bytes the disk returned, or empty.
std::vector<BYTE> Inquire(HANDLE disk, bool vpd, BYTE page) {
    std::vector<BYTE> data(kInquiryBytes, 0);
    InquiryBlock block{};
    block.request.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    block.request.CdbLength = 6;
    block.request.SenseInfoLength = sizeof block.sense;
    block.request.DataIn = SCSI_IOCTL_DATA_IN;
    block.request.DataTransferLength = kInquiryBytes;
    block.request.TimeOutValue = kInquiryTimeoutSeconds;
    block.request.DataBuffer = data.data();
    block.request.SenseInfoOffset = offsetof(InquiryBlock, sense);
    block.request.Cdb[0] = kInquiry;
    block.request.Cdb[1] = vpd ? kVitalProductData : 0;
    block.request.Cdb[2] = vpd ? page : 0;
    block.request.Cdb[4] = static_cast<BYTE>(kInquiryBytes);
    DWORD returned = 0;
    if (!DeviceIoControl(disk, IOCTL_SCSI_PASS_THROUGH_DIRECT, &block, sizeof block, &block, sizeof block,
                         &returned, nullptr) ||
        block.request.ScsiStatus != kGoodStatus)
        return {};
    data.resize(std::min<DWORD>(block.request.DataTransferLength, kInquiryBytes));
    return data;
}

// A blank-padded field of the standard data without its padding.
std::string Field(const std::vector<BYTE>& data, size_t offset, size_t width) {
    std::string text(reinterpret_cast<const char*>(data.data() + offset), width);
    const size_t end = text.find_last_not_of(' ');
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

// The page's bytes after its head, bounded by its length and what arrived.
std::vector<BYTE> PageBody(const std::vector<BYTE>& page, BYTE code) {
    if (page.size() < kPageHead || page[1] != code) return {};
    const size_t length = std::min<size_t>((size_t{page[2]} << 8) | page[3], page.size() - kPageHead);
    return std::vector<BYTE>(page.begin() + kPageHead, page.begin() + kPageHead + length);
}

// The identifiers of the device identification page, each a block of task memory.
bool AddIdentifiers(const std::vector<BYTE>& body, VDS_LUN_INFORMATION* lun) {
    std::vector<VDS_STORAGE_IDENTIFIER> ids;
    bool ok = true;
    for (size_t at = 0; at + kDesignatorHead <= body.size();) {
        const size_t length = std::min<size_t>(body[at + 3], body.size() - at - kDesignatorHead);
        VDS_STORAGE_IDENTIFIER id{};
        id.m_CodeSet = static_cast<VDS_STORAGE_IDENTIFIER_CODE_SET>(body[at] & 0x0F);
        id.m_Type = static_cast<VDS_STORAGE_IDENTIFIER_TYPE>(body[at + 1] & 0x0F);
        id.m_cbIdentifier = static_cast<ULONG>(length);
        id.m_rgbIdentifier = static_cast<BYTE*>(CoTaskMemAlloc(std::max<size_t>(length, 1)));
        if (id.m_rgbIdentifier == nullptr)
            ok = false;
        else
            std::memcpy(id.m_rgbIdentifier, body.data() + at + kDesignatorHead, length);
        ids.push_back(id);
        at += kDesignatorHead + length;
    }
    auto* table =
        static_cast<VDS_STORAGE_IDENTIFIER*>(CoTaskMemAlloc(std::max<size_t>(ids.size(), 1) * sizeof ids[0]));
    if (table == nullptr) ok = false;
    if (!ok) {
        for (VDS_STORAGE_IDENTIFIER& id : ids) CoTaskMemFree(id.m_rgbIdentifier);
        CoTaskMemFree(table);
        return false;
    }
    std::copy(ids.begin(), ids.end(), table);
    lun->m_deviceIdDescriptor.m_version = 0;
    lun->m_deviceIdDescriptor.m_cIdentifiers = static_cast<ULONG>(ids.size());
    lun->m_deviceIdDescriptor.m_rgIdentifiers = table;
    return true;
}

// N of a DOS device name "PhysicalDriveN" (at most kMaxDiskDigits digits), or -1 for another name.
int DiskNumber(const std::string& name) {
    constexpr const char* kPrefix = "PhysicalDrive";
    const size_t prefix = std::strlen(kPrefix);
    const size_t digits = name.size() - std::min(name.size(), prefix);
    if (name.compare(0, prefix, kPrefix) != 0 || digits == 0 || digits > kMaxDiskDigits) return -1;
    int number = 0;
    for (size_t i = prefix; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

HRESULT Describe(HANDLE disk, VDS_LUN_INFORMATION* lun) {
    const std::vector<BYTE> standard = Inquire(disk, false, 0);
    if (standard.size() < kStandardMinimum) return E_FAIL;
    const std::vector<BYTE> serialPage = PageBody(Inquire(disk, true, kUnitSerialPage), kUnitSerialPage);
    const std::vector<BYTE> idPage = PageBody(Inquire(disk, true, kDeviceIdPage), kDeviceIdPage);
    lun->m_version = VER_VDS_LUN_INFORMATION;
    lun->m_DeviceType = standard[0] & 0x1F;
    lun->m_bCommandQueueing = (standard[7] & 0x02) != 0;
    lun->m_BusType = VDSBusTypeFibre;
    lun->m_szVendorId = TaskText(Field(standard, 8, 8));
    lun->m_szProductId = TaskText(Field(standard, 16, 16));
    lun->m_szProductRevision = TaskText(Field(standard, 32, 4));
    lun->m_szSerialNumber = TaskText(std::string(serialPage.begin(), serialPage.end()));
    if (lun->m_szVendorId == nullptr || lun->m_szProductId == nullptr ||
        lun->m_szProductRevision == nullptr || lun->m_szSerialNumber == nullptr ||
        !AddIdentifiers(idPage, lun))
        return E_OUTOFMEMORY;
    return S_OK;
}

}  // namespace

std::vector<int> ListHostDisks() {
    std::vector<char> listing(4096);
    while (QueryDosDeviceA(nullptr, listing.data(), static_cast<DWORD>(listing.size())) == 0) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || listing.size() >= kMaxDosListing) return {};
        listing.resize(listing.size() * 2);
    }
    std::vector<int> disks;
    const char* const end = listing.data() + listing.size();
    for (const char* name = listing.data(); name < end && *name != '\0';) {
        const std::string entry(name, strnlen(name, static_cast<size_t>(end - name)));
        name += entry.size() + 1;
        const int number = DiskNumber(entry);
        if (number >= 0) disks.push_back(number);
    }
    std::sort(disks.begin(), disks.end());
    return disks;
}

std::wstring DiskDeviceName(int number) { return L"\\\\.\\PhysicalDrive" + std::to_wstring(number); }

HRESULT DescribeDisk(int number, VDS_LUN_INFORMATION* lun) {
    const std::string name = "\\\\.\\PhysicalDrive" + std::to_string(number);
    HANDLE disk = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    const HRESULT hr = Describe(disk, lun);
    CloseHandle(disk);
    if (FAILED(hr)) FreeLun(lun);
    return hr;
}

}  // namespace standin
