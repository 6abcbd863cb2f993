// The provider object's description of the snapshot LUNs of a set, against a scripted proxy's controller
// pair: the destination records (emptied first, the snapshot's serial text and NAA identifier, the source's
// inquiry fields), the LUN not in the set, serial texts that cannot be read, and controller refreshes that
// fail on one or both controllers of the volume.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/files/file_calls.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"
#include "provider/vss/hardware_provider.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/provider_peer.h"

namespace {

using Peer = BVSS_HardwareProviderTestPeer;

using providertest::Controller;
using providertest::ProxyMessage;
using providertest::ScriptAction;

constexpr uint8_t kFirstSource = 0x5A;
constexpr uint8_t kSecondSource = 0x6B;
constexpr uint8_t kNotInSet = 0x7C;
constexpr int32_t kRefusedCode = 47;

std::string IdText(uint8_t idByte) {
    const std::vector<BYTE> id(16, idByte);
    return PartitionIdText(id.data()).text;
}

// The snapshot of a source made of 16 equal bytes: its ID is the source's byte with the high bit flipped.
uint8_t SnapshotByte(uint8_t sourceByte) { return static_cast<uint8_t>(sourceByte ^ 0x80); }

// A source record as the snapshot service hands it over, and a destination that arrives filled.
void FillSource(VDS_LUN_INFORMATION* record, const char* serial) {
    record->m_version = 7;
    record->m_DeviceType = 0x00;
    record->m_DeviceTypeModifier = 0x12;
    record->m_bCommandQueueing = TRUE;
    record->m_BusType = VDSBusTypeFibre;
    record->m_szVendorId = BVSS_CoTaskStrDup("Brenlow ");
    record->m_szProductId = BVSS_CoTaskStrDup("Q700 volume");
    record->m_szProductRevision = BVSS_CoTaskStrDup("V1.2");
    record->m_szSerialNumber = serial != nullptr ? BVSS_CoTaskStrDup(serial) : nullptr;
    std::memset(&record->m_diskSignature, 0x3C, sizeof record->m_diskSignature);
}

class TargetLunsTest : public providertest::ControllerSetTest {
  protected:
    void SetUp() override {
        ControllerSetTest::SetUp();
        subsystems_ = {{"PAIR-1", 0x101, 0x102}};
        const std::vector<providertest::Volume> volumes = {{"one", kFirstSource, 0},
                                                           {"two", kSecondSource, 1}};
        controllers_[0x101] = Controller("SN-A1").Firmware("V1.2").With(volumes);
        controllers_[0x102] = Controller("SN-B1").B().Firmware("V1.2").With(volumes);
        proxy_.SetScript([this](const ProxyMessage& request) { return AnswerWithRefusals(request); });
        provider_ = ComObject<BVSS_HardwareProvider>::New(&module_, nullptr);
        provider_->Inner()->AddRef();
        ASSERT_EQ(Peer::Controllers(*provider_).mControllers.size(), 2u);
        for (uint8_t source : {kFirstSource, kSecondSource}) AddToSet(source);
        std::remove(platform::EventLogPath().c_str());
    }
    void TearDown() override {
        FreeLuns();
        provider_->OnUnload(TRUE);
        provider_->Release();
        ControllerSetTest::TearDown();
    }
    // The master-volume and snap-pool lists of a refresh are empty; the snap-pool list is refused by the
    // refused controllers.
    ScriptAction AnswerWithRefusals(const ProxyMessage& request) {
        const uint32_t code = request.header.OpCode;
        if ((code != RRE_GET_BACKING_STORE_LIST && code != RRE_GET_MASTER_VOLUME_LIST) ||
            request.data.size() < 12)
            return Answer(request);
        const auto handle = static_cast<int32_t>(ReadBigEndian32(request.data.data() + 8));
        std::vector<uint8_t> reply(request.data.size(), 0);
        if (code == RRE_GET_BACKING_STORE_LIST && refusedHandles_.count(handle) != 0)
            std::memcpy(reply.data() + 4, &kRefusedCode, sizeof kRefusedCode);
        return ScriptAction{{providertest::ReplyTo(request, providertest::NetworkReply(code, reply))}, false};
    }
    void AddToSet(uint8_t sourceByte) {
        BVSS_SnapshotInfo entry;
        const std::vector<BYTE> source(16, sourceByte);
        const std::vector<BYTE> snapshot(16, SnapshotByte(sourceByte));
        entry.mSource.setLunID(source.data());
        entry.mSnapshot.setLunID(snapshot.data());
        std::memset(entry.mSnapshot.mSerialNumber, 0, sizeof entry.mSnapshot.mSerialNumber);
        std::memcpy(entry.mSnapshot.mSerialNumber, snapshot.data(), 16);
        for (const auto& controller : Peer::Controllers(*provider_).mControllers)
            entry.mControllers.push_back(controller.get());
        Peer::Luns(*provider_).push_back(entry);
    }
    // Source records with these serial texts ("-" for none) and destinations that arrive filled.
    void Luns(const std::vector<std::string>& serials) {
        FreeLuns();
        sources_.assign(serials.size(), VDS_LUN_INFORMATION{});
        targets_.assign(serials.size(), VDS_LUN_INFORMATION{});
        names_.clear();
        for (size_t i = 0; i < serials.size(); ++i) {
            FillSource(&sources_[i], serials[i] == "-" ? nullptr : serials[i].c_str());
            FillSource(&targets_[i], "stale");
            const BYTE stale[16] = {0xEE};
            ASSERT_EQ(BVSS_UpdateLunInformation(&targets_[i], stale, 16, 1, 2, 3), S_OK);
            names_.push_back(L"\\\\?\\disk#" + std::to_wstring(i));
        }
        pointers_.clear();
        for (std::wstring& name : names_) pointers_.push_back(name.data());
    }
    void FreeLuns() {
        for (VDS_LUN_INFORMATION& record : sources_) BVSS_FreeLunInformation(&record);
        for (VDS_LUN_INFORMATION& record : targets_) BVSS_FreeLunInformation(&record);
    }
    HRESULT Describe() {
        return provider_->GetTargetLuns(static_cast<LONG>(sources_.size()), pointers_.data(), sources_.data(),
                                        targets_.data());
    }
    void ExpectDescribed(size_t i, uint8_t sourceByte) {
        SCOPED_TRACE(i);
        const VDS_LUN_INFORMATION& t = targets_[i];
        EXPECT_EQ(t.m_version, 1u);
        EXPECT_EQ(t.m_DeviceTypeModifier, 0x12);
        EXPECT_EQ(t.m_bCommandQueueing, TRUE);
        EXPECT_EQ(t.m_BusType, VDSBusTypeFibre);
        EXPECT_STREQ(t.m_szVendorId, "Brenlow ");
        EXPECT_STREQ(t.m_szProductId, "Q700 volume");
        EXPECT_STREQ(t.m_szProductRevision, "V1.2");
        EXPECT_NE(t.m_szVendorId, sources_[i].m_szVendorId);  // a copy of its own
        EXPECT_EQ(t.m_szSerialNumber, IdText(SnapshotByte(sourceByte)));
        const GUID zero{};
        EXPECT_EQ(std::memcmp(&t.m_diskSignature, &zero, sizeof zero), 0);
        EXPECT_EQ(t.m_cInterconnects, 0u);
        EXPECT_EQ(t.m_rgInterconnects, nullptr);
        EXPECT_EQ(t.m_deviceIdDescriptor.m_version, 0u);
        ASSERT_EQ(t.m_deviceIdDescriptor.m_cIdentifiers, 1u);
        const VDS_STORAGE_IDENTIFIER& id = t.m_deviceIdDescriptor.m_rgIdentifiers[0];
        EXPECT_EQ(id.m_CodeSet, VDSStorageIdCodeSetBinary);
        EXPECT_EQ(id.m_Type, VDSStorageIdTypeFCPHName);
        ASSERT_EQ(id.m_cbIdentifier, 16u);
        const std::vector<BYTE> snapshot(16, SnapshotByte(sourceByte));
        BYTE name[16];
        ASSERT_EQ(BVSS_PartitionIDToFCFSName(snapshot.data(), 16, name, 16), S_OK);
        EXPECT_EQ(std::memcmp(id.m_rgbIdentifier, name, 16), 0);
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }

