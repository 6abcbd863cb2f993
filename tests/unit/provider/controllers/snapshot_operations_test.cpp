// Snapshots and full copies on one controller against a scripted proxy that answers as a controller would:
// the requests' fields as the proxy reads them, the IDs recorded in the caller's entries, stale tags, lost
// replies, the vdisk a full copy goes to, and the names on the platform clock.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/retry_policy.h"
#include "tests/support/test_root.h"
#include "tests/unit/provider/controller_read.h"
#include "tests/unit/provider/proxy_wire.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::HostRequest;
using providertest::NetworkReply;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::SessionTest;

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kCreatedIdsAt = 876;  // CREATE_SNAPSHOT reply: the created IDs
constexpr uint32_t kTagAt = 20;          // DMS_GET_TAG reply: the tag
constexpr uint32_t kRolloffIdAt = 524;   // ROLLOFF_VOLUME reply: the new volume's ID
constexpr uint64_t kFirstTag = 0x1122334455667700ULL;

Bytes Id(uint8_t first) { return Bytes(16, first); }

CAPI_U64 U64(uint64_t value) {
    CAPI_U64 field;
    std::memcpy(&field, &value, sizeof value);
    return field;
}

// Entries whose sources are the volumes 0x10, 0x11, ...
struct Entries {
    explicit Entries(size_t count, uint8_t firstSource = 0x10) : records(count) {
        for (size_t i = 0; i < count; ++i) {
            std::memset(records[i].mSource.mSerialNumber, firstSource + static_cast<int>(i), 16);
            list.push_back(&records[i]);
        }
    }
    std::vector<BVSS_SnapshotInfo> records;
    std::vector<BVSS_SnapshotInfo*> list;
};

class SnapshotOperationsTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) { return Answer(request); });
        ASSERT_EQ(ProxyInit(), 0);
        controller_ = std::make_unique<BVSS_CapiRaidController>();
        controller_->mHandle = 0x100;
        controller_->mControllerData.failover.failoverId = 1;
        controller_->mNumArrays = 1;
    }
    void TearDown() override {
        controller_.reset();
        CloseCapiSleepTimer();
        SessionTest::TearDown();
    }

    // The controller's answer: the scripted codes first (0 once they are used up), the connection closed
    // instead of a reply while replies are to be lost.
    ScriptAction Answer(const ProxyMessage& request) {
        const uint32_t op = request.header.OpCode;
        if (op == RRE_GET_CONTROLLER) {
            std::lock_guard<std::mutex> locked(lock_);
            requests_.push_back({op, request.data});
            return ScriptAction{{ReplyTo(request, providertest::ControllerReadOf(*controller_, made_))},
                                false};
        }
        Bytes reply = HostRequest(op, request.data);
        std::lock_guard<std::mutex> locked(lock_);
        requests_.push_back({op, reply});
        if (lostReplies_[op] > 0) {
            --lostReplies_[op];
            if (op == RRE_CREATE_SNAPSHOT) Make(reply, 0xB0);  // carried out all the same
            return ScriptAction{{}, true};
        }
        int32_t code = 0;
        if (!codes_[op].empty()) {
            code = codes_[op].front();
            codes_[op].pop_front();
        }
        if (code == 0 && op == RRE_CREATE_SNAPSHOT && createdIds_ < 0) Make(reply, 0xC0);
        std::memset(reply.data(), 0, 4);
        std::memcpy(reply.data() + 4, &code, 4);
        if (code == 0 && op == RRE_CREATE_SNAPSHOT) {
            const auto* params = reinterpret_cast<const CAPI_CREATE_SNAPSHOTS_PARAMS*>(reply.data() + 12);
            CAPI_SNAPSHOT_ID_LIST created{};
            created.numIds = createdIds_ >= 0 ? static_cast<uint8_t>(createdIds_) : params->numEntries;
            for (uint32_t i = 0; i < created.numIds && i < 16; ++i)
                std::memset(created.serialNumbers[i], 0xC0 + i, 16);
            std::memcpy(reply.data() + kCreatedIdsAt, &created, sizeof created);
        }
        if (code == 0 && op == RRE_DMS_GET_TAG) {
            const uint64_t tag = kFirstTag + tagsRead_++;
            std::memcpy(reply.data() + kTagAt, &tag, sizeof tag);
        }
        if (code == 0 && op == RRE_ROLLOFF_VOLUME)
            std::memset(reply.data() + kRolloffIdAt, 0xE0 + rolloffs_++, 16);
        return ScriptAction{{ReplyTo(request, NetworkReply(op, reply))}, false};
    }

    // The snapshots a create request makes on the array: IDs from firstId on, named as the request names
    // them.
    void Make(const Bytes& request, uint8_t firstId) {
        const auto* params = reinterpret_cast<const CAPI_CREATE_SNAPSHOTS_PARAMS*>(request.data() + 12);
        for (uint32_t i = 0; i < params->numEntries && i < 16; ++i) {
            const std::string name(params->entries[i].name, strnlen(params->entries[i].name, 32));
            made_.push_back(providertest::PartitionEntry(0, static_cast<uint16_t>(made_.size()),
                                                         static_cast<uint8_t>(firstId + i), name.c_str()));
        }
    }

    // The requests of one code in host order, as the proxy reads them.
    std::vector<Bytes> Requests(uint32_t op) {
        std::lock_guard<std::mutex> locked(lock_);
        std::vector<Bytes> found;
        for (const auto& [code, data] : requests_)
            if (code == op) found.push_back(data);
        return found;
    }
    size_t RequestCount() {
        std::lock_guard<std::mutex> locked(lock_);
        return requests_.size();
    }
    void Script(uint32_t op, std::deque<int32_t> codes) {
        std::lock_guard<std::mutex> locked(lock_);
        codes_[op] = std::move(codes);
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }

    template <class T>
    static const T& Part(const Bytes& request, size_t at) {
        return *reinterpret_cast<const T*>(request.data() + at);
    }

    std::unique_ptr<BVSS_CapiRaidController> controller_;
    std::mutex lock_;
    std::vector<std::pair<uint32_t, Bytes>> requests_;
    std::map<uint32_t, std::deque<int32_t>> codes_;
    std::map<uint32_t, int> lostReplies_;
    int createdIds_ = -1;                    // -1: as many as asked for
    std::vector<API_PARTITION_ENTRY> made_;  // what the creates made on the array
    uint64_t tagsRead_ = 0;
    int rolloffs_ = 0;
};

