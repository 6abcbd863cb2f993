// The iSCSI authentication database commands through rreExecCommand against the default fabric: the
// changes and their commits, the reads, the walks over the records by index, the secrets of one record,
// and no secret in the debug log or a packet dump.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "corlink/capi_wire/authdb_record_fields.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/proxy_wire/password_requests.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "sim/fault_script.h"
#include "sim/model/authdb.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;
using sim::AuthDatabase;

constexpr uint32_t kLength = 1036;
constexpr size_t kRecordAt = 16;
constexpr uint32_t kGetRecordCount = 1289;
constexpr uint32_t kModifyRecord = 1292;
constexpr uint32_t kCommit = 1293;
constexpr uint32_t kGetRecord = 1294;

std::string FieldOf(const std::vector<uint8_t>& record, size_t field, size_t size) {
    const char* text = reinterpret_cast<const char*>(record.data() + field);
    return std::string(text, strnlen(text, size));
}

class AuthDbCommandsTest : public ProxyCommandTest {
  protected:
    // A request carrying a record: the initiator name and the fields given.
    static Fill Record(const std::string& name, const std::string& targetSecret = {},
                       const std::string& initiatorSecret = {}, const std::string& initiatorSecretName = {}) {
        return [=](std::vector<uint8_t>& b) {
            auto put = [&](size_t field, const std::string& text) {
                std::memcpy(b.data() + kRecordAt + field, text.data(), text.size());
            };
            put(authdb::kRecordName, name);
            put(authdb::kTargetSecret, targetSecret);
            put(authdb::kInitiatorSecret, initiatorSecret);
            put(authdb::kInitiatorSecretName, initiatorSecretName);
        };
    }
    static Reply Command(uint32_t code, const Fill& fill = nullptr) {
        return Exec(code, kLength, kHandleA, fill);
    }
    void Seed(std::vector<std::optional<sim::AuthRecordBytes>> slots) {
        fabric_->Edit([&](sim::FabricModel& m) { m.systems[0].authDb.slots = slots; });
    }
    const sim::AuthRecordBytes* Stored(const std::string& name) const {
        stored_ = Pair().authDb;
        const int slot = stored_.FindByName(AuthDatabase::Record(name));
        return slot < 0 ? nullptr : &*stored_.slots[static_cast<size_t>(slot)];
    }
    size_t Sent(uint32_t command) const {
        size_t n = 0;
        for (const sim::JournalEntry& entry : fabric_->journal().Entries())
            n += entry.commandCode == command ? 1 : 0;
        return n;
    }
    mutable AuthDatabase stored_;
};

INSTANTIATE_TEST_SUITE_P(Reach, AuthDbCommandsTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

TEST_P(AuthDbCommandsTest, ChangesAreCommittedOnlyWhenTheyTookEffect) {
    const struct {
        const char* name;
        uint32_t code;
        Fill fill;
        uint32_t answer;
        uint32_t commits;  // in all, after the command
    } cases[] = {
        // clang-format off
        {"add", RRE_ADD_AUTHDB_RECORD, Record("iqn.host1", "target-one"), 0, 1},
        {"add a second", RRE_ADD_AUTHDB_RECORD, Record("iqn.host2"), 0, 2},
        {"add a name that exists", RRE_ADD_AUTHDB_RECORD, Record("iqn.host1"), CAPI_ERROR_AUTHDB_RECORD_ALREADY_EXISTS, 2},
        {"modify", RRE_MODIFY_AUTHDB_RECORD, Record("iqn.host2", "target-two"), 0, 3},
        {"remove", RRE_REMOVE_AUTHDB_RECORD, Record("iqn.host1"), 0, 4},
        {"remove what is gone", RRE_REMOVE_AUTHDB_RECORD, Record("iqn.host1"), CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND, 4},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply reply = Command(c.code, c.fill);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, c.answer);
        EXPECT_EQ(Pair().authDb.commits, c.commits);
        EXPECT_EQ(FieldOf(reply.buffer, kRecordAt, authdb::kNameSize).substr(0, 8), "iqn.host")
            << "returned as received";
    }
    EXPECT_EQ(Stored("iqn.host1"), nullptr);
    ASSERT_NE(Stored("iqn.host2"), nullptr);
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.host2"), authdb::kTargetSecret, authdb::kSecretSize),
              "target-two");
}

