#include "tools/vss_standin/lun_descriptions.h"

#include <cstring>

#include "platform/com/com_memory.h"
#include "tools/vss_standin/call_log.h"

namespace standin {

namespace {

// A new block of task memory holding a copy of the bytes; null for none, or when memory ran out (*ok false).
template <class T>
T* TaskCopy(const T* from, size_t count, bool* ok) {
    if (from == nullptr || count == 0) return nullptr;
    void* block = CoTaskMemAlloc(count * sizeof(T));
    if (block == nullptr) {
        *ok = false;
        return nullptr;
    }
    std::memcpy(block, from, count * sizeof(T));
    return static_cast<T*>(block);
}

char* TaskCopyText(const char* text, bool* ok) {
    return text == nullptr ? nullptr : TaskCopy(text, std::strlen(text) + 1, ok);
}

}  // namespace

void FreeLun(VDS_LUN_INFORMATION* lun) {
    CoTaskMemFree(lun->m_szVendorId);
    CoTaskMemFree(lun->m_szProductId);
    CoTaskMemFree(lun->m_szProductRevision);
    CoTaskMemFree(lun->m_szSerialNumber);
    VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = lun->m_deviceIdDescriptor;
    if (ids.m_rgIdentifiers != nullptr) {
        for (ULONG i = 0; i < ids.m_cIdentifiers; ++i) CoTaskMemFree(ids.m_rgIdentifiers[i].m_rgbIdentifier);
        CoTaskMemFree(ids.m_rgIdentifiers);
    }
    if (lun->m_rgInterconnects != nullptr) {
        for (ULONG i = 0; i < lun->m_cInterconnects; ++i) {
            CoTaskMemFree(lun->m_rgInterconnects[i].m_pbPort);
            CoTaskMemFree(lun->m_rgInterconnects[i].m_pbAddress);
        }
        CoTaskMemFree(lun->m_rgInterconnects);
    }
    *lun = VDS_LUN_INFORMATION{};
}

bool CopyLun(const VDS_LUN_INFORMATION& from, VDS_LUN_INFORMATION* copy) {
    bool ok = true;
    *copy = from;
    copy->m_szVendorId = TaskCopyText(from.m_szVendorId, &ok);
    copy->m_szProductId = TaskCopyText(from.m_szProductId, &ok);
    copy->m_szProductRevision = TaskCopyText(from.m_szProductRevision, &ok);
    copy->m_szSerialNumber = TaskCopyText(from.m_szSerialNumber, &ok);
    const VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = from.m_deviceIdDescriptor;
    copy->m_deviceIdDescriptor.m_rgIdentifiers = TaskCopy(ids.m_rgIdentifiers, ids.m_cIdentifiers, &ok);
    if (copy->m_deviceIdDescriptor.m_rgIdentifiers == nullptr) copy->m_deviceIdDescriptor.m_cIdentifiers = 0;
    for (ULONG i = 0; i < copy->m_deviceIdDescriptor.m_cIdentifiers; ++i) {
        VDS_STORAGE_IDENTIFIER& id = copy->m_deviceIdDescriptor.m_rgIdentifiers[i];
        id.m_rgbIdentifier = TaskCopy(ids.m_rgIdentifiers[i].m_rgbIdentifier, id.m_cbIdentifier, &ok);
        if (id.m_rgbIdentifier == nullptr) id.m_cbIdentifier = 0;
    }
    copy->m_rgInterconnects = TaskCopy(from.m_rgInterconnects, from.m_cInterconnects, &ok);
    if (copy->m_rgInterconnects == nullptr) copy->m_cInterconnects = 0;
    for (ULONG i = 0; i < copy->m_cInterconnects; ++i) {
        VDS_INTERCONNECT& entry = copy->m_rgInterconnects[i];
        entry.m_pbPort = TaskCopy(from.m_rgInterconnects[i].m_pbPort, entry.m_cbPort, &ok);
        if (entry.m_pbPort == nullptr) entry.m_cbPort = 0;
        entry.m_pbAddress = TaskCopy(from.m_rgInterconnects[i].m_pbAddress, entry.m_cbAddress, &ok);
        if (entry.m_pbAddress == nullptr) entry.m_cbAddress = 0;
    }
    if (!ok) FreeLun(copy);
    return ok;
}

char* TaskText(const std::string& text) {
    bool ok = true;
    return TaskCopy(text.c_str(), text.size() + 1, &ok);
}

bool LunFromSerial(const std::string& serial, VDS_LUN_INFORMATION* lun) {
    *lun = VDS_LUN_INFORMATION{};
    lun->m_version = VER_VDS_LUN_INFORMATION;
    lun->m_BusType = VDSBusTypeFibre;
    lun->m_szSerialNumber = TaskText(serial);
    return lun->m_szSerialNumber != nullptr;
}

std::string SerialOf(const VDS_LUN_INFORMATION& lun) {
    return lun.m_szSerialNumber != nullptr ? lun.m_szSerialNumber : "";
}

std::string NaaOf(const VDS_LUN_INFORMATION& lun) {
    const VDS_STORAGE_DEVICE_ID_DESCRIPTOR& ids = lun.m_deviceIdDescriptor;
    for (ULONG i = 0; ids.m_rgIdentifiers != nullptr && i < ids.m_cIdentifiers; ++i) {
        const VDS_STORAGE_IDENTIFIER& id = ids.m_rgIdentifiers[i];
        if (id.m_CodeSet == VDSStorageIdCodeSetBinary && id.m_Type == VDSStorageIdTypeFCPHName &&
            id.m_rgbIdentifier != nullptr)
            return HexText(id.m_rgbIdentifier, id.m_cbIdentifier);
    }
    return {};
}

std::string Facts(const VDS_LUN_INFORMATION& lun) {
    const std::string naa = NaaOf(lun);
    return "serial=" + SerialOf(lun) + " naa=" + (naa.empty() ? "-" : naa);
}

LunArray& LunArray::operator=(LunArray&& other) noexcept {
    if (this != &other) {
        Clear();
        records_ = std::move(other.records_);
        other.records_.clear();
    }
    return *this;
}

void LunArray::Clear() {
    for (VDS_LUN_INFORMATION& record : records_) FreeLun(&record);
    records_.clear();
}

}  // namespace standin
