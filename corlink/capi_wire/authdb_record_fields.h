// The fields of an authentication-database record (CAPI_AUTHDB_RECORD, 1,020 bytes) that the proxy and the
// simulated controllers use; the controller defines the rest. Texts are NUL-terminated within their field.
#pragma once

#include <cstddef>

namespace authdb {

inline constexpr size_t kRecordSize = 1020;
inline constexpr size_t kRecordName = 0;  // the initiator's iSCSI name, the record's key
inline constexpr size_t kNameSize = 224;
inline constexpr size_t kIndexLookup = 224;    // 1: the query names the record by recordIndex
inline constexpr size_t kCountSelector = 225;  // param1 of the count command
inline constexpr size_t kRecordIndex = 228;    // u32, the only converted word
inline constexpr size_t kTargetSecretName = 232;
inline constexpr size_t kTargetSecret = 456;
inline constexpr size_t kInitiatorSecretName = 473;
inline constexpr size_t kInitiatorSecret = 697;
inline constexpr size_t kSecretSize = 17;  // up to 16 characters and a NUL; empty: no secret

}  // namespace authdb
