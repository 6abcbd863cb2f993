// The iSCSI authentication database commands: count, read one record (by name or by slot), add, remove,
// modify and commit. A read that finds nothing answers AUTHDB_RECORD_NOT_FOUND.
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeAuthRecord = 97;
constexpr uint32_t kCommandGetRecordCount = 1289;
constexpr uint32_t kCommandAddRecord = 1290;
constexpr uint32_t kCommandRemoveRecord = 1291;
constexpr uint32_t kCommandModifyRecord = 1292;
constexpr uint32_t kCommandCommit = 1293;
constexpr uint32_t kCommandGetRecord = 1294;

AuthRecordBytes RecordOf(const Call& call) {
    AuthRecordBytes record{};
    call.Include(&record);
    return record;
}

void GetRecordCount(Call& call) { call.SetParam(0, call.pair().authDb.Count()); }

void GetRecord(Call& call) {
    const AuthRecordBytes* found = call.pair().authDb.Lookup(RecordOf(call));
    if (found == nullptr) return call.Fail(CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND);
    call.ReplyRecord(kIncludeAuthRecord, *found);
}

// A change of the database, refused with `refusal` when the change does not apply.
template <bool (AuthDatabase::*change)(const AuthRecordBytes&), int32_t refusal>
void Change(Call& call) {
    AuthDatabase& db = call.pair().authDb;
    if (!(db.*change)(RecordOf(call))) return call.Fail(refusal);
    db.uncommitted = true;
}

void Commit(Call& call) {
    AuthDatabase& db = call.pair().authDb;
    ++db.commits;
    db.uncommitted = false;
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {kCommandGetRecordCount, "U_AUTHDB_GET_RECORD_COUNT", 0, 0, false, Sequence::None, GetRecordCount},
    {kCommandAddRecord, "U_AUTHDB_ADD_RECORD", kIncludeAuthRecord, kAuthRecordSize, false, Sequence::None,
     Change<&AuthDatabase::Add, CAPI_ERROR_AUTHDB_RECORD_ALREADY_EXISTS>},
    {kCommandRemoveRecord, "U_AUTHDB_REMOVE_RECORD", kIncludeAuthRecord, kAuthRecordSize, false, Sequence::None,
     Change<&AuthDatabase::Remove, CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND>},
    {kCommandModifyRecord, "U_AUTHDB_MODIFY_RECORD", kIncludeAuthRecord, kAuthRecordSize, false, Sequence::None,
     Change<&AuthDatabase::Modify, CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND>},
    {kCommandCommit, "U_AUTHDB_COMMIT", 0, 0, false, Sequence::None, Commit},
    {kCommandGetRecord, "U_AUTHDB_GET_RECORD", kIncludeAuthRecord, kAuthRecordSize, false, Sequence::None, GetRecord},
    // clang-format on
};

}  // namespace

CommandFamily AuthDbCommands() { return kRows; }

}  // namespace sim
