// The provider object's preparation of a snapshot set against a scripted proxy's controller pair: volumes
// of one set appended in order and then carried through the sequence methods, the checks that fail a call
// and abort the whole set (with their events), the snapshot limits by context, how a new call treats the
// set an earlier one left in each state, and LUNs recorded once only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com_object.h"
#include "platform/event_log.h"
#include "platform/file_calls.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/provider_registry.h"
#include "provider/vss/hardware_provider.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/vds_lun_fixture.h"

namespace {

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
    return {{"masterA", kMasterOnA, 0, 1, 2},     {"masterB", kMasterOnB, 1, 1, 2},
            {"masterA2", kSecondMasterOnA, 0, 1, 2}, {"standardA", kStandardOnA, 0},
            {"pagedB", kPagedOnB, 1, 0, 0, 1},     {"snapA", kSnapshotOnA, 0, 1, 3}};
}

class SnapshotSetPreparationTest : public providertest::ControllerSetTest {
  protected:
    void SetUp() override {
        ControllerSetTest::SetUp();
        subsystems_ = {{"PAIR-1", 0x101, 0x102}};
        controllers_[0x101] = Controller("SN-A1").Partner("SN-B1").Firmware("V1.2").With(PairVolumes());
        controllers_[0x102] = Controller("SN-B1").B().Partner("SN-A1").Firmware("V1.2").With(PairVolumes());
        proxy_.SetScript([this](const providertest::ProxyMessage& request) { return AnswerSnapshots(request); });
        provider_ = ComObject<BVSS_HardwareProvider>::New(&module_, nullptr);
        provider_->Inner()->AddRef();
        ASSERT_EQ(provider_->mRaidControllerSet.mControllers.size(), 2u);
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
        return provider_->BeginPrepareSnapshot(set, kSnapshotId, context, luns.count(), names.data(), luns.data());
    }
    HRESULT Prepare(const VSS_ID& set, LONG context, const std::vector<uint8_t>& volumes) {
        std::vector<std::string> serials;
        for (uint8_t volume : volumes) serials.push_back(IdText(volume));
        return PrepareTexts(set, context, serials);
    }
    void SetStandardVolumes(DWORD setting) {
        root_.SetDword(std::string(kProviderServiceKey) + "\\Parameters", "StandardVolumesAreSupported", setting);
        readProviderParameters();
    }
    // The set was given up: no entry, no identifier, state 13.
    void ExpectAborted() {
        EXPECT_TRUE(provider_->mSnapshotList.empty());
        EXPECT_TRUE(provider_->mSetId == VSS_ID{});
        EXPECT_EQ(provider_->mVSSState, kVssStateFailed);
    }
    std::vector<uint8_t> ListedVolumes() {
        std::vector<uint8_t> volumes;
        for (const BVSS_SnapshotInfo& entry : provider_->mSnapshotList) volumes.push_back(entry.mSource.mLunID[0]);
        return volumes;
    }
    BVSS_CapiRaidController* ControllerAt(size_t i) { return provider_->mRaidControllerSet.mControllers[i].get(); }
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
    EXPECT_EQ(provider_->mVSSState, kVssStatePreparing);
    EXPECT_TRUE(provider_->mSetId == kSet);
    EXPECT_EQ(provider_->mContext, kDifferential);

    ASSERT_EQ(Prepare(kSet, kDefault, {kMasterOnB}), S_OK) << Log();
    // Up to 64 digits parse; only the first 16 bytes name the volume.
    ASSERT_EQ(PrepareTexts(kSet, kDefault, {IdText(kMasterOnA) + std::string(32, 'f')}), S_OK) << Log();
    EXPECT_EQ(ListedVolumes(), (std::vector<uint8_t>{kMasterOnB, kMasterOnA}));
    EXPECT_EQ(provider_->mVSSState, kVssStatePreparing);
    EXPECT_EQ(Events(), "");

    const BVSS_SnapshotInfo& entry = provider_->mSnapshotList[1];
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
    EXPECT_EQ(std::vector<BYTE>(entry.mSource.mArraySerialNumber, entry.mSource.mArraySerialNumber + 16), vd1);
    EXPECT_EQ(std::vector<BYTE>(entry.mSnapshot.mArraySerialNumber, entry.mSnapshot.mArraySerialNumber + 16), vd1);
    EXPECT_EQ(entry.mSource.mDeviceName, L"\\\\?\\disk#0");
    EXPECT_EQ(entry.mSource.mIsVirtual, 0);
    EXPECT_EQ(entry.mCreated, 0u);
    // The device has no SCSI address here: logged, and the LUN recorded all the same.
    EXPECT_EQ(Count("BeginPrepareSnapshot called with LUN without correct SCSI path, partition ID=" +
                    IdText(kMasterOnA) + ".\n"),
              1u);

    ASSERT_EQ(provider_->EndPrepareSnapshots(kSet), S_OK) << Log();
    for (const BVSS_SnapshotInfo& made : provider_->mSnapshotList) EXPECT_EQ(made.mCreated, 1u);
    ASSERT_EQ(provider_->PreCommitSnapshots(kSet), S_OK);
    ASSERT_EQ(provider_->CommitSnapshots(kSet), S_OK) << Log();
    ASSERT_EQ(provider_->PostCommitSnapshots(kSet), S_OK);
    EXPECT_EQ(provider_->mVSSState, kVssStateCompleted);
    EXPECT_EQ(provider_->mSnapshotList.size(), 2u);
}
}  // namespace
