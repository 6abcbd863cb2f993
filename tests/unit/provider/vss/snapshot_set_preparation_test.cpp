// The provider object's preparation of a snapshot set against a scripted proxy's controller pair: volumes
// of one set appended in order and then carried through the sequence methods, the checks that fail a call
// and abort the whole set (with their events), the snapshot limits by context, how a new call treats the
// set an earlier one left in each state, and LUNs recorded once only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/files/file_calls.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/provider_registry.h"
#include "provider/vss/hardware_provider.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/provider_peer.h"
#include "tests/unit/provider/vds_lun_fixture.h"

namespace {

using Peer = BVSS_HardwareProviderTestPeer;

using providertest::Controller;
using providertest::IdText;
using providertest::LunRecords;
using providertest::LunSpec;
using providertest::Volume;

constexpr VSS_ID kSet = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
constexpr VSS_ID kOtherSet = {0x76543210, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
constexpr VSS_ID kSnapshotId = {0x0BADF00D, 0x1, 0x2, {0, 0, 0, 0, 0, 0, 0, 3}};

constexpr LONG kDefault = 0;  // neither kind: an ordinary backup, made differential
constexpr LONG kDifferential = VSS_VOLSNAP_ATTR_DIFFERENTIAL;
constexpr LONG kFullCopy = VSS_VOLSNAP_ATTR_PLEX;

// Volumes of the pair: vd1 (array 0) is owned by controller A, vd2 (array 1) by controller B.
constexpr uint8_t kMasterOnA = 0x5A;
constexpr uint8_t kMasterOnB = 0x6B;
constexpr uint8_t kSecondMasterOnA = 0x7C;
constexpr uint8_t kStandardOnA = 0x8D;
constexpr uint8_t kPagedOnB = 0x9E;
constexpr uint8_t kSnapshotOnA = 0xAB;
constexpr uint8_t kUnknown = 0x11;

std::vector<Volume> PairVolumes() {
    return {{"masterA", kMasterOnA, 0, 1, 2},        {"masterB", kMasterOnB, 1, 1, 2},
            {"masterA2", kSecondMasterOnA, 0, 1, 2}, {"standardA", kStandardOnA, 0},
            {"pagedB", kPagedOnB, 1, 0, 0, 1},       {"snapA", kSnapshotOnA, 0, 1, 3}};
}

class SnapshotSetPreparationTest : public providertest::ControllerSetTest {
  protected:
    void SetUp() override {
        ControllerSetTest::SetUp();
        subsystems_ = {{"PAIR-1", 0x101, 0x102}};
        controllers_[0x101] = Controller("SN-A1").Partner("SN-B1").Firmware("V1.2").With(PairVolumes());
        controllers_[0x102] = Controller("SN-B1").B().Partner("SN-A1").Firmware("V1.2").With(PairVolumes());
        proxy_.SetScript(
            [this](const providertest::ProxyMessage& request) { return AnswerSnapshots(request); });
        provider_ = ComObject<BVSS_HardwareProvider>::New(&module_, nullptr);
        provider_->Inner()->AddRef();
        ASSERT_EQ(Peer::Controllers(*provider_).mControllers.size(), 2u);
        std::remove(platform::EventLogPath().c_str());
    }
    void TearDown() override {
        provider_->OnUnload(TRUE);
        provider_->Release();
        ControllerSetTest::TearDown();
    }

    // The snapshot requests succeed: tags, creation (each snapshot asked for is made, with an ID of its own)
    // and commit.
    providertest::ScriptAction AnswerSnapshots(const providertest::ProxyMessage& request) {
        constexpr size_t kCountAt = 15;
        constexpr size_t kMadeAt = 876;
        constexpr size_t kIdsAt = kMadeAt + 8;
        const uint32_t code = request.header.OpCode;
        if (code != RRE_DMS_GET_TAG && code != RRE_CREATE_SNAPSHOT && code != RRE_COMMIT_SNAPSHOT)
            return Answer(request);
        std::vector<uint8_t> reply(request.data.size(), 0);
        if (code == RRE_CREATE_SNAPSHOT && reply.size() > kCountAt) {
            const uint8_t count = request.data[kCountAt];
            if (reply.size() >= kIdsAt + 16u * count) {
                reply[kMadeAt] = count;
                for (uint8_t i = 0; i < count; ++i) std::memset(&reply[kIdsAt + 16u * i], 0xC0 + ++made_, 16);
            }
        }
        return providertest::ScriptAction{
            {providertest::ReplyTo(request, providertest::NetworkReply(code, reply))}, false};
    }
    // One call for a volume whose LUNs have these serial texts ("-" for none).
    HRESULT PrepareTexts(const VSS_ID& set, LONG context, const std::vector<std::string>& serials) {
        std::vector<LunSpec> specs;
        for (const std::string& serial : serials) specs.push_back(LunSpec{serial});
        LunRecords luns(specs);
        providertest::DeviceNames names(specs.size());
        return provider_->BeginPrepareSnapshot(set, kSnapshotId, context, luns.count(), names.data(),
                                               luns.data());
    }
    HRESULT Prepare(const VSS_ID& set, LONG context, const std::vector<uint8_t>& volumes) {
        std::vector<std::string> serials;
        for (uint8_t volume : volumes) serials.push_back(IdText(volume));
        return PrepareTexts(set, context, serials);
    }
    void SetStandardVolumes(DWORD setting) {
        root_.SetDword(std::string(kProviderServiceKey) + "\\Parameters", "StandardVolumesAreSupported",
                       setting);
        readProviderParameters();
    }
    // The set was given up: no entry, no identifier, state 13.
    void ExpectAborted() {
        EXPECT_TRUE(Peer::Luns(*provider_).empty());
        EXPECT_TRUE(Peer::Set(*provider_).Id() == VSS_ID{});
        EXPECT_EQ(Peer::Set(*provider_).State(), SnapshotSetState::Failed);
    }
    std::vector<uint8_t> ListedVolumes() {
        std::vector<uint8_t> volumes;
        for (const BVSS_SnapshotInfo& entry : Peer::Luns(*provider_))
            volumes.push_back(entry.mSource.mLunID[0]);
        return volumes;
    }
    BVSS_CapiRaidController* ControllerAt(size_t i) {
        return Peer::Controllers(*provider_).mControllers[i].get();
    }
    size_t Requests(uint32_t opCode) {
        size_t n = 0;
        for (const providertest::ProxyMessage& m : proxy_.Messages())
            n += m.header.DataType == PROXY_REQUEST && m.header.OpCode == opCode ? 1 : 0;
        return n;
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }

    ComModule module_;
    ComObject<BVSS_HardwareProvider>* provider_ = nullptr;
    uint8_t made_ = 0;
};

TEST_F(SnapshotSetPreparationTest, VolumesOfOneSetAreAppendedInOrderAndTheSequenceRunsOnThem) {
    // No LUN yet: the set is started all the same.
    ASSERT_EQ(Prepare(kSet, kDefault, {}), S_OK);
    EXPECT_EQ(Peer::Set(*provider_).State(), SnapshotSetState::Preparing);
    EXPECT_TRUE(Peer::Set(*provider_).Id() == kSet);
    EXPECT_EQ(Peer::Set(*provider_).Context(), kDifferential);

    ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnB}), S_OK) << Log();
    // Up to 64 digits parse; only the first 16 bytes name the volume.
    ASSERT_EQ(PrepareTexts(kSet, kDefault, {IdText(kMasterOnA) + std::string(32, 'f')}), S_OK) << Log();
    EXPECT_EQ(ListedVolumes(), (std::vector<uint8_t>{kMasterOnB, kMasterOnA}));
    EXPECT_EQ(Peer::Set(*provider_).State(), SnapshotSetState::Preparing);
    EXPECT_EQ(Events(), "");

    const BVSS_SnapshotInfo& entry = Peer::Luns(*provider_)[1];
    BVSS_CapiRaidController* a = ControllerAt(0);
    EXPECT_EQ(entry.mSource.mController, a);  // the first controller in set order that sees the volume
    EXPECT_EQ(entry.mSnapshot.mController, a);
    EXPECT_EQ(entry.mControllers, (std::vector<BVSS_CapiRaidController*>{a, ControllerAt(1)}));
    EXPECT_EQ(std::string(entry.mSource.mLunIDText), IdText(kMasterOnA));
    EXPECT_EQ(std::string(entry.mSnapshot.mLunIDText), IdText(0));
    const std::vector<BYTE> parsed = [] {
        std::vector<BYTE> bytes(32, 0xFF);
        std::fill(bytes.begin(), bytes.begin() + 16, kMasterOnA);
        return bytes;
    }();
    EXPECT_EQ(std::vector<BYTE>(entry.mSource.mSerialNumber, entry.mSource.mSerialNumber + 32), parsed);
    const std::vector<BYTE> vd1(16, 0xA1);  // the array serial number of the volume's partition record
    EXPECT_EQ(std::vector<BYTE>(entry.mSource.mArraySerialNumber, entry.mSource.mArraySerialNumber + 16),
              vd1);
    EXPECT_EQ(std::vector<BYTE>(entry.mSnapshot.mArraySerialNumber, entry.mSnapshot.mArraySerialNumber + 16),
              vd1);
    EXPECT_EQ(entry.mSource.mDeviceName, L"\\\\?\\disk#0");
    EXPECT_EQ(entry.mSource.mIsVirtual, 0);
    EXPECT_EQ(entry.mCreated, 0u);
    // The device has no SCSI address here: logged, and the LUN recorded all the same.
    EXPECT_EQ(Count("BeginPrepareSnapshot called with LUN without correct SCSI path, partition ID=" +
                    IdText(kMasterOnA) + ".\n"),
              1u);

    ASSERT_EQ(provider_->EndPrepareSnapshots(kSet), S_OK) << Log();
    for (const BVSS_SnapshotInfo& made : Peer::Luns(*provider_)) EXPECT_EQ(made.mCreated, 1u);
    ASSERT_EQ(provider_->PreCommitSnapshots(kSet), S_OK);
    ASSERT_EQ(provider_->CommitSnapshots(kSet), S_OK) << Log();
    ASSERT_EQ(provider_->PostCommitSnapshots(kSet), S_OK);
    EXPECT_EQ(Peer::Set(*provider_).State(), SnapshotSetState::Completed);
    EXPECT_EQ(Peer::Luns(*provider_).size(), 2u);
}

