// Snapshots across the controllers of the set, against a scripted controller pair behind the proxy: one
// request per owning controller, fail-over to the next controller of the lead's list, the commit, the
// wait for full copies on virtual time (its stall limit and the unload that ends it), the discovery flag
// and the host-port query.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/retry_policy.h"
#include "provider/controllers/unload_signal.h"
#include "tests/unit/provider/controller_read.h"
#include "tests/unit/provider/proxy_wire.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::NetworkReply;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;

constexpr int32_t kHandleA = 0x100;
constexpr int32_t kHandleB = 0x200;
constexpr uint32_t kDifferential = VSS_VOLSNAP_ATTR_DIFFERENTIAL;
constexpr uint32_t kFullCopy = VSS_VOLSNAP_ATTR_PLEX;
constexpr int32_t kRefused = 47;  // a code the retry policy tries 4 times

void PutHostWord(uint8_t* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }

// A volume's partition ID: its array in the first byte, its number in the second.
std::array<uint8_t, 16> VolumeId(uint8_t array, uint8_t number) {
    std::array<uint8_t, 16> id{};
    id[0] = static_cast<uint8_t>(0x50 + array);
    id[1] = number;
    id[15] = 0xEE;
    return id;
}

// One request the scripted pair received.
struct Request {
    uint32_t opCode;
    int32_t handle;
    uint64_t timeMs;
    uint8_t selector;  // DMS_GET_TAG
    uint8_t count;     // CREATE_SNAPSHOT, COMMIT_SNAPSHOT
};

// A full copy's row in the rolloff list as the array reports it at a time.
struct CopyRow {
    std::array<uint8_t, 16> source;
    uint8_t percent;
    uint32_t status;
};

// Controllers A and B of one pair behind the proxy: refusals per handle and command, made-up snapshot IDs,
// tags per failoverId, and full-copy rows that a test computes from the time.
class ScriptedPair {
  public:
    ScriptAction Answer(const ProxyMessage& request) {
        const uint32_t code = request.header.OpCode;
        const uint8_t* data = request.data.data();
        const int32_t handle =
            request.data.size() >= 12 ? static_cast<int32_t>(ReadBigEndian32(data + 8)) : 0;
        if (code == RRE_GET_CONTROLLER && request.data.size() >= 4) {
            const int32_t id = static_cast<int32_t>(ReadBigEndian32(data));
            std::lock_guard<std::mutex> g(lock_);
            requests_.push_back(Request{code, id, platform::GetClock().NowMs(), 0, 0});
            return ScriptAction{{ReplyTo(request, controllerRead_(id))}, false};
        }
        std::vector<uint8_t> reply(request.data.size() < 8 ? 8 : request.data.size(), 0);
        Request seen{code, handle, platform::GetClock().NowMs(), 0, 0};
        uint32_t answer = 0;
        {
            std::lock_guard<std::mutex> g(lock_);
            auto refusal = refusals_.find({handle, code});
            if (refusal != refusals_.end()) answer = static_cast<uint32_t>(refusal->second);
            if (code == RRE_DMS_GET_TAG) {
                seen.selector = data[12];
                PutHostWord(reply.data() + 20, static_cast<uint32_t>(0x7000 + ++tags_));
            } else if (code == RRE_CREATE_SNAPSHOT) {
                seen.count = data[12 + 3];
                const uint8_t made = seen.count > createIdsShort_ ? seen.count - createIdsShort_ : 0;
                reply[876] = made;
                for (uint8_t i = 0; i < made; ++i) {
                    reply[876 + 8 + 16 * i] = 0x5A;
                    reply[876 + 8 + 16 * i + 1] = static_cast<uint8_t>(++snapshots_);
                }
            } else if (code == RRE_COMMIT_SNAPSHOT) {
                seen.count = data[16 + 16];
            } else if (code == RRE_GET_ROLLOFF_VOLUME_LIST && answer == 0) {
                const std::vector<CopyRow> rows = copies_ ? copies_(seen.timeMs) : std::vector<CopyRow>{};
                PutHostWord(reply.data() + 16, static_cast<uint32_t>(rows.size()));
                for (size_t j = 0; j < rows.size(); ++j) {
                    auto* row = reinterpret_cast<CAPI_ROLLOFF_VOLUME*>(reply.data() + 20 +
                                                                       j * sizeof(CAPI_ROLLOFF_VOLUME));
                    std::memcpy(row->sourceSerialNumber, rows[j].source.data(), 16);
                    row->percentComplete = rows[j].percent;
                    row->status = rows[j].status;
                }
            } else if (code == RRE_SET_DISCOVERY_FLAG && !discoveryCodes_.empty()) {
                answer = static_cast<uint32_t>(discoveryCodes_.front());
                if (discoveryCodes_.size() > 1) discoveryCodes_.erase(discoveryCodes_.begin());
            } else if (code == RRE_GET_CONNECT_HBA_WWPN_LIST && answer == 0) {
                PutHostWord(reply.data() + 12, 1);
                std::memset(reply.data() + 16, static_cast<uint8_t>(handle >> 8), 8);
            }
            requests_.push_back(seen);
        }
        PutHostWord(reply.data() + 4, answer);
        return ScriptAction{{ReplyTo(request, NetworkReply(code, reply))}, false};
    }

