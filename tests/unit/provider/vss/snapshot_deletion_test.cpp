// Deletion of snapshot LUNs and roll-back of volumes through the provider object, against a scripted
// controller pair: which LUNs are refused and how, which deletion the setting and controller choose, the
// partner taking over a refused deletion, the roll-back's refusals, and the finished job handed back.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "platform/com/com_object.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/provider_registry.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"
#include "provider/vss/hardware_provider.h"
#include "provider/vss/vss_async.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/provider_peer.h"
#include "tests/unit/provider/vds_lun_fixture.h"

// Allocations of one size can be made to fail once, to show what runs out of memory.
namespace {
thread_local size_t g_failAllocationOfSize = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (size != 0 && size == g_failAllocationOfSize) {
        g_failAllocationOfSize = 0;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace {

using Peer = BVSS_HardwareProviderTestPeer;

using providertest::Controller;
using providertest::IdText;
using providertest::LunRecords;
using providertest::SerialsOnly;
using providertest::ProxyMessage;
using providertest::ScriptAction;
using providertest::Volume;

constexpr uint8_t kMaster = 0x6B;
constexpr uint8_t kMaster2 = 0x6C;
constexpr uint8_t kPagedOdd = 0x7D;  // paged, special type 3
constexpr uint8_t kSnapshot = 0xAB;
constexpr uint8_t kSnapshot2 = 0xAC;
constexpr uint8_t kUnknown = 0x99;
constexpr uint8_t kPool = 0x5B;             // the snap pool of kMaster
constexpr uint8_t kPagedSnapshot = 0xAD;    // paged, special type 13
constexpr uint8_t kPagedStandard = 0xAE;    // paged, special type 13, of the standard class
constexpr uint32_t kPagedStorage = 0x2000;  // the controller's paged-storage capability
constexpr int32_t kRefusedCode = 47;

class SnapshotDeletionTest : public providertest::ControllerSetTest {
  protected:
    void SetUp() override {
        ControllerSetTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) { return Refusing(request); });
        subsystems_ = {{"PAIR-1", 0x101, 0x102}};
        const std::vector<Volume> volumes = {{"master", kMaster, 0, 1, 2},
                                             {"master2", kMaster2, 0, 1, 2},
                                             {"pagedodd", kPagedOdd, 1, 1, 3, 1},
                                             {"snap", kSnapshot, 1, 1, 3},
                                             {"snap2", kSnapshot2, 1, 1, 3},
                                             {"pool", kPool, 0, 1, 1},
                                             {"pagedsnap", kPagedSnapshot, 1, 1, 13, 1},
                                             {"pagedstd", kPagedStandard, 1, 0, 13, 1}};
        controllers_[0x101] = Controller("SN-A1").Firmware("V1.2").With(volumes);
        controllers_[0x102] = Controller("SN-B1").B().Firmware("V1.2").With(volumes);
        provider_ = ComObject<BVSS_HardwareProvider>::New(&module_, nullptr);
        provider_->Inner()->AddRef();
        std::remove(platform::EventLogPath().c_str());
        ASSERT_EQ(Peer::Controllers(*provider_).mControllers.size(), 2u);
    }
    void TearDown() override {
        provider_->OnUnload(TRUE);
        provider_->Release();
        EXPECT_EQ(module_.Count(), 0);
        ControllerSetTest::TearDown();
    }
    // The pair's answers, except the refusals set for a command on one controller.
    ScriptAction Refusing(const ProxyMessage& request) {
        const uint32_t code = request.header.OpCode;
        if (request.data.size() < 12) return Answer(request);
        const auto handle = static_cast<int32_t>(ReadBigEndian32(request.data.data() + 8));
        auto refusal = refusals_.find({handle, code});
        if (refusal == refusals_.end()) return Answer(request);
        std::vector<uint8_t> reply(request.data.size(), 0);
        const uint32_t answer = static_cast<uint32_t>(refusal->second);
        std::memcpy(reply.data() + 4, &answer, sizeof answer);
        return ScriptAction{{providertest::ReplyTo(request, providertest::NetworkReply(code, reply))}, false};
    }
    void Refuse(uint32_t code, size_t controller, int32_t answer) {
        refusals_[{Peer::Controllers(*provider_).mControllers[controller]->mHandle, code}] = answer;
    }
    void SetStandardVolumes(DWORD setting) {
        const std::string parameters = std::string(kProviderServiceKey) + "\\Parameters";
        root_.SetString(parameters, "Name", "provider");
        root_.SetString(parameters, "Version", "1");
        root_.SetDword(parameters, "StandardVolumesAreSupported", setting);
        readProviderParameters();
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }
    static size_t Occurrences(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    std::map<std::pair<int32_t, uint32_t>, int32_t> refusals_;  // (handle, command): answer
    ComModule module_;
    ComObject<BVSS_HardwareProvider>* provider_ = nullptr;
};

TEST_F(SnapshotDeletionTest, RefusedLunsAreReportedAndNothingIsDeleted) {
    struct Case {
        const char* serial;
        HRESULT result;
        std::string event;
    } cases[] = {
        // clang-format off
        {"-", E_POINTER, "OnLunEmpty(): unable to parse partition serial number for LUN ('')"},
        {"not-hex", E_INVALIDARG, "OnLunEmpty(): unable to parse partition serial number for LUN ('not-hex')"},
        {nullptr, VSS_E_OBJECT_NOT_FOUND,
         "OnLunEmpty(): unable to find controller for LUN:serial number=" + IdText(kUnknown) + "."},
        {nullptr, VSS_E_PROVIDER_VETO,
         "OnLunEmpty(): called for non-snapshot(master volume) LUN:serial number=" + IdText(kMaster) + "."},
        {nullptr, VSS_E_PROVIDER_VETO,
         "Paged partition pagedodd does not have specialType PAGED_SNAPSHOT (specialClass=1 specialType=3)"},
        // clang-format on
    };
    const std::string serials[] = {"", "", IdText(kUnknown), IdText(kMaster), IdText(kPagedOdd)};
    const size_t listsBefore = Sent(RRE_GET_CONTROLLERHANDLEDB);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].event);
        std::remove(platform::EventLogPath().c_str());
        LunRecords lun(SerialsOnly({cases[i].serial != nullptr ? cases[i].serial : serials[i]}));
        EXPECT_EQ(provider_->OnLunEmpty(const_cast<WCHAR*>(L"\\\\?\\disk#1"), lun.data()), cases[i].result);
        EXPECT_EQ(Occurrences(Events(), cases[i].event), 1u) << Events();
    }
    // No record at all is refused like a record without a serial text.
    std::remove(platform::EventLogPath().c_str());
    EXPECT_EQ(provider_->OnLunEmpty(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(Occurrences(Events(), "OnLunEmpty(): unable to parse partition serial number for LUN ('')"),
              1u);
    EXPECT_EQ(Sent(RRE_DELETE_PART), 0u);
    EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), listsBefore);  // no rediscovery
}

