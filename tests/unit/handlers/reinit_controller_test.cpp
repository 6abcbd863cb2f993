// REINIT_CONTROLLER through the command executor against the default fabric (one pair, two vdisks whose
// four volumes include a snapshot, a master volume and a backing store, spares, a leftover drive and
// nicknamed hosts): the pair left without volumes, vdisks, nicknames, spares and leftovers, the deletions
// in their order, files deleted inside the install directory only, a failed step answered as a failure,
// and the volumes judged by what is left on the pair once it has been read.
#include "corlink/handlers/reinit_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/database_state.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/reinit_deletions.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/unit/database/fabric_database_fixture.h"

namespace {

namespace fs = std::filesystem;
using simtest::Reach;

constexpr uint32_t kHandleA = 0x100;
constexpr uint32_t kRequestLength = 16404;
constexpr size_t kSessionBuffer = 4 << 20;
constexpr uint32_t kFailed = 0xFFFFFFFF;

uint32_t BigEndianAt(const std::vector<uint8_t>& buffer, size_t offset) {
    return (uint32_t{buffer[offset]} << 24) | (uint32_t{buffer[offset + 1]} << 16) |
           (uint32_t{buffer[offset + 2]} << 8) | buffer[offset + 3];
}

sim::CapiAnswer Refused(int32_t code) {
    sim::CapiAnswer answer;
    answer.returnCode = code;
    return answer;
}

class ReinitControllerTest : public FabricDatabaseTest {
  protected:
    void SetUp() override {
        FabricDatabaseTest::SetUp();
        SetInstallDirectory("C:\\corlink");
        install_ = root_.path() + "/C/corlink";
        fs::create_directories(install_ + "/logs");
        // A snapshot, a backing store and a master volume beside a standard volume; two spares and a
        // leftover drive; two nicknamed hosts.
        fabric_->Edit([](sim::FabricModel& model) {
            sim::StorageSystem& pair = model.systems[0];
            pair.partitions[1].partitionClass = sim::PartitionClass::Snapshot;
            pair.partitions[2].partitionClass = sim::PartitionClass::BackingStore;
            pair.partitions[3].partitionClass = sim::PartitionClass::Master;
            pair.drives[9].use = sim::DriveUse::PoolSpare;
            pair.drives[10].use = sim::DriveUse::DedicatedSpare;
            pair.drives[11].use = sim::DriveUse::Leftover;
            pair.nicknames = {{sim::HostPortId::Fc({0x21, 0, 0, 0x1B, 0x32, 0, 0, 1}), "host-one"},
                              {sim::HostPortId::Fc({0x21, 0, 0, 0x1B, 0x32, 0, 0, 2}), "two"}};
        });
        g_FirstDiscovery = 0;
        ASSERT_EQ(rreInitialize(), 0u);
        fabric_->journal().Clear();
        volumes_ = fabric_->Model().systems[0].partitions;
    }
    void TearDown() override {
        rreTerminate();
        SetInstallDirectory("");
        FabricDatabaseTest::TearDown();
    }

