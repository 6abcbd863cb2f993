#include "corlink/handlers/authdb_commands.h"

#include <cstring>

#include "corlink/capi/wrappers_unified.h"
#include "corlink/capi_wire/authdb_record_fields.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/foundation/hex_dump.h"
#include "corlink/foundation/log.h"
#include "corlink/proxy_wire/buffers_hosts.h"

namespace {

using namespace authdb;

constexpr uint32_t kWalkLimit = 200;
static_assert(sizeof(CAPI_AUTHDB_RECORD) == kRecordSize && AUTH_DB_RECORD_REPLY_SIZE == kRecordSize);

// A record as bytes, so that its fields are read and written by offset.
struct Record {
    uint8_t bytes[kRecordSize];
    bool Empty(size_t field) const { return bytes[field] == 0; }
    void Copy(size_t field, const uint8_t* from, size_t size) { std::memcpy(bytes + field, from, size); }
    const CAPI_AUTHDB_RECORD* Capi() const { return reinterpret_cast<const CAPI_AUTHDB_RECORD*>(bytes); }
};

RRE_AUTHDB_BUFFER& Buffer(const CommandContext& c) {
    return *rre_wire::BufferAs<RRE_AUTHDB_BUFFER>(c.buffer);
}
Record& RequestRecord(const CommandContext& c) { return *reinterpret_cast<Record*>(&Buffer(c).record); }
Record LastRecordReceived() {
    Record record;
    std::memcpy(record.bytes, g_AuthDbRecordReply, kRecordSize);
    return record;
}
CAPI_HANDLE HandleOf(const CommandContext& c) { return ControllerHandleOf(c.index); }
void PutCountReceived(CommandContext& c) {
    Buffer(c).recordCount = static_cast<uint8_t>(g_AuthDbRecordCount);
}
const char* Outcome(int32_t code) { return code == 0 ? "success" : "failed"; }

// Every body runs with packet dumps cut to their headers (the records carry secrets), and with the stored
// record and count emptied first: a command that got no reply answers nothing of another controller's.
template <int32_t (*run)(CommandContext&)>
int32_t Guarded(CommandContext& c) {
    const HeaderOnlyPacketDumps secretsKeptOut;
    ClearStoredReply(CAPI_REPLY_U_AUTHDB_GET_RECORD);
    ClearStoredReply(CAPI_REPLY_U_AUTHDB_GET_RECORD_COUNT);
    return run(c);
}

// ADD, REMOVE and MODIFY: the change, committed when it succeeded.
struct Change {
    int32_t (*send)(CAPI_HANDLE, const CAPI_AUTHDB_RECORD*);
    const char* handler;
    const char* wrapper;
};
constexpr Change kAdd{CAPI_U_AUTHDB_AddRecord, "capiAddAuthDBRecord", "CAPI_U_AUTHDB_AddRecord"};
constexpr Change kRemove{CAPI_U_AUTHDB_RemoveRecord, "capiRemoveAuthDBRecord", "CAPI_U_AUTHDB_RemoveRecord"};
constexpr Change kModify{CAPI_U_AUTHDB_ModifyRecord, "capiModifyAuthDBRecord", "CAPI_U_AUTHDB_ModifyRecord"};

template <const Change& change>
int32_t RunChange(CommandContext& c) {
    int32_t code = change.send(HandleOf(c), RequestRecord(c).Capi());
    DebugPrint("capicmd==>>%s %s %s!\n", change.handler, change.wrapper, Outcome(code));
    if (code != 0 || !FindCommandControllerAgain(c)) return code;
    code = CAPI_U_AUTHDB_Commit(HandleOf(c));
    DebugPrint("capicmd==>>%s CAPI_U_AUTHDB_Commit %s!\n", change.handler, Outcome(code));
    return code;
}

// The record the query names, whatever the result: the record received, or an empty one.
int32_t RunGetRecord(CommandContext& c) {
    const int32_t code = CAPI_U_AUTHDB_GetRecord(HandleOf(c), RequestRecord(c).Capi());
    std::memcpy(&Buffer(c).record, g_AuthDbRecordReply, kRecordSize);
    return code;
}

int32_t RunGetRecordCount(CommandContext& c) {
    const int32_t code = CAPI_U_AUTHDB_GetRecordCount(HandleOf(c), RequestRecord(c).bytes[kCountSelector]);
    PutCountReceived(c);
    return code;
}

// What a walk does with each record: the modified record to send, or false to leave it as it is.
using WalkStep = bool (*)(const Record& found, const Record& request, Record* modified);

bool FillTargetSecret(const Record& found, const Record& request, Record* modified) {
    if (!found.Empty(kTargetSecret)) return false;  // a record keeps the secret it has
    *modified = found;
    if (modified->Empty(kTargetSecretName))
        modified->Copy(kTargetSecretName, found.bytes + kRecordName, kNameSize);
    modified->Copy(kTargetSecret, request.bytes + kTargetSecret, kSecretSize);
    return true;
}

bool ClearTargetSecret(const Record& found, const Record&, Record* modified) {
    if (found.Empty(kTargetSecret)) return false;
    *modified = found;
    std::memset(modified->bytes + kTargetSecret, 0, kSecretSize);
    return true;
}

struct Walk {
    WalkStep step;
    const char* handler;
    bool answersCount;
};
constexpr Walk kSetAll{FillTargetSecret, "capiSetAllTargetSecret", false};
constexpr Walk kClearAll{ClearTargetSecret, "capiClearAllTargetSecret", true};

// The records by index, at most 200 indexes, until as many records as the count command answered were
// found. A failed count ends the command with its code: the count received last may be another
// controller's.
template <const Walk& walk>
int32_t RunWalk(CommandContext& c) {
    const Record& request = RequestRecord(c);
    int32_t code = CAPI_U_AUTHDB_GetRecordCount(HandleOf(c), 0);
    const uint32_t count = code == 0 ? g_AuthDbRecordCount : 0;
    Record query{};
    query.bytes[kIndexLookup] = 1;
    uint32_t found = 0;
    for (uint32_t index = 0; index < kWalkLimit && found < count; ++index) {
        if (!FindCommandControllerAgain(c)) return code;
        std::memcpy(query.bytes + kRecordIndex, &index, sizeof index);
        code = CAPI_U_AUTHDB_GetRecord(HandleOf(c), query.Capi());
        if (code == CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND) continue;
        if (code != 0) {
            DebugPrint("%s.CAPI_U_AUTHDB_GetRecord: unexpected CAPI error %d \n", walk.handler, code);
            break;
        }
        ++found;
        Record modified;
        if (!walk.step(LastRecordReceived(), request, &modified)) continue;
        if (!FindCommandControllerAgain(c)) return code;
        code = CAPI_U_AUTHDB_ModifyRecord(HandleOf(c), modified.Capi());
        if (code != 0) break;
    }
    if (walk.answersCount) PutCountReceived(c);
    return code;
}

// SET_TARGET_SECRET and REMEMBER_INITIATOR_SECRET: the stored record gets the request's secret (and the
// secret's name when it has none); a record that does not exist is added as the request holds it.
struct Remember {
    size_t secretName;
    size_t secret;
    bool nameFromStoredRecord;  // the target secret's name is the initiator's own name
    const char* handler;
};
constexpr Remember kTargetSecretOfOne{kTargetSecretName, kTargetSecret, true, "capiSetTargetSecret"};
constexpr Remember kInitiatorSecretOfOne{kInitiatorSecretName, kInitiatorSecret, false,
                                         "capiRemeberInitiatorSecret"};

template <const Remember& remember>
int32_t RunRemember(CommandContext& c) {
    const Record& request = RequestRecord(c);
    int32_t code = CAPI_U_AUTHDB_GetRecord(HandleOf(c), request.Capi());
    if (!FindCommandControllerAgain(c)) return code;
    if (code == 0) {
        Record modified = LastRecordReceived();
        if (modified.Empty(remember.secretName)) {
            const Record& source = remember.nameFromStoredRecord ? modified : request;
            const size_t from = remember.nameFromStoredRecord ? kRecordName : remember.secretName;
            modified.Copy(remember.secretName, source.bytes + from, kNameSize);
        }
        modified.Copy(remember.secret, request.bytes + remember.secret, kSecretSize);
        code = CAPI_U_AUTHDB_ModifyRecord(HandleOf(c), modified.Capi());
    } else if (code == CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND) {
        code = CAPI_U_AUTHDB_AddRecord(HandleOf(c), request.Capi());
    } else {
        DebugPrint("%s.CAPI_U_AUTHDB_GetRecord: unexpected CAPI error %d \n", remember.handler, code);
    }
    PutCountReceived(c);
    return code;
}

constexpr FramedCommand Framed(int32_t (*run)(CommandContext&), const char* closing = nullptr) {
    return {Lookup::RealController, FirstRead::Refresh, false, nullptr, run, false, closing};
}

}  // namespace

const FramedCommand kAddAuthDbRecord = Framed(Guarded<RunChange<kAdd>>, "");
const FramedCommand kRemoveAuthDbRecord = Framed(Guarded<RunChange<kRemove>>, "");
const FramedCommand kModifyAuthDbRecord = Framed(Guarded<RunChange<kModify>>, "");
const FramedCommand kGetAuthDbRecord = Framed(Guarded<RunGetRecord>);
const FramedCommand kGetAuthDbRecordCount = Framed(Guarded<RunGetRecordCount>);
const FramedCommand kSetAllTargetSecret = Framed(Guarded<RunWalk<kSetAll>>);
const FramedCommand kClearAllTargetSecret = Framed(Guarded<RunWalk<kClearAll>>);
const FramedCommand kSetTargetSecret = Framed(Guarded<RunRemember<kTargetSecretOfOne>>);
const FramedCommand kRememberInitiatorSecret = Framed(Guarded<RunRemember<kInitiatorSecretOfOne>>);