    void Refuse(int32_t handle, uint32_t code, int32_t answer) {
        std::lock_guard<std::mutex> g(lock_);
        refusals_[{handle, code}] = answer;
    }
    void CreateAnswersShort(uint8_t missing) { createIdsShort_ = missing; }
    // What a controller read of a handle answers.
    void SetControllerRead(std::function<std::vector<uint8_t>(int32_t handle)> read) {
        controllerRead_ = std::move(read);
    }
    void SetCopies(std::function<std::vector<CopyRow>(uint64_t nowMs)> copies) {
        copies_ = std::move(copies);
    }
    // The codes of the discovery-flag answers in turn; the last one stays.
    void SetDiscoveryCodes(std::vector<int32_t> codes) { discoveryCodes_ = std::move(codes); }
    // The requests of one command (every command for 0), in order.
    std::vector<Request> Requests(uint32_t code = 0) {
        std::lock_guard<std::mutex> g(lock_);
        std::vector<Request> matching;
        for (const Request& r : requests_)
            if (code == 0 || r.opCode == code) matching.push_back(r);
        return matching;
    }

  private:
    std::mutex lock_;
    std::map<std::pair<int32_t, uint32_t>, int32_t> refusals_;
    std::vector<Request> requests_;
    uint32_t tags_ = 0;
    uint8_t snapshots_ = 0;
    uint8_t createIdsShort_ = 0;
    std::function<std::vector<CopyRow>(uint64_t)> copies_;
    std::function<std::vector<uint8_t>(int32_t)> controllerRead_;
    std::vector<int32_t> discoveryCodes_;
};

class ControllerSetSnapshotsTest : public providertest::SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) { return pair_.Answer(request); });
        ASSERT_EQ(ProxyInit(), 0);
        set_ = std::make_unique<BVSS_RaidControllerSet>();
        a_ = AddController(kHandleA, 1, "SN-A", "SN-B");
        b_ = AddController(kHandleB, 0, "SN-B", "SN-A");
        // A controller read answers the controller's data as it stands: the array made nothing unrecorded.
        pair_.SetControllerRead([this](int32_t handle) {
            return providertest::ControllerReadOf(handle == kHandleA ? *a_ : *b_);
        });
    }
    void TearDown() override {
        set_.reset();
        CloseCapiSleepTimer();
        SessionTest::TearDown();
    }

    // A controller of the pair seeing both vdisks: vd0 owned by A (failoverId 1), vd1 by B, each with
    // `volumesPerArray` master volumes.
    BVSS_CapiRaidController* AddController(int32_t handle, uint8_t failoverId, const char* serial,
                                           const char* partner) {
        auto controller = std::make_unique<BVSS_CapiRaidController>();
        controller->mHandle = handle;
        CAPI_CONTROLLER& data = controller->mControllerData;
        data.capabilities = 1;
        data.failover.failoverId = failoverId;
        std::strncpy(reinterpret_cast<char*>(data.serialNumber), serial, sizeof data.serialNumber);
        std::strncpy(reinterpret_cast<char*>(data.failover.otherSerialNumber), partner,
                     sizeof data.failover.otherSerialNumber);
        controller->mNumArrays = 2;
        for (uint8_t a = 0; a < 2; ++a) {
            CAPI_ARRAY& array = controller->mArrays[a];
            std::snprintf(array.name, sizeof array.name, "vd%u", a);
            array.serialNumber[0] = static_cast<uint8_t>(0xA0 + a);
            array.serialNumberLength = 16;
            array.currentOwner = a == 0 ? 1 : 0;
            array.preferredOwner = array.currentOwner;
            for (uint8_t v = 0; v < kVolumesPerArray; ++v) {
                API_PARTITION_ENTRY& entry = controller->mPartitions[controller->mPartitionCount++];
                entry.arrayIndex = a;
                entry.partitionIndex = v;
                const auto id = VolumeId(a, v);
                std::memcpy(entry.partition.serialNumber, id.data(), id.size());
                std::snprintf(entry.partition.name, sizeof entry.partition.name, "vol%u%u", a, v);
                entry.partition.specialClass = kClassSnapshotFamily;
                entry.partition.type = CAPI_PTSNAP_MASTER_VOLUME;
                controller->mPartitionTable[a][v] = &entry.partition;
                ++controller->mNumPartitions[a];
            }
        }
        set_->mControllers.push_back(std::move(controller));
        return set_->mControllers.back().get();
    }

    // A snapshot entry of volume `number` of vdisk `array`, seen by A and then B.
    BVSS_SnapshotInfo Entry(uint8_t array, uint8_t number) const {
        BVSS_SnapshotInfo entry;
        const auto id = VolumeId(array, number);
        std::memcpy(entry.mSource.mSerialNumber, id.data(), id.size());
        entry.mControllers = {a_, b_};
        entry.mSource.mController = a_;
        entry.mSnapshot.mController = a_;
        return entry;
    }

    static constexpr uint8_t kVolumesPerArray = 2;
    ScriptedPair pair_;
    std::unique_ptr<BVSS_RaidControllerSet> set_;
    BVSS_CapiRaidController* a_ = nullptr;
    BVSS_CapiRaidController* b_ = nullptr;
};