    struct Reply {
        uint32_t status = 0;
        uint32_t code = 0;
        int32_t length = 0;
    };
    static Reply Reinit(const std::vector<std::string>& files, uint32_t count = UINT32_MAX) {
        std::vector<uint8_t> buffer(kSessionBuffer, 0);
        const uint32_t id = kHandleA;
        const uint32_t n = count == UINT32_MAX ? static_cast<uint32_t>(files.size()) : count;
        std::memcpy(buffer.data() + 8, &id, 4);
        std::memcpy(buffer.data() + REINIT_FILE_COUNT_AT, &n, 4);
        for (size_t f = 0; f < files.size() && f < REINIT_MOST_FILES; ++f) {
            std::memcpy(buffer.data() + REINIT_FILE_NAMES_AT + f * REINIT_FILE_NAME_SIZE, files[f].data(),
                        std::min<size_t>(files[f].size(), REINIT_FILE_NAME_SIZE));
        }
        PackRreBuffer(RRE_REINIT_CONTROLLER, PACK_TO_NETWORK, buffer.data(), kRequestLength);
        Rre rre{
            RRE_REINIT_CONTROLLER, kRequestLength, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
        rreExecCommand(&rre);
        return {BigEndianAt(buffer, 0), BigEndianAt(buffer, 4), rre.ReplyLength};
    }
    // The journal's commands of these codes, in order, each run of one code counted once.
    std::vector<uint32_t> Phases(std::initializer_list<uint32_t> codes) {
        std::vector<uint32_t> phases;
        for (const sim::JournalEntry& entry : fabric_->journal().Entries()) {
            if (std::find(codes.begin(), codes.end(), entry.commandCode) == codes.end()) continue;
            if (phases.empty() || phases.back() != entry.commandCode) phases.push_back(entry.commandCode);
        }
        return phases;
    }

    std::string install_;
    std::vector<sim::Partition> volumes_;  // as the pair had them
};

INSTANTIATE_TEST_SUITE_P(Reach, ReinitControllerTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

TEST_P(ReinitControllerTest, LeavesThePairEmptyAndDeletesFilesInsideTheInstallDirectory) {
    for (const char* file : {"3C4D5E.dsk.bin", "logs/old.log", "keep.txt"}) {
        testsupport::WriteWholeFile(install_ + "/" + file, "x");
    }
    const std::string outside = root_.path() + "/C/outside.txt";
    testsupport::WriteWholeFile(outside, "keep me");
    fs::create_symlink(root_.path() + "/C", install_ + "/up");

    const Reply reply =
        Reinit({"logs\\old.log", "../outside.txt", "up/outside.txt", "/C/outside.txt", "missing.bin"});
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.length, static_cast<int32_t>(kRequestLength));

    const sim::StorageSystem pair = fabric_->Model().systems[0];
    EXPECT_TRUE(pair.partitions.empty());
    EXPECT_TRUE(pair.arrays.empty());
    EXPECT_TRUE(pair.nicknames.empty());
    for (const sim::Drive& drive : pair.drives) {
        EXPECT_TRUE(drive.use == sim::DriveUse::Available || drive.use == sim::DriveUse::Member)
            << drive.serial;
    }

    // The volumes go snapshot first, then the master volume, the backing store and the standard volume;
    // every one is unmapped before the first deletion; vdisks, nicknames, spares and the leftover follow.
    std::vector<sim::Serial16> deleted;
    size_t firstDeletion = SIZE_MAX, lastUnmapBeforeIt = 0;
    const std::vector<sim::JournalEntry> journal = fabric_->journal().Entries();
    for (size_t e = 0; e < journal.size(); ++e) {
        if (journal[e].commandCode == CAPI_COMMAND_U_DELETE_ARRAY_PARTITION &&
            journal[e].include.size() >= 16) {
            firstDeletion = std::min(firstDeletion, e);
            sim::Serial16 serial;
            std::copy_n(journal[e].include.begin(), 16, serial.begin());
            if (deleted.empty() || deleted.back() != serial) deleted.push_back(serial);
        }
        if (journal[e].commandCode == CAPI_COMMAND_U_MAP_UNMAP_PARTITION && e < firstDeletion)
            lastUnmapBeforeIt = e;
    }
    const std::vector<sim::Serial16> expectedOrder = {volumes_[1].serial, volumes_[3].serial,
                                                      volumes_[2].serial, volumes_[0].serial};
    EXPECT_EQ(deleted, expectedOrder);
    EXPECT_GT(lastUnmapBeforeIt, 0u);
    const std::vector<uint32_t> phases =
        Phases({CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY,
                CAPI_COMMAND_U_ADD_HOST_NICKNAME, CAPI_COMMAND_U_DELETE_SPARE, CAPI_COMMAND_U_DO_SCSI_MAINT});
    const std::vector<uint32_t> expectedPhases = {
        CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY, CAPI_COMMAND_U_ADD_HOST_NICKNAME,
        CAPI_COMMAND_U_DELETE_SPARE, CAPI_COMMAND_U_DO_SCSI_MAINT};
    EXPECT_EQ(phases, expectedPhases);

    EXPECT_FALSE(fs::exists(install_ + "/3C4D5E.dsk.bin"));
    EXPECT_FALSE(fs::exists(install_ + "/logs/old.log"));
    EXPECT_TRUE(fs::exists(install_ + "/keep.txt"));
    EXPECT_EQ(testsupport::ReadWholeFile(outside), "keep me");
}

// A count above 32 reads 32 names; a step that fails is answered as a failure after every other step ran.
TEST_P(ReinitControllerTest, AFailedStepAnswersMinusOneAndTheOthersStillRun) {
    testsupport::WriteWholeFile(install_ + "/f31", "x");
    std::vector<std::string> files(REINIT_MOST_FILES);
    for (size_t f = 0; f < files.size(); ++f) files[f] = "f" + std::to_string(f);
    fabric_->SetHandler(CAPI_COMMAND_U_DELETE_ARRAY, [](const sim::CapiRequest&, sim::StorageSystem&, int) {
        return Refused(CAPI_ERROR_COMMAND_FAILED);
    });
    const Reply reply = Reinit(files, 0x7FFFFFFF);
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.code, kFailed);
    const sim::StorageSystem pair = fabric_->Model().systems[0];
    EXPECT_TRUE(pair.partitions.empty());
    EXPECT_EQ(pair.arrays.size(), 2u);
    EXPECT_TRUE(pair.nicknames.empty());
    EXPECT_FALSE(fs::exists(install_ + "/f31"));
}

// An unmap that the controller refused three times does not fail a wipe whose later steps unmapped and
// deleted every volume: what is left on the pair decides.
TEST_P(ReinitControllerTest, AnUnmapThatFailedEarlyDoesNotFailAWipeThatLeftNothing) {
    fabric_->InjectFault(0, 0,
                         {sim::FaultKind::ReturnCode, CAPI_COMMAND_U_MAP_UNMAP_PARTITION,
                          CAPI_ERROR_FAILURE_DUE_TO_CONFIG_CHANGE, 3});
    const Reply reply = Reinit({});
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.code, 0u);
    const sim::StorageSystem pair = fabric_->Model().systems[0];
    EXPECT_TRUE(pair.partitions.empty());
    EXPECT_TRUE(pair.arrays.empty());
}

// The proxy last read the pair without volumes; volumes were made since, and now (periodic discovery off)
// the pair answers nothing. An empty list that could not be read again is no proof: the step fails, and
// the volumes stay.
TEST_P(ReinitControllerTest, VolumesOfAPairThatDoesNotAnswerAreNotReportedGone) {
    const int32_t a = FindControllerByClientId(kHandleA);
    fabric_->Edit([](sim::FabricModel& model) { model.systems[0].partitions.clear(); });
    fabric_->RecordConfigurationChange(0);
    ASSERT_EQ(UpdateControllerAndPartner(a), 0);
    fabric_->Edit([&](sim::FabricModel& model) { model.systems[0].partitions = volumes_; });
    fabric_->RecordConfigurationChange(0);
    g_DiscoveryFlag = 0;
    for (int half : {0, 1}) fabric_->SetControllerCondition(0, half, sim::HalfState::Down, 0, 0);
    const int32_t result = deleteAllPartitions(a);
    for (int half : {0, 1}) fabric_->SetControllerCondition(0, half, sim::HalfState::Up, 0, 0);
    EXPECT_NE(result, 0);
    EXPECT_EQ(fabric_->Model().systems[0].partitions.size(), volumes_.size());
}

}  // namespace