// Each check that fails ends the call with its result and event, and gives up the whole set: the volume
// an earlier call added goes too. A missing serial text, or none at all, gives an empty insert.
TEST_F(SnapshotSetPreparationTest, AFailingCheckAbortsTheWholeSet) {
    const std::string tooLong = IdText(kMasterOnA) + std::string(33, '0');
    const struct Case {
        const char* name;
        DWORD standardVolumes;
        LONG context;
        std::vector<std::string> serials;
        HRESULT result;
        std::string event;
    } cases[] = {
        // clang-format off
        {"unsupported context, no LUN", 2, kDifferential | kFullCopy, {}, VSS_E_UNSUPPORTED_CONTEXT,
         "BeginPrepareSnapshot(): called with unsupported context for LUN ('')"},
        {"unsupported context", 2, kDifferential | kFullCopy, {IdText(kMasterOnB)}, VSS_E_UNSUPPORTED_CONTEXT,
         "BeginPrepareSnapshot(): called with unsupported context for LUN ('" + IdText(kMasterOnB) + "')"},
        {"unsupported context, no serial text", 2, kDifferential | kFullCopy, {"-"}, VSS_E_UNSUPPORTED_CONTEXT,
         "BeginPrepareSnapshot(): called with unsupported context for LUN ('')"},
        {"serial text not hexadecimal", 2, kDefault, {"6b6b-not-hex"}, E_INVALIDARG,
         "BeginPrepareSnapshot(): unable to parse partition serial number for LUN ('6b6b-not-hex')"},
        {"serial text too long", 2, kDefault, {tooLong}, E_INVALIDARG,
         "BeginPrepareSnapshot(): unable to parse partition serial number for LUN ('" + tooLong + "')"},
        {"no serial text", 2, kDefault, {"-"}, E_POINTER,
         "BeginPrepareSnapshot(): unable to parse partition serial number for LUN ('')"},
        {"no controller has the partition", 2, kDefault, {IdText(kUnknown)}, VSS_E_OBJECT_NOT_FOUND,
         "BeginPrepareSnapshot(): unable to find partition or controller for LUN with partition ID:partition id=" +
             IdText(kUnknown) + "."},
        {"virtual, then linear", 2, kDefault, {IdText(kPagedOnB), IdText(kMasterOnB)}, VSS_E_PROVIDER_VETO,
         "BeginPrepareSnapshot(): called with mix of linear and virtual LUNs: masterB (" + IdText(kMasterOnB) + ")"},
        {"linear, then virtual", 2, kDefault, {IdText(kMasterOnB), IdText(kPagedOnB)}, VSS_E_PROVIDER_VETO,
         "BeginPrepareSnapshot(): called with mix of linear and virtual LUNs: pagedB (" + IdText(kPagedOnB) + ")"},
        {"snapshot", 2, kDefault, {IdText(kSnapshotOnA)}, VSS_E_PROVIDER_VETO,
         "BeginPrepareSnapshot(): called with LUN that does not have snapshot enabled:partition class=1, "
         "partition type=3, partition id=" + IdText(kSnapshotOnA) + "."},
        {"standard volume, setting 1", 1, kDefault, {IdText(kStandardOnA)}, VSS_E_PROVIDER_VETO,
         "BeginPrepareSnapshot(): called with LUN that does not have snapshot enabled:partition class=0, "
         "partition type=0, partition id=" + IdText(kStandardOnA) + "."},
        {"standard volume, setting 0", 0, kDefault, {IdText(kStandardOnA)}, VSS_E_PROVIDER_VETO,
         "BeginPrepareSnapshot(): called with LUN that does not have snapshot enabled:partition class=0"},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetStandardVolumes(2);
        ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnA}), S_OK);
        std::remove(platform::EventLogPath().c_str());
        SetStandardVolumes(c.standardVolumes);
        EXPECT_EQ(PrepareTexts(kSet, c.context, c.serials), c.result);
        ExpectAborted();
        EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
    }
}