TEST_P(AuthDbCommandsTest, ReadsAnswerTheRecordAndTheCountReceivedLast) {
    Seed({AuthDatabase::Record("iqn.a", "secret-a"), std::nullopt, AuthDatabase::Record("iqn.b")});
    Reply reply = Command(RRE_GET_AUTHDB_RECORD, Record("iqn.a"));
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(FieldOf(reply.buffer, kRecordAt + authdb::kTargetSecret, authdb::kSecretSize), "secret-a");
    // An absent name: code 247, and the record read before (its secret) does not come back with it.
    reply = Command(RRE_GET_AUTHDB_RECORD, Record("iqn.none"));
    EXPECT_EQ(reply.code, static_cast<uint32_t>(CAPI_ERROR_AUTHDB_RECORD_NOT_FOUND));
    EXPECT_EQ(FieldOf(reply.buffer, kRecordAt + authdb::kTargetSecret, authdb::kSecretSize), "");

    std::vector<std::optional<sim::AuthRecordBytes>> many;
    for (int i = 0; i < 300; ++i) many.push_back(AuthDatabase::Record("iqn.host" + std::to_string(i)));
    Seed(many);
    reply = Command(RRE_GET_AUTHDB_RECORD_COUNT);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.buffer[12], 300 % 256);
}

// Controller A answers a record and a count; B does not answer: B's reply carries nothing of A's.
TEST_P(AuthDbCommandsTest, ControllerThatDoesNotAnswerGetsNoRecordOrCountOfAnother) {
    Seed({AuthDatabase::Record("iqn.a", "secret-a"), AuthDatabase::Record("iqn.b"),
          AuthDatabase::Record("iqn.c")});
    const struct {
        const char* name;
        uint32_t code;
        uint32_t capiCode;  // the command B does not answer
        size_t at;
        size_t size;
    } cases[] = {
        // clang-format off
        {"GET_AUTHDB_RECORD", RRE_GET_AUTHDB_RECORD, kGetRecord, kRecordAt, authdb::kRecordSize},
        {"GET_AUTHDB_RECORD_COUNT", RRE_GET_AUTHDB_RECORD_COUNT, kGetRecordCount, 12, 1},
        {"CLEAR_ALL_TARGET_SECRET", RRE_CLEAR_ALL_TARGET_SECRET, kGetRecordCount, 12, 1},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Reply fromA = Exec(c.code, kLength, kHandleA, Record("iqn.a"));
        ASSERT_EQ(fromA.code, 0u);
        fabric_->InjectFault(0, 1, {sim::FaultKind::NoReply, c.capiCode, 0, 10});
        const Reply fromB = Exec(c.code, kLength, kHandleB, Record("iqn.a"));
        EXPECT_NE(fromB.code, 0u);
        const auto first = fromB.buffer.begin() + static_cast<std::ptrdiff_t>(c.at);
        const std::vector<uint8_t> answered(first, first + static_cast<std::ptrdiff_t>(c.size));
        if (c.code == RRE_GET_AUTHDB_RECORD) {
            EXPECT_EQ(FieldOf(answered, authdb::kTargetSecret, authdb::kSecretSize), "");
            EXPECT_EQ(FieldOf(answered, authdb::kRecordName, authdb::kNameSize), "");
        } else {
            EXPECT_EQ(answered[0], 0) << "the count A answered";
        }
    }
}