TEST_F(ControllerSetSnapshotsTest, OneRequestPerOwnerInOrderOfFirstAppearanceThenOneCommitEach) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0), Entry(1, 0), Entry(0, 1), Entry(1, 1)};
    ASSERT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), S_OK) << Log();

    const std::vector<Request> tags = pair_.Requests(RRE_DMS_GET_TAG);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].selector, 1);  // vd0's owner, A
    EXPECT_EQ(tags[1].selector, 0);
    const std::vector<Request> creates = pair_.Requests(RRE_CREATE_SNAPSHOT);
    ASSERT_EQ(creates.size(), 2u);
    for (const Request& r : creates) {
        EXPECT_EQ(r.handle, kHandleA);  // both leads name A first
        EXPECT_EQ(r.count, 2);
    }
    for (const BVSS_SnapshotInfo& entry : list) {
        EXPECT_EQ(entry.mCreated, 1u);
        EXPECT_EQ(entry.mSnapshot.mSerialNumber[0], 0x5A);
    }
    EXPECT_NE(list[0].mTag, list[1].mTag);  // each lead holds its own group's tag
    EXPECT_NE(Log().find("snapshotListForController(): 2 snapshots for controller, 2 snapshots remaining.\n"),
              std::string::npos);

    ASSERT_EQ(set_->commitSnapshots(list, 1, kDifferential, 1), S_OK) << Log();
    const std::vector<Request> commits = pair_.Requests(RRE_COMMIT_SNAPSHOT);
    ASSERT_EQ(commits.size(), 2u);
    EXPECT_EQ(commits[0].count, 2);
    for (const BVSS_SnapshotInfo& entry : list) EXPECT_EQ(entry.mCommitted, 1u);
    EXPECT_NE(Log().find("commitSnapshots() returning 0x00000000\n"), std::string::npos);

    // Neither context bit: no request, every group counts as done.
    const size_t before = pair_.Requests().size();
    EXPECT_EQ(set_->createSnapshots(list, 0, 1, 0, 1), S_OK);
    EXPECT_EQ(pair_.Requests().size(), before);
}