TEST_F(SnapshotSetPreparationTest, AnArrayWithoutAKnownOwnerAbortsTheSet) {
    // Controller A, which sees vd2 first, does not know its partner's serial number: vd2's owner is unknown.
    controllers_[0x101].partner.clear();
    ASSERT_EQ(Peer::Controllers(*provider_).discoverRaidControllers(FALSE), S_OK);
    EXPECT_EQ(Prepare(kSet, kDefault, {kMasterOnB}), VSS_E_PROVIDER_VETO);
    ExpectAborted();
    EXPECT_NE(
        Events().find("BeginPrepareSnapshot(): unable to determine ID of controller owning partition ID:"
                      "partition id=" +
                      IdText(kMasterOnB) + "."),
        std::string::npos)
        << Events();
    EXPECT_EQ(Prepare(kSet, kDefault, {kMasterOnA}), S_OK);  // vd1 is A's own
}

TEST_F(SnapshotSetPreparationTest, VolumeKindsThatMayBeSnapshotAndKindsMixedAcrossCalls) {
    SetStandardVolumes(0);
    ASSERT_EQ(Prepare(kSet, kDefault, {kPagedOnB}), S_OK) << Events();   // virtual: no snapshot test
    ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnB}), S_OK) << Events();  // the kinds count per call
    SetStandardVolumes(2);
    ASSERT_EQ(Prepare(kSet, kDefault, {kStandardOnA}), S_OK) << Events();
    EXPECT_EQ(ListedVolumes(), (std::vector<uint8_t>{kPagedOnB, kMasterOnB, kStandardOnA}));
    EXPECT_EQ(Peer::Luns(*provider_)[0].mSource.mIsVirtual, 1);
    EXPECT_EQ(Peer::Luns(*provider_)[0].mSnapshot.mIsVirtual, 1);
    EXPECT_EQ(Peer::Luns(*provider_)[1].mSource.mIsVirtual, 0);

    // On a controller that is not a Q700 a paged volume is linear, and a standard one with the setting 0.
    controllers_[0x101].firmware = controllers_[0x102].firmware = "C1.2";
    ASSERT_EQ(Peer::Controllers(*provider_).discoverRaidControllers(FALSE), S_OK);
    SetStandardVolumes(0);
    EXPECT_EQ(Prepare(kSet, kDefault, {kPagedOnB}), VSS_E_PROVIDER_VETO);
}

