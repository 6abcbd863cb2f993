// LUN records and device names as the snapshot service hands them to the provider: records laid out one
// after another (freed at the end), and one device name per record.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/com_memory.h"
#include "platform/com/vds_lun.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"

namespace providertest {

// The 32 digits of a partition ID made of 16 equal bytes.
inline std::string IdText(uint8_t idByte) {
    const std::vector<BYTE> id(16, idByte);
    return PartitionIdText(id.data()).text;
}

struct LunSpec {
    std::string serial;             // "-": no serial text
    const char* revision = "V1.0";  // null: no revision text
    VDS_STORAGE_BUS_TYPE bus = VDSBusTypeFibre;
    std::vector<BYTE> identifiers = {0x11};  // first bytes of 32-byte binary vendor-specific identifiers
};

// Records that carry only a serial text, as the snapshot service hands over snapshot LUNs.
inline std::vector<LunSpec> SerialsOnly(const std::vector<std::string>& serials) {
    std::vector<LunSpec> specs;
    for (const std::string& serial : serials) specs.push_back(LunSpec{serial, nullptr, VDSBusTypeFibre, {}});
    return specs;
}

class LunRecords {
  public:
    explicit LunRecords(const std::vector<LunSpec>& specs) : records_(specs.size()) {
        for (size_t i = 0; i < specs.size(); ++i) Fill(specs[i], &records_[i]);
    }
    ~LunRecords() {
        for (VDS_LUN_INFORMATION& record : records_) BVSS_FreeLunInformation(&record);
    }
    LunRecords(const LunRecords&) = delete;
    LunRecords& operator=(const LunRecords&) = delete;
    VDS_LUN_INFORMATION* data() { return records_.data(); }
    VDS_LUN_INFORMATION& operator[](size_t i) { return records_[i]; }
    LONG count() const { return static_cast<LONG>(records_.size()); }

  private:
    static void Fill(const LunSpec& traits, VDS_LUN_INFORMATION* record) {
        record->m_BusType = traits.bus;
        record->m_szProductRevision = BVSS_CoTaskStrDup(traits.revision);
        record->m_szSerialNumber = traits.serial == "-" ? nullptr : BVSS_CoTaskStrDup(traits.serial.c_str());
        if (traits.identifiers.empty()) return;
        auto* table = static_cast<VDS_STORAGE_IDENTIFIER*>(
            CoTaskMemAlloc(traits.identifiers.size() * sizeof(VDS_STORAGE_IDENTIFIER)));
        for (size_t i = 0; i < traits.identifiers.size(); ++i) {
            auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(32));
            std::memset(bytes, 0, 32);
            bytes[0] = traits.identifiers[i];
            table[i] =
                VDS_STORAGE_IDENTIFIER{VDSStorageIdCodeSetBinary, VDSStorageIdTypeVendorSpecific, 32, bytes};
        }
        record->m_deviceIdDescriptor.m_rgIdentifiers = table;
        record->m_deviceIdDescriptor.m_cIdentifiers = static_cast<ULONG>(traits.identifiers.size());
    }
    std::vector<VDS_LUN_INFORMATION> records_;
};

// "\\?\disk#0", "\\?\disk#1", ... as the array of wide strings the service passes.
class DeviceNames {
  public:
    explicit DeviceNames(size_t count) {
        for (size_t i = 0; i < count; ++i) names_.push_back(L"\\\\?\\disk#" + std::to_wstring(i));
        for (std::wstring& name : names_) pointers_.push_back(name.data());
    }
    DeviceNames(const DeviceNames&) = delete;
    DeviceNames& operator=(const DeviceNames&) = delete;
    WCHAR** data() { return pointers_.data(); }

  private:
    std::vector<std::wstring> names_;
    std::vector<WCHAR*> pointers_;
};

}  // namespace providertest
