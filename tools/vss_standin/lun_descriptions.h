// LUN descriptions (VDS_LUN_INFORMATION) as the snapshot service keeps them: every block is COM task
// memory, and the service frees each block with CoTaskMemFree, whoever allocated it. An array of them is laid
// out one after another, as the service hands arrays to a provider.
#pragma once

#include <string>
#include <vector>

#include "platform/com/vds_lun.h"

namespace standin {

// Frees every block of the record with CoTaskMemFree and zeroes it.
void FreeLun(VDS_LUN_INFORMATION* lun);
// A copy whose blocks are new task memory; false (and *copy empty) when memory ran out.
bool CopyLun(const VDS_LUN_INFORMATION& from, VDS_LUN_INFORMATION* copy);
// The text as a new block of task memory, or null when memory ran out.
char* TaskText(const std::string& text);
// A description that carries only a serial text, as the service keeps a volume it knows only by that.
bool LunFromSerial(const std::string& serial, VDS_LUN_INFORMATION* lun);

// The serial text ("" for none), and the NAA name identifier (binary, FC-PH name) as hexadecimal ("" for
// none).
std::string SerialOf(const VDS_LUN_INFORMATION& lun);
std::string NaaOf(const VDS_LUN_INFORMATION& lun);
// "serial=<text> naa=<hex>".
std::string Facts(const VDS_LUN_INFORMATION& lun);

// Records owned by the service, each freed at the end.
class LunArray {
  public:
    LunArray() = default;
    explicit LunArray(size_t count) : records_(count) {}
    ~LunArray() { Clear(); }
    LunArray(LunArray&& other) noexcept : records_(std::move(other.records_)) { other.records_.clear(); }
    LunArray& operator=(LunArray&& other) noexcept;
    LunArray(const LunArray&) = delete;
    LunArray& operator=(const LunArray&) = delete;

    // Takes the record's blocks.
    void Append(const VDS_LUN_INFORMATION& record) { records_.push_back(record); }
    // Frees every record.
    void Clear();

    VDS_LUN_INFORMATION* data() { return records_.data(); }
    VDS_LUN_INFORMATION& operator[](size_t i) { return records_[i]; }
    const VDS_LUN_INFORMATION& operator[](size_t i) const { return records_[i]; }
    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }

  private:
    std::vector<VDS_LUN_INFORMATION> records_;
};

}  // namespace standin