// Kept as the setting works: identification takes any non-zero setting, preparation only 2.
TEST_F(SnapshotSetPreparationTest, WithTheSetting1AStandardVolumeIsIdentifiedButNotPrepared) {
    SetStandardVolumes(1);
    LunRecords luns({LunSpec{IdText(kStandardOnA)}});
    providertest::DeviceNames names(1);
    BOOL supported = FALSE;
    ASSERT_EQ(provider_->AreLunsSupported(1, kDefault, names.data(), luns.data(), &supported), S_OK);
    EXPECT_TRUE(supported);
    EXPECT_EQ(provider_->BeginPrepareSnapshot(kSet, kSnapshotId, kDefault, 1, names.data(), luns.data()),
              VSS_E_PROVIDER_VETO);
    ExpectAborted();
}

TEST_F(SnapshotSetPreparationTest, ALunAlreadyInTheSetIsNotRecordedAgain) {
    ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnA, kMasterOnA}), S_OK);
    ASSERT_EQ(PrepareTexts(kSet, kDefault, {"5A5a5A5a5A5a5A5a5A5a5A5a5A5a5A5a", IdText(kMasterOnB)}), S_OK);
    EXPECT_EQ(ListedVolumes(), (std::vector<uint8_t>{kMasterOnA, kMasterOnB}));
    EXPECT_EQ(Peer::Luns(*provider_)[1].mSource.mDeviceName, L"\\\\?\\disk#1");
}