TEST_F(ControllerSetSnapshotsTest, ARefusedCreateMovesTheGroupToTheNextControllerWithANewTag) {
    pair_.Refuse(kHandleA, RRE_CREATE_SNAPSHOT, kRefused);
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0), Entry(0, 1)};
    ASSERT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), S_OK) << Log();

    const std::vector<Request> creates = pair_.Requests(RRE_CREATE_SNAPSHOT);
    ASSERT_EQ(creates.size(), 5u);  // four tries on A, one on B
    EXPECT_EQ(creates.back().handle, kHandleB);
    const std::vector<Request> tags = pair_.Requests(RRE_DMS_GET_TAG);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[1].handle, kHandleB);
    EXPECT_EQ(tags[1].selector, 1);  // still the owner's tag, read through B
    EXPECT_NE(Log().find("createSnapshots(): Caught error 2147754758, retrying with next controller."),
              std::string::npos);
    EXPECT_EQ(list[0].mSource.mController, b_);
    EXPECT_EQ(list[0].mSnapshot.mController, b_);
    EXPECT_EQ(list[0].mControllers, std::vector<BVSS_CapiRaidController*>{b_});
    EXPECT_EQ(list[1].mSource.mController, a_);  // only the lead changes
    EXPECT_EQ(list[1].mControllers.size(), 2u);

    // The commit starts with the controller that last succeeded.
    ASSERT_EQ(set_->commitSnapshots(list, 1, kDifferential, 1), S_OK);
    const std::vector<Request> commits = pair_.Requests(RRE_COMMIT_SNAPSHOT);
    ASSERT_EQ(commits.size(), 1u);
    EXPECT_EQ(commits[0].handle, kHandleB);
}

TEST_F(ControllerSetSnapshotsTest, WhenEveryControllerFailsCreateReturnsAndCommitThrowsTheLastError) {
    pair_.Refuse(kHandleA, RRE_CREATE_SNAPSHOT, kRefused);
    pair_.Refuse(kHandleB, RRE_DMS_GET_TAG, kRefused);
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0)};
    EXPECT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), VSS_E_PROVIDER_VETO);
    EXPECT_NE(Log().find("createSnapshots(): Caught error 0x80042306, no more controllers to try."),
              std::string::npos);
    EXPECT_TRUE(list[0].mControllers.empty());

    std::vector<BVSS_SnapshotInfo> committed = {Entry(0, 0)};
    pair_.Refuse(kHandleA, RRE_COMMIT_SNAPSHOT, kRefused);
    pair_.Refuse(kHandleB, RRE_COMMIT_SNAPSHOT, kRefused);
    try {
        set_->commitSnapshots(committed, 1, kDifferential, 1);
        ADD_FAILURE() << "no error thrown";
    } catch (HRESULT error) {
        EXPECT_EQ(error, VSS_E_PROVIDER_VETO);
    }
    EXPECT_EQ(pair_.Requests(RRE_COMMIT_SNAPSHOT).size(), 8u);  // four tries on each
}

TEST_F(ControllerSetSnapshotsTest, TheSnapshotLimitEndsTheCreateWithoutAskingTheNextController) {
    pair_.Refuse(kHandleA, RRE_CREATE_SNAPSHOT, CAPI_ERROR_EXCEED_MAX_SNAPSHOT);
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0), Entry(1, 0)};
    EXPECT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED);
    const std::vector<Request> creates = pair_.Requests(RRE_CREATE_SNAPSHOT);
    ASSERT_EQ(creates.size(), 1u);  // the second group is not sent either
    EXPECT_EQ(list[0].mControllers.size(), 2u);
}

TEST_F(ControllerSetSnapshotsTest, SeventeenSnapshotsForOneOwnerAreRefusedByEveryController) {
    std::vector<BVSS_SnapshotInfo> list;
    for (int i = 0; i < 17; ++i) list.push_back(Entry(0, static_cast<uint8_t>(i % kVolumesPerArray)));
    EXPECT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), VSS_E_PROVIDER_VETO);
    EXPECT_TRUE(pair_.Requests(RRE_CREATE_SNAPSHOT).empty());
    EXPECT_EQ(pair_.Requests(RRE_DMS_GET_TAG).size(), 2u);
    EXPECT_NE(Log().find("createSnapshots(): Caught error 0x80042306, no more controllers to try."),
              std::string::npos);
}

// A group whose lead has no controller left is a failure, never a group done: nothing is sent.
TEST_F(ControllerSetSnapshotsTest, AGroupWithNoControllerLeftFailsEveryOperation) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0), Entry(1, 0)};
    list[0].mControllers.clear();
    EXPECT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), VSS_E_PROVIDER_VETO);
    EXPECT_THROW(set_->commitSnapshots(list, 1, kDifferential, 1), HRESULT);
    EXPECT_TRUE(pair_.Requests().empty());
    EXPECT_EQ(list[1].mCreated, 0u);  // the group after it was not sent either
}