// Setting 1 deletes the partition alone and reads the array's partitions again; setting 2 on a controller
// without paged storage goes to the clean-up of the snapshot's master volume and snap pool instead.
TEST_F(SnapshotDeletionTest, TheStandardVolumeSettingChoosesTheDeletion) {
    const std::string cleanup = "Entering: BVSS_CapiRaidController::cleanupSimpleSnapshotDelete";
    const std::string reread = "Entering: BVSS_CapiRaidController::capiGetArrayPartitions";
    SetStandardVolumes(1);
    LunRecords lun(SerialsOnly({IdText(kSnapshot)}));
    const size_t rereadsBefore = Count(reread);
    EXPECT_EQ(provider_->OnLunEmpty(nullptr, lun.data()), S_OK);
    EXPECT_EQ(Sent(RRE_DELETE_PART), 1u);
    EXPECT_EQ(Count(reread), rereadsBefore + 1);
    EXPECT_EQ(Count(cleanup), 0u);
    EXPECT_EQ(Events().find("OnLunEmpty"), std::string::npos);

    SetStandardVolumes(2);
    provider_->OnLunEmpty(nullptr, lun.data());
    EXPECT_GE(Count(cleanup), 1u);
}

// With the setting 2 a snapshot's deletion also frees what its master volume no longer needs (the volume
// back to standard, its unused snap pool deleted), except for snapshots in paged storage: a paged snapshot on
// a controller that passes the Q700 test, or any snapshot on an older paged-storage controller, goes alone.
// A snapshot of the standard class goes alone on every controller.
TEST_F(SnapshotDeletionTest, WithTheSetting2TheControllerAndPartitionChooseTheCleanUp) {
    SetStandardVolumes(2);
    snapshotRows_ = {{kSnapshot, kMaster}, {kPagedSnapshot, kMaster}, {kPagedStandard, kMaster}};
    masterVolumeRows_ = {{kMaster, kPool, 0}};  // no snapshot left on the master volume
    snapPoolRows_ = {{kPool, 0}};               // nor a master volume on the pool
    const struct Case {
        const char* what;
        const char* firmware;
        uint32_t capabilities3;
        uint8_t snapshot;
        bool cleanedUp;
    } cases[] = {
        // clang-format off
        {"no paged storage", "V1.2", providertest::kSnapshotBit, kSnapshot, true},
        {"paged storage, Q700, linear snapshot", "I1.0", providertest::kSnapshotBit, kSnapshot, true},
        {"paged storage, Q700, paged snapshot", "I1.0", providertest::kSnapshotBit, kPagedSnapshot, false},
        {"older paged storage", "C1.2", providertest::kSnapshotBit | kPagedStorage, kSnapshot, false},
        {"standard class", "V1.2", providertest::kSnapshotBit, kPagedStandard, false},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (auto& controller : controllers_) {
            controller.second.firmware = c.firmware;
            controller.second.capabilities3 = c.capabilities3;
        }
        ASSERT_EQ(Peer::Controllers(*provider_).discoverRaidControllers(FALSE), S_OK);
        std::remove(platform::EventLogPath().c_str());
        const size_t before = proxy_.Messages().size();
        LunRecords lun(SerialsOnly({IdText(c.snapshot)}));
        EXPECT_EQ(provider_->OnLunEmpty(nullptr, lun.data()), S_OK) << Log();
        std::vector<uint8_t> deleted, converted;
        const std::vector<ProxyMessage> messages = proxy_.Messages();
        for (size_t i = before; i < messages.size(); ++i) {
            const ProxyMessage& m = messages[i];
            if (m.header.OpCode == RRE_DELETE_PART) deleted.push_back(m.data.at(16));
            if (m.header.OpCode == RRE_CONVERT_MASTER_VOLUME) converted.push_back(m.data.at(97));
        }
        const std::vector<uint8_t> cleanedUp = {c.snapshot, kPool};
        EXPECT_EQ(deleted, c.cleanedUp ? cleanedUp : std::vector<uint8_t>(1, c.snapshot));
        EXPECT_EQ(converted, c.cleanedUp ? std::vector<uint8_t>(1, kMaster) : std::vector<uint8_t>());
        EXPECT_EQ(Events(), "");
    }
}

