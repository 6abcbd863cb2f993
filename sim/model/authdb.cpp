#include "sim/model/authdb.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

bool SameName(const AuthRecordBytes& a, const AuthRecordBytes& b) {
    return AuthDatabase::TextAt(a, authdb::kRecordName, authdb::kNameSize) ==
           AuthDatabase::TextAt(b, authdb::kRecordName, authdb::kNameSize);
}

void PutText(AuthRecordBytes& record, size_t offset, size_t size, const std::string& text) {
    std::memcpy(record.data() + offset, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

std::string AuthDatabase::TextAt(const AuthRecordBytes& record, size_t offset, size_t size) {
    const char* text = reinterpret_cast<const char*>(record.data() + offset);
    return std::string(text, strnlen(text, size));
}

AuthRecordBytes AuthDatabase::Record(const std::string& name, const std::string& targetSecret) {
    AuthRecordBytes record{};
    PutText(record, authdb::kRecordName, authdb::kNameSize, name);
    PutText(record, authdb::kTargetSecret, authdb::kSecretSize, targetSecret);
    return record;
}

uint32_t AuthDatabase::Count() const {
    return static_cast<uint32_t>(
        std::count_if(slots.begin(), slots.end(), [](const auto& s) { return s.has_value(); }));
}

int AuthDatabase::FindByName(const AuthRecordBytes& record) const {
    for (size_t i = 0; i < slots.size(); ++i) {
        if (slots[i] && SameName(*slots[i], record)) return static_cast<int>(i);
    }
    return -1;
}

const AuthRecordBytes* AuthDatabase::Lookup(const AuthRecordBytes& query) const {
    if (query[authdb::kIndexLookup] == 1) {
        uint32_t index = 0;
        std::memcpy(&index, query.data() + authdb::kRecordIndex, sizeof index);
        return index < slots.size() && slots[index] ? &*slots[index] : nullptr;
    }
    const int slot = FindByName(query);
    return slot >= 0 ? &*slots[static_cast<size_t>(slot)] : nullptr;
}

bool AuthDatabase::Add(const AuthRecordBytes& record) {
    if (FindByName(record) >= 0) return false;
    const auto free = std::find_if(slots.begin(), slots.end(), [](const auto& s) { return !s.has_value(); });
    if (free != slots.end()) {
        *free = record;
    } else {
        slots.push_back(record);
    }
    return true;
}

bool AuthDatabase::Modify(const AuthRecordBytes& record) {
    const int slot = FindByName(record);
    if (slot < 0) return false;
    slots[static_cast<size_t>(slot)] = record;
    return true;
}

bool AuthDatabase::Remove(const AuthRecordBytes& record) {
    const int slot = FindByName(record);
    if (slot < 0) return false;
    slots[static_cast<size_t>(slot)].reset();
    return true;
}

}  // namespace sim