TEST_F(SnapshotOperationsTest, CreateSendsUpToSixteenAndRecordsTheIdsInTheCallersEntries) {
    Entries entries(16);
    const uint64_t tag = 0x0102030405060708ULL;
    ASSERT_EQ(controller_->capiCreateSnapshots(entries.list, tag, 1, 0), S_OK);
    const std::vector<Bytes> sent = Requests(RRE_CREATE_SNAPSHOT);
    ASSERT_EQ(sent.size(), 1u);
    const auto& params = Part<CAPI_CREATE_SNAPSHOTS_PARAMS>(sent[0], 12);
    EXPECT_EQ(params.value0, 1);
    EXPECT_EQ(params.value1, 3);
    EXPECT_EQ(params.commitMode, 2);  // committed at once
    EXPECT_EQ(params.numEntries, 16);
    EXPECT_EQ(std::memcmp(&params.tag, &tag, 8), 0);
    for (size_t i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        const BVSS_SnapshotInfo& entry = entries.records[i];
        EXPECT_EQ(Bytes(params.entries[i].volumeSerialNumber, params.entries[i].volumeSerialNumber + 16),
                  Id(static_cast<uint8_t>(0x10 + i)));
        EXPECT_EQ(std::string(params.entries[i].name, strnlen(params.entries[i].name, 32)),
                  entry.mSnapshotName);
        EXPECT_EQ(std::string(entry.mSnapshotName, 3), "VSS");
        EXPECT_EQ(Bytes(entry.mSnapshot.mSerialNumber, entry.mSnapshot.mSerialNumber + 32), [&] {
            Bytes id = Id(static_cast<uint8_t>(0xC0 + i));
            id.resize(32, 0);
            return id;
        }());
        EXPECT_EQ(Bytes(entry.mSnapshot.mLunID, entry.mSnapshot.mLunID + 16),
                  Id(static_cast<uint8_t>(0xC0 + i)));
        EXPECT_EQ(entry.mCreated, 1u);
    }
    EXPECT_EQ(controller_->mSavedSnapshots, entries.list);

    // Prepared only (committed later): mode 1. Seventeen: refused before any request.
    Entries one(1);
    ASSERT_EQ(controller_->capiCreateSnapshots(one.list, tag, 0, 0), S_OK);
    EXPECT_EQ(Part<CAPI_CREATE_SNAPSHOTS_PARAMS>(Requests(RRE_CREATE_SNAPSHOT).back(), 12).commitMode, 1);
    Entries seventeen(17);
    const size_t before = RequestCount();
    EXPECT_THROW(
        {
            try {
                controller_->capiCreateSnapshots(seventeen.list, tag, 1, 0);
            } catch (HRESULT hr) {
                EXPECT_EQ(hr, VSS_E_PROVIDER_VETO);
                throw;
            }
        },
        HRESULT);
    EXPECT_THROW(controller_->capiCommitSnapshots(seventeen.list, tag, 0, 0), HRESULT);
    EXPECT_EQ(RequestCount(), before);
    EXPECT_NE(Events().find("capiCreateSnapshots(): Snapshot list too large with 17 snaps, limit is 16."),
              std::string::npos);
    EXPECT_EQ(seventeen.records[0].mSnapshotName[0], '\0');
}