    int32_t Handle(size_t controller) {
        return Peer::Controllers(*provider_).mControllers[controller]->mHandle;
    }

    ComModule module_;
    ComObject<BVSS_HardwareProvider>* provider_ = nullptr;
    std::set<int32_t> refusedHandles_;
    std::vector<VDS_LUN_INFORMATION> sources_;
    std::vector<VDS_LUN_INFORMATION> targets_;
    std::vector<std::wstring> names_;
    std::vector<WCHAR*> pointers_;
};

// Serial texts in either case and up to 64 digits match their source on the first 16 bytes; the filled
// destinations are emptied first (the sanitizers see their old blocks freed) and describe the snapshots.
TEST_F(TargetLunsTest, DescribesEachSnapshotLunFromItsSourceAndTheSnapshotsId) {
    Luns({"5A5a5A5a5A5a5A5a5A5a5A5a5A5a5A5a", IdText(kSecondSource) + std::string(32, 'F')});
    EXPECT_EQ(Describe(), S_OK);
    ExpectDescribed(0, kFirstSource);
    ExpectDescribed(1, kSecondSource);
    EXPECT_EQ(Count("GetTargetLuns(): final lunTarget 1:\n"), 1u);
    EXPECT_EQ(Events(), "");

    // No LUN: nothing but the (differential, so immediate) wait for full copies.
    const size_t before = proxy_.Messages().size();
    EXPECT_EQ(provider_->GetTargetLuns(0, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(proxy_.Messages().size(), before);
    EXPECT_EQ(provider_->GetTargetLuns(-1, nullptr, nullptr, nullptr), E_INVALIDARG);
}

TEST_F(TargetLunsTest, ALunNotInTheSetIsVetoedAfterTheEarlierOnesWereDescribed) {
    Luns({IdText(kFirstSource), IdText(kNotInSet), IdText(kSecondSource)});
    EXPECT_EQ(Describe(), VSS_E_PROVIDER_VETO);
    ExpectDescribed(0, kFirstSource);
    EXPECT_EQ(targets_[1].m_szSerialNumber, nullptr);     // emptied, not filled
    EXPECT_STREQ(targets_[2].m_szSerialNumber, "stale");  // never reached
    EXPECT_NE(Events().find("GetTargetLuns(): called for LUN not in snapshot set:partition id=" +
                            IdText(kNotInSet) + ", device=\\\\?\\disk#1."),
              std::string::npos);
    EXPECT_EQ(Count("GetTargetLuns called for LUN not in snapshot set, the original volume partition ID " +
                    IdText(kNotInSet) + " on device '\\\\?\\disk#1'.\n"),
              1u);
    EXPECT_EQ(
        Count("FindSnapId 1st Snap info list original volume partition ID " + IdText(kFirstSource) + "\n"),
        1u);
    EXPECT_EQ(
        Count("FindSnapId 2st Snap info list original volume partition ID " + IdText(kSecondSource) + "\n"),
        1u);
}

// A serial text that cannot be read fails the call with the parser's result; a missing one gives an empty
// insert.
TEST_F(TargetLunsTest, UnreadableSerialTextsFailWithTheParsersResult) {
    struct Case {
        std::string serial;
        HRESULT result;
        std::string insert;
    } cases[] = {
        // clang-format off
        {"6b6b-not-hex", E_INVALIDARG, "6b6b-not-hex"},
        {IdText(kFirstSource) + std::string(33, 'F'), E_INVALIDARG, IdText(kFirstSource) + std::string(33, 'F')},
        {"", E_INVALIDARG, ""},
        {"-", E_POINTER, ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        std::remove(platform::EventLogPath().c_str());
        Luns({c.serial});
        EXPECT_EQ(Describe(), c.result);
        EXPECT_NE(Events().find("GetTargetLuns(): unable to parse partition serial number for LUN ('" +
                                c.insert + "')"),
                  std::string::npos);
        EXPECT_EQ(targets_[0].m_szSerialNumber, nullptr);
    }
}

TEST_F(TargetLunsTest, TheLunIsDescribedWhenAnyControllerOfTheVolumeCanBeRefreshed) {
    refusedHandles_ = {Handle(0)};
    Luns({IdText(kFirstSource)});
    EXPECT_EQ(Describe(), S_OK);
    ExpectDescribed(0, kFirstSource);
    EXPECT_EQ(Events(), "");

    refusedHandles_ = {Handle(0), Handle(1)};
    Luns({IdText(kFirstSource)});
    const HRESULT result = Describe();
    EXPECT_TRUE(FAILED(result));
    EXPECT_EQ(targets_[0].m_szSerialNumber, nullptr);
    char code[16];
    std::snprintf(code, sizeof code, "0x%X.", static_cast<unsigned>(result));
    EXPECT_NE(
        Events().find("GetTargetLuns(): unable to update controller configuration for LUN:partition id=" +
                      IdText(kFirstSource) + ", hResult=" + code),
        std::string::npos);
}

}  // namespace