// In the differential context the limit test counts this call's LUNs and, once more, the entries recorded
// so far (its own LUNs among them): 2 for the first of two LUNs, 3 for the second. Kept as a margin.
TEST_F(SnapshotSetPreparationTest, TheDifferentialLimitCountsTheCallsLunsAndTheListedEntries) {
    for (auto& controller : controllers_) controller.second.maxSnapshots = 3;
    ASSERT_EQ(Peer::Controllers(*provider_).discoverRaidControllers(FALSE), S_OK);
    ASSERT_EQ(Prepare(kSet, kDifferential, {kMasterOnA, kSecondMasterOnA}), S_OK) << Log();
    EXPECT_EQ(Count("limits not exceeded, newSnapshots=2,"), 1u);
    EXPECT_EQ(Count("limits not exceeded, newSnapshots=3,"), 1u);

    // With room for 2, the second of two LUNs is refused: no event, the debug log says why.
    for (auto& controller : controllers_) controller.second.maxSnapshots = 2;
    ASSERT_EQ(Peer::Controllers(*provider_).discoverRaidControllers(FALSE), S_OK);
    std::remove(platform::EventLogPath().c_str());
    EXPECT_EQ(Prepare(kOtherSet, kDifferential, {kMasterOnA, kSecondMasterOnA}),
              VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED);
    ExpectAborted();
    EXPECT_EQ(
        Count("BeginPrepareSnapshot(): violated snapshot limits for device \"\\\\?\\disk#1\", Master Volume "
              "ID=" +
              IdText(kSecondMasterOnA) + ", error = 0x80042317.\n"),
        1u)
        << Log();
    EXPECT_EQ(Events(), "");
}