TEST_F(SnapshotOperationsTest, ACreateAnsweredWithFewerIdsFailsAndDeletesWhatWasMade) {
    Entries entries(3);
    createdIds_ = 2;
    EXPECT_EQ(controller_->capiCreateSnapshots(entries.list, kFirstTag, 0, 0), VSS_E_PROVIDER_VETO);
    for (const BVSS_SnapshotInfo& entry : entries.records) {
        EXPECT_EQ(entry.mCreated, 0u);
        EXPECT_EQ(Bytes(entry.mSnapshot.mLunID, entry.mSnapshot.mLunID + 16), Bytes(16, 0));
    }
    const std::vector<Bytes> deleted = Requests(RRE_DELETE_PART);
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(Bytes(deleted[0].begin() + 16, deleted[0].begin() + 32), Id(0xC0));
    EXPECT_EQ(Bytes(deleted[1].begin() + 16, deleted[1].begin() + 32), Id(0xC1));
    EXPECT_NE(Log().find("snapshot create serial num list size mismatch.  Received 2, expected 3.\n"),
              std::string::npos);

    // A refused create made nothing: its own result, and nothing deleted.
    Script(RRE_CREATE_SNAPSHOT, {CAPI_ERROR_EXCEED_MAX_SNAPSHOT});
    EXPECT_EQ(controller_->capiCreateSnapshots(entries.list, kFirstTag, 0, 0),
              VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED);
    EXPECT_EQ(Requests(RRE_DELETE_PART).size(), 2u);
}

// The retry policy sends a create again when its reply was lost, although the first was carried out: the
// same request, tag and names included. The snapshots of the first try are found by their names and deleted;
// the recorded ones and another set's snapshot stay.
TEST_F(SnapshotOperationsTest, ACreateWhoseReplyIsLostIsSentAgainAndWhatItsFirstTryMadeIsDeleted) {
    Entries entries(2);
    lostReplies_[RRE_CREATE_SNAPSHOT] = 1;
    {
        std::lock_guard<std::mutex> locked(lock_);
        made_.push_back(providertest::PartitionEntry(0, 0, 0xD0, "VSS000000000000000"));
    }
    ASSERT_EQ(controller_->capiCreateSnapshots(entries.list, kFirstTag, 1, 0), S_OK);
    const std::vector<Bytes> sent = Requests(RRE_CREATE_SNAPSHOT);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Bytes(sent[0].begin() + 12, sent[0].begin() + 12 + kSnapshotRequestBytes),
              Bytes(sent[1].begin() + 12, sent[1].begin() + 12 + kSnapshotRequestBytes));
    EXPECT_EQ(entries.records[1].mCreated, 1u);
    std::vector<Bytes> deleted;
    for (const Bytes& request : Requests(RRE_DELETE_PART))
        deleted.emplace_back(request.begin() + 16, request.begin() + 32);
    EXPECT_EQ(deleted, (std::vector<Bytes>{Id(0xB0), Id(0xB1)}));
    EXPECT_TRUE(entries.records[0].mUnsweptNames.empty());
}