TEST_F(ControllerSetSnapshotsTest, AnUnknownVolumeEndsTheOperationWithTheLookupError) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0), Entry(1, 0)};
    list[1].mSource.mSerialNumber[0] = 0x99;
    EXPECT_EQ(set_->createSnapshots(list, 0, 1, kDifferential, 1), VSS_E_OBJECT_NOT_FOUND);
    EXPECT_TRUE(pair_.Requests().empty());  // the split of the first group already meets it
}

TEST_F(ControllerSetSnapshotsTest, TheSplitKeepsOrderAndMayWriteItsSourceAsTheRest) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(1, 0), Entry(0, 0), Entry(1, 1)};
    std::vector<BVSS_SnapshotInfo*> remaining;
    BVSS_RaidControllerSet::copySnapshotList(list, &remaining);
    std::vector<BVSS_SnapshotInfo*> group = {&list[0]};
    ASSERT_EQ(set_->snapshotListForController("SN-B", remaining, &group, &remaining), S_OK);
    EXPECT_EQ(group, (std::vector<BVSS_SnapshotInfo*>{&list[0], &list[2]}));
    EXPECT_EQ(remaining, std::vector<BVSS_SnapshotInfo*>{&list[1]});

    list[1].mSource.mSerialNumber[0] = 0x99;  // a failed split leaves the outputs as they were
    std::vector<BVSS_SnapshotInfo*> all;
    BVSS_RaidControllerSet::copySnapshotList(list, &all);
    EXPECT_EQ(set_->snapshotListForController("SN-B", all, &group, &remaining), VSS_E_OBJECT_NOT_FOUND);
    EXPECT_EQ(group.size(), 2u);
    EXPECT_NE(Log().find("snapshotListForController(): returning 0x80042308.\n"), std::string::npos);
}

// A full copy that starts at 40 % and completes after 30 s: polled every 5 s until its row shows 100 %.
TEST_F(ControllerSetSnapshotsTest, AwaitPollsAFullCopyEveryFiveSecondsUntilItCompletes) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0), Entry(1, 0)};
    const uint64_t start = clock_->NowMs();
    const auto source = VolumeId(0, 0);
    pair_.SetCopies([&](uint64_t now) {
        const uint64_t elapsed = now - start;
        const uint8_t percent = elapsed >= 30000 ? 100 : static_cast<uint8_t>(40 + elapsed * 60 / 30000);
        return std::vector<CopyRow>{{VolumeId(9, 9), 10, 1}, {source, percent, percent == 100 ? 0u : 1u}};
    });
    ASSERT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), S_OK) << Log();
    const std::vector<Request> polls = pair_.Requests(RRE_GET_ROLLOFF_VOLUME_LIST);
    // vd0's group: at 0, 5, ..., 30 s; vd1's group (no row of its own) once, at once.
    ASSERT_EQ(polls.size(), 8u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(polls[i].timeMs - start, i * 5000) << i;
    EXPECT_EQ(polls[7].timeMs - start, 30000u);
    EXPECT_NE(Log().find("awaitSnapshots(): Sleep 5s to await the rolloff completion."), std::string::npos);
    EXPECT_NE(Log().find(", percent complete = 40, i = 0, j = 1 .\n"), std::string::npos);

    // The differential context waits for nothing.
    const size_t before = pair_.Requests().size();
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kDifferential | kFullCopy, 1), S_OK);
    EXPECT_EQ(pair_.Requests().size(), before);
    EXPECT_NE(Log().find("awaitSnapshots(): Context=0x60000.\n"), std::string::npos);
}

// A copy whose status bit 0 is clear is not running, whatever its percent; a list without rows ends the
// wait at once.
TEST_F(ControllerSetSnapshotsTest, AwaitEndsOnAClearedRunningBitOrAnEmptyList) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0)};
    pair_.SetCopies([&](uint64_t) { return std::vector<CopyRow>{{VolumeId(0, 0), 40, 0}}; });
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), S_OK);
    pair_.SetCopies(nullptr);
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), S_OK);
    EXPECT_EQ(pair_.Requests(RRE_GET_ROLLOFF_VOLUME_LIST).size(), 2u);
}