// The limit test follows the context as the service passed it, not the stored one.
TEST_F(SnapshotSetPreparationTest, TheContextArgumentSelectsTheLimitTest) {
    const struct {
        LONG context;
        size_t limitTests;
        int32_t stored;
    } cases[] = {
        // clang-format off
        {kDefault, 0, kDifferential},  // an ordinary backup: made differential, no limit test
        {kDifferential, 1, kDifferential},
        {VSS_CTX_ALL, 1, kFullCopy},  // accepted, the stored context kept; its differential bit counts
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(provider_->isSupportedContext(kFullCopy));
        const size_t before = Count("Entering: BVSS_RaidControllerSet::checkSnapshotLimits");
        ASSERT_EQ(Prepare(kSet, c.context, {kMasterOnA}), S_OK);
        EXPECT_EQ(Count("Entering: BVSS_RaidControllerSet::checkSnapshotLimits") - before, c.limitTests);
        EXPECT_EQ(Peer::Set(*provider_).Context(), c.stored);
        ASSERT_EQ(provider_->AbortSnapshots(kSet), S_OK);
    }
}

// In the full-copy context one controller may own at most 2048 of the set's volumes; the volumes of arrays
// that the other controller owns do not count. Going over the bound fails like a snapshot limit.
TEST_F(SnapshotSetPreparationTest, FullCopiesAreBoundedPerOwningController) {
    ASSERT_EQ(Prepare(kSet, kFullCopy, {kMasterOnA, kMasterOnB}), S_OK);
    const BVSS_SnapshotInfo onA = Peer::Luns(*provider_)[0];
    const BVSS_SnapshotInfo onB = Peer::Luns(*provider_)[1];
    Peer::Luns(*provider_).assign(2047, onA);  // the same volume listed again stands for others on vd1
    Peer::Luns(*provider_).push_back(onB);
    uint8_t serialA[32] = "SN-A1";
    EXPECT_EQ(provider_->existingSnapsForController(serialA), 2047u);

    ASSERT_EQ(Prepare(kSet, kFullCopy, {kSecondMasterOnA}), S_OK);  // the 2048th on A
    ASSERT_EQ(Prepare(kSet, kFullCopy, {kPagedOnB}), S_OK);         // B's second
    EXPECT_EQ(Prepare(kSet, kFullCopy, {kStandardOnA}), VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED);
    ExpectAborted();
    EXPECT_EQ(
        Count("BeginPrepareSnapshot(): violated snapshot limits for device \"\\\\?\\disk#0\", Master Volume "
              "ID=" +
              IdText(kStandardOnA) + ", error = 0x80042317.\n"),
        1u);
    EXPECT_EQ(Count("Entering: BVSS_RaidControllerSet::checkSnapshotLimits"), 0u);
}