TEST_F(SnapshotDeletionTest, APartnerDeletesWhatTheFirstControllerRefused) {
    SetStandardVolumes(1);
    Refuse(RRE_DELETE_PART, 0, kRefusedCode);
    LunRecords lun(SerialsOnly({IdText(kSnapshot)}));
    EXPECT_EQ(provider_->OnLunEmpty(nullptr, lun.data()), S_OK);
    EXPECT_EQ(Occurrences(Events(), "OnLunEmpty(): unable to delete snapshot for partition:partition id=" +
                                        IdText(kSnapshot) + "."),
              1u);

    // Refused by both: the last controller's result.
    std::remove(platform::EventLogPath().c_str());
    Refuse(RRE_DELETE_PART, 1, kRefusedCode);
    EXPECT_EQ(provider_->OnLunEmpty(nullptr, lun.data()), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(Occurrences(Events(), "unable to delete snapshot for partition"), 2u);
}

TEST_F(SnapshotDeletionTest, NoPairGivesAFinishedJob) {
    IVssAsync* async = nullptr;
    ASSERT_EQ(provider_->ResyncLuns(nullptr, nullptr, 0, &async), S_OK);
    ASSERT_NE(async, nullptr);
    HRESULT status = E_FAIL;
    INT progress = -1;
    EXPECT_EQ(async->QueryStatus(&status, &progress), S_OK);
    EXPECT_EQ(status, S_OK);
    EXPECT_EQ(progress, 100);
    status = E_FAIL;
    EXPECT_EQ(async->QueryStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status, S_OK);
    EXPECT_EQ(async->Wait(1000), S_OK);
    EXPECT_EQ(async->Cancel(), S_OK);
    EXPECT_EQ(Count("Exiting: CVssAsync::QueryStatus"), 2u);
    EXPECT_EQ(async->Release(), 0u);
    EXPECT_EQ(Sent(RRE_ROLLBACK_MASTER_VOLUME), 0u);
}

// Serial texts parse into the full 32-byte buffer, so a text longer than a partition ID is matched on its
// first 16 bytes and rolled back.
TEST_F(SnapshotDeletionTest, EachPairIsRolledBackWithTheSnapshotFirst) {
    LunRecords sources(SerialsOnly({IdText(kSnapshot) + std::string(32, 'F'), IdText(kSnapshot2)}));
    LunRecords targets(SerialsOnly({IdText(kMaster), IdText(kMaster2)}));
    IVssAsync* async = nullptr;
    ASSERT_EQ(provider_->ResyncLuns(sources.data(), targets.data(), 2, &async), S_OK);
    ASSERT_NE(async, nullptr);
    async->Release();
    EXPECT_EQ(Sent(RRE_ROLLBACK_MASTER_VOLUME), 2u);
    EXPECT_EQ(Count("ResyncLuns rolling back snapshot " + IdText(kSnapshot2) + " to master vol " +
                    IdText(kMaster2)),
              1u);
}

TEST_F(SnapshotDeletionTest, AnUnknownSecondSnapshotStopsAfterOneRediscovery) {
    const size_t listsBefore = Sent(RRE_GET_CONTROLLERHANDLEDB);
    LunRecords sources(SerialsOnly({IdText(kSnapshot), IdText(kUnknown)}));
    LunRecords targets(SerialsOnly({IdText(kMaster), "-"}));
    auto* untouched = reinterpret_cast<IVssAsync*>(0x1234);
    IVssAsync* async = untouched;
    EXPECT_EQ(provider_->ResyncLuns(sources.data(), targets.data(), 2, &async), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(async, untouched);
    EXPECT_EQ(Sent(RRE_ROLLBACK_MASTER_VOLUME), 1u);
    EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), listsBefore + 1);
    EXPECT_EQ(Occurrences(Events(), "ResyncLuns called with unknown (source, target) LUN ('" +
                                        IdText(kUnknown) + "', '')"),
              1u)
        << Events();
}