TEST_F(SnapshotOperationsTest, CommitFlagsTagsAndStaleTags) {
    const int32_t kStale = CAPI_ERROR_CREATE_SNAPSHOT_INVALID_TAG;
    const struct Case {
        const char* name;
        std::deque<int32_t> commitCodes;
        std::deque<int32_t> tagCodes;
        bool anyVirtual;
        HRESULT result;
        size_t commits;
    } cases[] = {
        // clang-format off
        {"at once", {}, {}, false, S_OK, 1},
        {"a virtual snapshot in the list", {}, {}, true, S_OK, 1},
        {"stale once, then committed under the tag read again", {kStale, 0}, {}, false, S_OK, 2},
        // The last try met a stale tag: a failure, though the tag was read again without fault.
        {"stale on every try", {kStale, kStale, kStale, kStale}, {}, false, VSS_E_PROVIDER_VETO, 4},
        {"stale on every try and the last tag read refused", {kStale, kStale, kStale, kStale},
         {0, 0, 0, CAPI_ERROR_EXCEED_MAX_SNAPSHOT}, false, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, 4},
        {"a failed tag read followed by a commit that succeeds", {kStale, 0}, {CAPI_ERROR_EXCEED_MAX_SNAPSHOT}, false,
         S_OK, 2},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::lock_guard<std::mutex> locked(lock_);
            requests_.clear();
            tagsRead_ = 0;
        }
        Script(RRE_COMMIT_SNAPSHOT, c.commitCodes);
        Script(RRE_DMS_GET_TAG, c.tagCodes);
        // The saved list is of an earlier create; the commit marks the entries it is given.
        Entries created(2, 0x10);
        ASSERT_EQ(controller_->capiCreateSnapshots(created.list, kFirstTag, 0, 0), S_OK);
        Entries committed(2, 0x20);
        for (size_t i = 0; i < 2; ++i)
            std::memset(committed.records[i].mSnapshot.mSerialNumber, 0xA0 + i, 16);
        committed.records[1].mSnapshot.mIsVirtual = c.anyVirtual ? 1 : 0;

        EXPECT_EQ(controller_->capiCommitSnapshots(committed.list, 0x99, 1, 0), c.result);
        const std::vector<Bytes> sent = Requests(RRE_COMMIT_SNAPSHOT);
        ASSERT_EQ(sent.size(), c.commits);
        const auto& first = Part<CAPI_SNAPSHOT_ID_PARAMS>(sent[0], 16);
        EXPECT_EQ(first.value0, c.anyVirtual ? 0 : 1);
        EXPECT_EQ(first.value1, c.anyVirtual ? 0 : 3);
        EXPECT_EQ(first.snapshots.numIds, 2);
        EXPECT_EQ(Bytes(first.snapshots.serialNumbers[1], first.snapshots.serialNumbers[1] + 16), Id(0xA1));
        EXPECT_EQ(std::memcmp(&first.tag, "\x99\0\0\0\0\0\0\0", 8), 0);
        // Each stale answer reads this controller's tag again, and the next try carries it.
        const std::vector<Bytes> tagReads = Requests(RRE_DMS_GET_TAG);
        size_t stale = 0;
        for (size_t i = 0; i < c.commits; ++i)
            stale += (i < c.commitCodes.size() && c.commitCodes[i] == kStale);
        ASSERT_EQ(tagReads.size(), stale);
        for (const Bytes& read : tagReads) EXPECT_EQ(read[12], 1);  // the failoverId
        if (c.commits == 2 && c.tagCodes.empty()) {
            const CAPI_U64 expected = U64(kFirstTag);
            EXPECT_EQ(std::memcmp(&Part<CAPI_SNAPSHOT_ID_PARAMS>(sent[1], 16).tag, &expected, 8), 0);
        }
        const uint32_t marked = SUCCEEDED(c.result) ? 1u : 0u;
        EXPECT_EQ(committed.records[0].mCommitted, marked);
        EXPECT_EQ(committed.records[1].mCommitted, marked);
        EXPECT_EQ(created.records[0].mCommitted, 0u);
    }
}