TEST_P(AuthDbCommandsTest, SetAllTargetSecretFillsOnlyTheRecordsWithoutOne) {
    // Indexes 0 and 1 hold nothing; three records from index 2, the middle one with a secret of its own.
    Seed({std::nullopt, std::nullopt, AuthDatabase::Record("iqn.a"),
          AuthDatabase::Record("iqn.b", "own-secret"), AuthDatabase::Record("iqn.c")});
    fabric_->journal().Clear();
    const Reply reply = Command(RRE_SET_ALL_TARGET_SECRET, Record("", "new-secret"));
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(Sent(kGetRecord), 5u) << "indexes 0 to 4";
    EXPECT_EQ(Sent(kModifyRecord), 2u);
    EXPECT_EQ(Sent(kCommit), 0u);
    for (const char* name : {"iqn.a", "iqn.c"}) {
        ASSERT_NE(Stored(name), nullptr);
        EXPECT_EQ(AuthDatabase::TextAt(*Stored(name), authdb::kTargetSecret, authdb::kSecretSize),
                  "new-secret")
            << name;
        EXPECT_EQ(AuthDatabase::TextAt(*Stored(name), authdb::kTargetSecretName, authdb::kNameSize), name);
    }
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.b"), authdb::kTargetSecret, authdb::kSecretSize),
              "own-secret");

    const Reply cleared = Command(RRE_CLEAR_ALL_TARGET_SECRET);
    EXPECT_EQ(cleared.code, 0u);
    EXPECT_EQ(cleared.buffer[12], 3);
    for (const char* name : {"iqn.a", "iqn.b", "iqn.c"}) {
        EXPECT_EQ(AuthDatabase::TextAt(*Stored(name), authdb::kTargetSecret, authdb::kSecretSize), "")
            << name;
    }
}

TEST_P(AuthDbCommandsTest, WalksStopAtAFailedCountAndAnEmptyDatabaseAnswersTheCount) {
    fabric_->journal().Clear();
    Reply reply = Command(RRE_CLEAR_ALL_TARGET_SECRET);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.buffer[12], 0);
    EXPECT_EQ(fabric_->journal().Entries().size(), Sent(kGetRecordCount) + Sent(1004))
        << "only the count was asked";

    // The count command fails: the count received last (another controller's) is never walked.
    Seed({AuthDatabase::Record("iqn.a")});
    g_AuthDbRecordCount = 5;
    sim::Fault fault;
    fault.kind = sim::FaultKind::ReturnCode;
    fault.commandCode = kGetRecordCount;
    fault.returnCode = CAPI_ERROR_NOT_SUPPORTED;
    fabric_->InjectFault(0, 0, fault);
    fabric_->journal().Clear();
    reply = Command(RRE_SET_ALL_TARGET_SECRET, Record("", "new-secret"));
    EXPECT_EQ(reply.code, static_cast<uint32_t>(CAPI_ERROR_NOT_SUPPORTED));
    EXPECT_EQ(Sent(kGetRecord), 0u);
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.a"), authdb::kTargetSecret, authdb::kSecretSize), "");
}

TEST_P(AuthDbCommandsTest, OneRecordsSecretsAreSetOrTheRecordAdded) {
    Seed({AuthDatabase::Record("iqn.known")});
    fabric_->journal().Clear();
    Reply reply = Command(RRE_SET_TARGET_SECRET, Record("iqn.known", "target-secret"));
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.known"), authdb::kTargetSecret, authdb::kSecretSize),
              "target-secret");
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.known"), authdb::kTargetSecretName, authdb::kNameSize),
              "iqn.known");

    reply = Command(RRE_REMEMBER_INITIATOR_SECRET, Record("iqn.known", "", "init-secret", "chap-user"));
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.known"), authdb::kInitiatorSecret, authdb::kSecretSize),
              "init-secret");
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.known"), authdb::kInitiatorSecretName, authdb::kNameSize),
              "chap-user");
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.known"), authdb::kTargetSecret, authdb::kSecretSize),
              "target-secret");

    // An initiator without a record: the request's record is added as it is.
    reply = Command(RRE_SET_TARGET_SECRET, Record("iqn.new", "fresh-secret"));
    EXPECT_EQ(reply.code, 0u);
    ASSERT_NE(Stored("iqn.new"), nullptr);
    EXPECT_EQ(AuthDatabase::TextAt(*Stored("iqn.new"), authdb::kTargetSecretName, authdb::kNameSize), "");
    EXPECT_EQ(Sent(kCommit), 0u);
}