// A call starts a new set or joins the current one by the state the last set left: a completed or failed
// set is forgotten (its snapshots stay), an unfinished one or another set being prepared has the snapshots
// it made deleted first, and the proxy's discovery that such a set switched off is switched on again.
TEST_F(SnapshotSetPreparationTest, ANewCallTreatsTheEarlierSetByItsState) {
    const struct Case {
        const char* name;
        SnapshotSetState state;
        VSS_ID set;
        size_t deleted;
        size_t listed;
    } cases[] = {
        // clang-format off
        {"none", SnapshotSetState::None, kSet, 0, 1},
        {"the same set being prepared", SnapshotSetState::Preparing, kSet, 0, 3},
        {"another set being prepared", SnapshotSetState::Preparing, kOtherSet, 1, 1},
        {"completed", SnapshotSetState::Completed, kOtherSet, 0, 1},
        {"failed", SnapshotSetState::Failed, kSet, 0, 1},
        {"prepared", SnapshotSetState::Prepared, kSet, 1, 1},
        {"pre-committed", SnapshotSetState::PreCommitted, kOtherSet, 1, 1},
        {"committed", SnapshotSetState::Committed, kOtherSet, 1, 1},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Peer::Luns(*provider_).clear();
        ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnA, kSecondMasterOnA}), S_OK);
        Peer::Luns(*provider_)[0].mCreated = 1;  // the array made this one's snapshot
        Peer::PutSetIn(*provider_, c.state, kSet);
        const bool unfinished = c.state == SnapshotSetState::Prepared ||
                                c.state == SnapshotSetState::PreCommitted ||
                                c.state == SnapshotSetState::Committed;
        Peer::MarkDiscoveryOff(*provider_, unfinished);
        const size_t deletesBefore = Requests(RRE_DELETE_PART);
        const size_t flagsBefore = Requests(RRE_SET_DISCOVERY_FLAG);
        const size_t mismatchesBefore = Count("snapshot set ID mismatch, clearing old snapshot data.\n");

        ASSERT_EQ(Prepare(c.set, kDefault, {kMasterOnB}), S_OK) << Log();
        EXPECT_EQ(Peer::Set(*provider_).State(), SnapshotSetState::Preparing);
        EXPECT_TRUE(Peer::Set(*provider_).Id() == c.set);
        EXPECT_EQ(Peer::Luns(*provider_).size(), c.listed);
        EXPECT_EQ(Peer::Luns(*provider_).back().mSource.mLunID[0], kMasterOnB);
        EXPECT_EQ(Requests(RRE_DELETE_PART) - deletesBefore, c.deleted);
        EXPECT_EQ(Requests(RRE_SET_DISCOVERY_FLAG) - flagsBefore, unfinished ? 1u : 0u);
        EXPECT_FALSE(Peer::DiscoveryOff(*provider_));
        EXPECT_EQ(Count("snapshot set ID mismatch, clearing old snapshot data.\n") - mismatchesBefore,
                  c.state == SnapshotSetState::Preparing && c.deleted == 1 ? 1u : 0u);
    }
}

// A snapshot of the earlier set that cannot be deleted fails the call and keeps that set as it was, for the
// next deletion to try again.
TEST_F(SnapshotSetPreparationTest, AFailedDeletionOfTheEarlierSetKeepsIt) {
    ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnA}), S_OK);
    BVSS_SnapshotInfo& made = Peer::Luns(*provider_)[0];
    made.mCreated = 1;
    made.mSnapshot.mController = ControllerAt(1);
    ControllerAt(1)->Retire();  // its commands fail
    Peer::PutSetIn(*provider_, SnapshotSetState::Committed, kSet);

    EXPECT_EQ(Prepare(kOtherSet, kDefault, {kMasterOnB}), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(Peer::Set(*provider_).State(), SnapshotSetState::Committed);
    EXPECT_TRUE(Peer::Set(*provider_).Id() == kSet);
    EXPECT_EQ(ListedVolumes(), std::vector<uint8_t>{kMasterOnA});
    EXPECT_NE(Events().find("DeleteAbortedSnapshots() unable to delete snapshot for LUN"), std::string::npos);

    ControllerAt(1)->Reinstate();
    EXPECT_EQ(Prepare(kOtherSet, kDefault, {kMasterOnB}), S_OK);
    EXPECT_EQ(ListedVolumes(), std::vector<uint8_t>{kMasterOnB});
    EXPECT_TRUE(Peer::Set(*provider_).Id() == kOtherSet);
}

}  // namespace