TEST_F(SnapshotDeletionTest, RefusedRollBacksAreVetoed) {
    struct Case {
        int32_t code;
        std::string event;
    } cases[] = {
        // clang-format off
        {CAPI_ERROR_NOT_ALLOWED_WITH_ASSIGNED_LUN, "cannot resync a volume mapped to LUN 0"},
        {kRefusedCode, ""},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        std::remove(platform::EventLogPath().c_str());
        Refuse(RRE_ROLLBACK_MASTER_VOLUME, 0, c.code);
        LunRecords sources(SerialsOnly({IdText(kSnapshot)}));
        LunRecords targets(SerialsOnly({IdText(kMaster)}));
        IVssAsync* async = nullptr;
        EXPECT_EQ(provider_->ResyncLuns(sources.data(), targets.data(), 1, &async), VSS_E_PROVIDER_VETO);
        EXPECT_EQ(async, nullptr);
        if (!c.event.empty()) {
            EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
        }
    }
    EXPECT_EQ(Count("ResyncLuns() failed: rollbackSnapshot() failed, returning VSS_E_PROVIDER_VETO\n"), 2u);
}

TEST_F(SnapshotDeletionTest, AJobThatCannotBeMadeIsOutOfMemory) {
    IVssAsync* async = nullptr;
    g_failAllocationOfSize = sizeof(ComObject<CVssAsync>);
    EXPECT_EQ(provider_->ResyncLuns(nullptr, nullptr, 0, &async), E_OUTOFMEMORY);
    g_failAllocationOfSize = 0;
    EXPECT_EQ(async, nullptr);
    EXPECT_EQ(Count("CComObject<CVssAsync>::CreateInstance(&pObject); failed with 8007000e\n"), 1u);
    EXPECT_EQ(provider_->ResyncLuns(nullptr, nullptr, 0, nullptr), E_POINTER);
}

}  // namespace