// The debug log written to a file of the test's root with packet dumps on, for as long as it lives.
class DumpingDebugLog {
  public:
    explicit DumpingDebugLog(const std::string& path) : path_(path) {
        ResetDebugLog();
        OpenDebugFile(path_.c_str());
        g_HexDumpsToFile = true;
    }
    ~DumpingDebugLog() { g_HexDumpsToFile = false; }
    DumpingDebugLog(const DumpingDebugLog&) = delete;
    DumpingDebugLog& operator=(const DumpingDebugLog&) = delete;

    // No fragment of the secret in the log: a dump prints 16 characters a row, so every 8 characters of a
    // secret of at most 16 stand whole in one row or the next.
    void ExpectNoFragmentOf(const std::string& secret, const std::string& after) const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string log = text.str();
        for (size_t i = 0; i + 8 <= secret.size(); ++i) {
            EXPECT_EQ(log.find(secret.substr(i, 8)), std::string::npos)
                << after << ": " << secret.substr(i, 8);
        }
        EXPECT_NE(log.find("Send at"), std::string::npos) << "packets were dumped";
    }

  private:
    std::string path_;
};

// With packet dumps on, none of the nine commands leaves a secret in the debug log.
TEST_P(AuthDbCommandsTest, SecretsNeverReachTheDebugLog) {
    const DumpingDebugLog log(root_.path() + "/authdb-debug.log");
    const std::string target = "TgtSecret16chars";
    const std::string initiator = "InitSecret0042";
    const uint32_t codes[] = {
        RRE_ADD_AUTHDB_RECORD,         RRE_MODIFY_AUTHDB_RECORD,    RRE_GET_AUTHDB_RECORD,
        RRE_GET_AUTHDB_RECORD_COUNT,   RRE_SET_ALL_TARGET_SECRET,   RRE_SET_TARGET_SECRET,
        RRE_REMEMBER_INITIATOR_SECRET, RRE_CLEAR_ALL_TARGET_SECRET, RRE_REMOVE_AUTHDB_RECORD};
    for (uint32_t code : codes) {
        Command(code, Record("iqn.secretive", target, initiator, "chap-user"));
        for (const std::string& secret : {target, initiator})
            log.ExpectNoFragmentOf(secret, std::to_string(code));
    }
}

// A new storage-system password travels in the controller parameters: it stays out of the dumps too.
TEST_P(AuthDbCommandsTest, NewPasswordNeverReachesTheDebugLog) {
    const DumpingDebugLog log(root_.path() + "/password-debug.log");
    const std::string password = "NewPassw0rdXyz9";
    for (const std::string& text : {std::string{}, password}) {  // the first request proves the current one
        const Reply reply = Exec(RRE_SET_PASSWORD, PASSWORD_REQUEST_LENGTH, 0, [&](std::vector<uint8_t>& b) {
            std::memcpy(b.data() + PASSWORD_REQUEST_UNIQUE_SN_OFFSET, "3C4D5E", 6);
            std::memcpy(b.data() + PASSWORD_REQUEST_PASSWORD_OFFSET, text.data(), text.size());
        });
        EXPECT_EQ(reply.code, 0u);
    }
    EXPECT_EQ(Pair().settings.commonParams.size(), sizeof(CAPI_UNIFIED_COMMON_PARAMS))
        << "the parameters were sent";
    log.ExpectNoFragmentOf(password, "SET_PASSWORD");
}

}  // namespace