TEST_F(SnapshotOperationsTest, TagDeleteAndRollback) {
    uint64_t tag = 0;
    ASSERT_EQ(controller_->capiGetTag(&tag, 0, 0), S_OK);
    EXPECT_EQ(tag, kFirstTag);
    EXPECT_EQ(Requests(RRE_DMS_GET_TAG).back()[12], 0);
    EXPECT_EQ(controller_->mTag, &tag);
    EXPECT_THROW(controller_->capiGetTag(nullptr, 0, 0), HRESULT);
    EXPECT_NE(Log().find("capiGetTag(): NULL Capi Tag pointer.\n"), std::string::npos);

    const size_t before = RequestCount();
    EXPECT_EQ(controller_->capiDeleteSnapshot(nullptr, 0), kProviderBadArgument);
    EXPECT_EQ(RequestCount(), before);
    const Bytes snapshot = Id(0x51);
    ASSERT_EQ(controller_->capiDeleteSnapshot(snapshot.data(), 0), S_OK);
    const Bytes deleted = Requests(RRE_DELETE_PART).back();
    EXPECT_EQ(Bytes(deleted.begin() + 16, deleted.begin() + 32), snapshot);
    EXPECT_EQ(Bytes(deleted.begin() + 32, deleted.begin() + 48), Bytes(16, 0));

    // The master volume is mapped at LUN 0: one request, refused, with the LUN 0 event.
    const Bytes master = Id(0x52);
    Script(RRE_ROLLBACK_MASTER_VOLUME, {CAPI_ERROR_NOT_ALLOWED_WITH_ASSIGNED_LUN});
    EXPECT_EQ(controller_->rollbackSnapshot(snapshot.data(), master.data()), VSS_E_PROVIDER_VETO);
    const std::vector<Bytes> rollbacks = Requests(RRE_ROLLBACK_MASTER_VOLUME);
    ASSERT_EQ(rollbacks.size(), 1u);
    const auto& params = Part<CAPI_ROLLBACK_PARAMS>(rollbacks[0], 16);
    EXPECT_EQ(Bytes(params.reserved0, params.reserved0 + 16), snapshot);
    EXPECT_EQ(Bytes(params.masterVolumeSerialNumber, params.masterVolumeSerialNumber + 16), master);
    EXPECT_EQ(params.reserved32[0], 0);
    EXPECT_NE(Events().find("The VSS Hardware Provider cannot resync a volume mapped to LUN 0."),
              std::string::npos);
    EXPECT_EQ(controller_->rollbackSnapshot(snapshot.data(), master.data()), S_OK);
}

// The controller's vdisks for full copies: vd0 holds the volumes 0x10, 0x11 and 0x12 (preferred owner 1).
class FullCopyTest : public SnapshotOperationsTest {
  protected:
    static constexpr uint64_t kVolumeBlocks = 1000;

    void SetUp() override {
        SnapshotOperationsTest::SetUp();
        for (uint8_t v = 0; v < 3; ++v) AddVolume(0, v, static_cast<uint8_t>(0x10 + v));
    }
    // Vdisks by free-segment capacity and preferred owner, their IDs 0xA0, 0xA1, ...
    void Vdisks(std::vector<std::pair<uint64_t, uint8_t>> vdisks) {
        controller_->mNumArrays = static_cast<uint32_t>(vdisks.size());
        for (size_t a = 0; a < vdisks.size(); ++a) {
            CAPI_ARRAY& array = controller_->mArrays[a];
            std::memset(array.serialNumber, 0xA0 + static_cast<int>(a), 16);
            array.serialNumberLength = 16;
            std::snprintf(array.name, sizeof array.name, "vd%zu", a);
            array.maxNewPartitionSize = U64(vdisks[a].first);
            array.preferredOwner = vdisks[a].second;
        }
    }
    void AddVolume(uint8_t array, uint16_t index, uint8_t id) {
        API_PARTITION_ENTRY& entry = controller_->mPartitions[controller_->mPartitionCount++];
        entry.arrayIndex = array;
        entry.partitionIndex = index;
        CAPI_ARRAY_PARTITION& p = entry.partition;
        std::memset(p.serialNumber, id, 16);
        std::memset(p.arraySerialNumber, 0xA0 + array, 16);
        p.size = U64(kVolumeBlocks);
        p.preferredOwner = 1;
        controller_->mPartitionTable[array][index] = &p;
        ++controller_->mNumPartitions[array];
    }
    HRESULT Target(uint8_t volume, Bytes* vdisk) {
        const Bytes id = Id(volume);
        vdisk->assign(16, 0xFF);
        return controller_->findRolloffVdisk(id.data(), 32, vdisk->data(), 16);
    }
};

