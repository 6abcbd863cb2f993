// The pair's iSCSI authentication database: records of 1,020 bytes (the product's record layout) in
// numbered slots, keyed by the initiator name at their start; a removal leaves its slot empty. The database
// counts the commits it was sent and whether a change has not been committed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corlink/capi_wire/authdb_record_fields.h"

namespace sim {

inline constexpr size_t kAuthRecordSize = authdb::kRecordSize;
using AuthRecordBytes = std::array<uint8_t, kAuthRecordSize>;

struct AuthDatabase {
    std::vector<std::optional<AuthRecordBytes>> slots;
    uint32_t commits = 0;
    bool uncommitted = false;

    uint32_t Count() const;
    // The slot of the record with this record's name, or -1.
    int FindByName(const AuthRecordBytes& record) const;
    // The record a query names: by slot when its index-lookup byte is 1, else by name; null when absent.
    const AuthRecordBytes* Lookup(const AuthRecordBytes& query) const;
    // Adds the record in the first free slot; false when a record of that name exists.
    bool Add(const AuthRecordBytes& record);
    // Replaces or removes the record of that name; false when there is none.
    bool Modify(const AuthRecordBytes& record);
    bool Remove(const AuthRecordBytes& record);

    // For tests and scenarios: the initiator name and target secret of a new record.
    static AuthRecordBytes Record(const std::string& name, const std::string& targetSecret = {});
    static std::string TextAt(const AuthRecordBytes& record, size_t offset, size_t size);
};

}  // namespace sim