// A copy whose percent stays put fails the wait after the stall limit (a provider parameter); a copy that
// moves, however slowly, does not.
TEST_F(ControllerSetSnapshotsTest, AStalledFullCopyFailsAfterTheStallLimit) {
    EXPECT_EQ(ProviderParameters().FullCopyStallSeconds, 3600u);  // the default: an hour
    root_.SetDword(kProviderParametersKey, "FullCopyStallSeconds", 60);
    readProviderParameters();
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0)};
    const uint64_t start = clock_->NowMs();
    pair_.SetCopies([&](uint64_t now) {
        // Moves one percent a minute for two minutes, then stalls at 42 %.
        const uint64_t minutes = (now - start) / 60000;
        return std::vector<CopyRow>{
            {VolumeId(0, 0), static_cast<uint8_t>(40 + (minutes < 2 ? minutes : 2)), 1}};
    });
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), VSS_E_PROVIDER_VETO);
    const std::vector<Request> polls = pair_.Requests(RRE_GET_ROLLOFF_VOLUME_LIST);
    ASSERT_FALSE(polls.empty());
    EXPECT_EQ(polls.back().timeMs - start, 180000u);  // at 42 % since 120 s, given up 60 s later
    EXPECT_NE(Log().find("awaitSnapshots(): no full copy has progressed for 60 seconds, giving up.\n"),
              std::string::npos);
    EXPECT_EQ(list[0].mControllers.size(), 2u);  // a stall is no controller's failure
}

TEST_F(ControllerSetSnapshotsTest, AnUnloadEndsTheWaitForFullCopies) {
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0)};
    pair_.SetCopies([&](uint64_t) { return std::vector<CopyRow>{{VolumeId(0, 0), 40, 1}}; });
    const uint64_t start = clock_->NowMs();
    clock_->At(clock_->MonotonicMs() + 12000, [this] { set_->mUnload.Signal(); });
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(clock_->NowMs() - start, 12000u);
    EXPECT_EQ(pair_.Requests(RRE_GET_ROLLOFF_VOLUME_LIST).size(), 3u);  // at 0, 5 and 10 s
}

TEST_F(ControllerSetSnapshotsTest, AwaitMovesToTheNextControllerWhenTheListCannotBeRead) {
    pair_.Refuse(kHandleA, RRE_GET_ROLLOFF_VOLUME_LIST, kRefused);
    std::vector<BVSS_SnapshotInfo> list = {Entry(0, 0)};
    pair_.SetCopies([&](uint64_t) { return std::vector<CopyRow>{}; });
    EXPECT_EQ(set_->awaitSnapshots(list, 1, kFullCopy, 1), S_OK);
    const std::vector<Request> polls = pair_.Requests(RRE_GET_ROLLOFF_VOLUME_LIST);
    ASSERT_EQ(polls.size(), 5u);  // four tries on A, one on B
    EXPECT_EQ(polls.back().handle, kHandleB);
    EXPECT_NE(Log().find("awaitSnapshots(): Caught error 2147754758, retrying with next controller."),
              std::string::npos);
}

TEST_F(ControllerSetSnapshotsTest, TheDiscoveryFlagIsSentUpToThreeTimes) {
    pair_.SetDiscoveryCodes({5, 5, 0});
    EXPECT_EQ(set_->capiSetDiscvoryFlag(0), 0);
    EXPECT_EQ(pair_.Requests(RRE_SET_DISCOVERY_FLAG).size(), 3u);
    pair_.SetDiscoveryCodes({7});
    EXPECT_EQ(set_->capiSetDiscvoryFlag(1), 7);
    EXPECT_EQ(pair_.Requests(RRE_SET_DISCOVERY_FLAG).size(), 6u);
    EXPECT_NE(Log().find("capiSetDiscvoryFlag() returning 0x00000007\n"), std::string::npos);
}

TEST_F(ControllerSetSnapshotsTest, HostPortsComeFromTheFirstControllerThatAnswers) {
    EXPECT_EQ(set_->capiGetHbaWwpnList(nullptr, 1), kProviderBadArgument);
    pair_.Refuse(kHandleA, RRE_GET_CONNECT_HBA_WWPN_LIST, kRefused);
    std::vector<FlexIDEntry> ports;
    ASSERT_EQ(set_->capiGetHbaWwpnList(&ports, 1), S_OK);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].mWwpn[0], kHandleB >> 8);
    EXPECT_NE(Log().find("capiGetHbaWwpnList(): Get Hba list success.\n"), std::string::npos);

    BVSS_RaidControllerSet empty;
    EXPECT_EQ(empty.capiGetHbaWwpnList(&ports, 1), S_OK);
}

}  // namespace