TEST_F(FullCopyTest, TheVdiskAFullCopyGoesTo) {
    const uint64_t room = kVolumeBlocks;
    const uint64_t none = kVolumeBlocks - 1;
    const struct {
        const char* name;
        std::vector<std::pair<uint64_t, uint8_t>> vdisks;
        HRESULT result;
        uint8_t target;
    } cases[] = {
        // clang-format off
        {"the first other vdisk of the same owner with room", {{room, 1}, {none, 1}, {room, 0}, {room, 1}}, S_OK, 0xA3},
        {"only its own vdisk has room", {{room, 1}, {none, 1}}, S_OK, 0xA0},
        {"room only on a vdisk of the other owner", {{none, 1}, {room, 0}}, S_OK, 0xA0},
        {"no room anywhere", {{none, 1}, {none, 0}}, VSS_E_INSUFFICIENT_STORAGE, 0xA0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Vdisks(c.vdisks);
        Bytes vdisk;
        EXPECT_EQ(Target(0x11, &vdisk), c.result);
        EXPECT_EQ(vdisk, Id(c.target));
    }
    Bytes vdisk;
    EXPECT_EQ(Target(0x77, &vdisk), VSS_E_OBJECT_NOT_FOUND);  // not a volume of this controller
    EXPECT_EQ(controller_->findRolloffVdisk(nullptr, 32, vdisk.data(), 16), kProviderBadArgument);
}

TEST_F(FullCopyTest, EveryEntryIsStartedAndTheFirstFailureIsTheResult) {
    Vdisks({{kVolumeBlocks, 1}, {kVolumeBlocks, 1}});
    Entries entries(3);
    // The second copy is refused on all four tries; the third starts.
    Script(RRE_ROLLOFF_VOLUME, {0, 7, 7, 7, 7, 0});
    EXPECT_EQ(controller_->capiRolloffVolumes(entries.list, 0, 0), VSS_E_PROVIDER_VETO);
    const std::vector<Bytes> sent = Requests(RRE_ROLLOFF_VOLUME);
    ASSERT_EQ(sent.size(), 6u);
    const Bytes& third = sent.back();
    EXPECT_EQ(Bytes(third.begin() + 12, third.begin() + 28), Id(0x12));
    EXPECT_EQ(Bytes(third.begin() + 28, third.begin() + 44), Id(0xA1));  // the other vdisk of the same owner
    const std::string name(reinterpret_cast<const char*>(third.data()) + 52);
    EXPECT_EQ(name, entries.records[2].mSnapshotName);
    EXPECT_EQ(Part<CAPI_ROLLOFF_PARAMS>(third, 12).value72, 1u);
    EXPECT_EQ(entries.records[0].mCreated, 1u);
    EXPECT_EQ(Bytes(entries.records[0].mSnapshot.mLunID, entries.records[0].mSnapshot.mLunID + 16), Id(0xE0));
    EXPECT_EQ(entries.records[1].mCreated, 0u);
    EXPECT_EQ(entries.records[2].mCreated, 1u);
    EXPECT_EQ(
        Bytes(entries.records[2].mSnapshot.mSerialNumber, entries.records[2].mSnapshot.mSerialNumber + 16),
        Id(0xE1));
    EXPECT_EQ(controller_->mSavedSnapshots, entries.list);

    // A volume with no vdisk to go to ends the call: the later entries are not started.
    Entries unknown(2, 0x77);
    const size_t before = Requests(RRE_ROLLOFF_VOLUME).size();
    EXPECT_EQ(controller_->capiRolloffVolumes(unknown.list, 0, 0), VSS_E_OBJECT_NOT_FOUND);
    EXPECT_EQ(Requests(RRE_ROLLOFF_VOLUME).size(), before);
    EXPECT_NE(
        Events().find("capiRolloffVolumes(): Cann't find vdisk to create rolloff partition on:rolloff=#0, "
                      "original volume id=77777777777777777777777777777777."),
        std::string::npos);
}

TEST_F(SnapshotOperationsTest, NamesFollowTheClockWithACounterWithinOneMillisecond) {
    clock_->Advance(45);  // 2026-05-28 20:26:40.045 UTC, a millisecond no other test names in
    char names[4][32];
    for (char* name : {names[0], names[1], names[2]})
        BVSS_CapiRaidController::makeSnapshotName("VSS", name, 32);
    EXPECT_STREQ(names[0], "VSS260528202640045");
    EXPECT_STREQ(names[1], "VSS2605282026400451");
    EXPECT_STREQ(names[2], "VSS2605282026400452");
    clock_->Advance(1);
    BVSS_CapiRaidController::makeSnapshotName("VSS", names[3], 32);
    EXPECT_STREQ(names[3], "VSS260528202640046");
    char shortName[8];
    EXPECT_EQ(BVSS_CapiRaidController::makeSnapshotName("VSS", shortName, sizeof shortName), 0);
    EXPECT_STREQ(shortName, "VSS2605");
}

}  // namespace
