// REINIT_CONTROLLER through the command executor against the default fabric (one pair, two vdisks with
// four volumes, nicknamed hosts): the pair left without volumes, vdisks and nicknames, every volume
// unmapped before the deletions and the deletions in their order, files deleted inside the install
// directory only, and a failed step answered as a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "corlink/capi/byte_order.h"
#include "corlink/capi/capi_command_codes.h"
#include "corlink/capi/capi_error_codes.h"
#include "corlink/capi/capi_host.h"
#include "corlink/commands/capi_session.h"
#include "corlink/commands/reinit_controller.h"
#include "corlink/commands/rre.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/service/service_params.h"
#include "tests/unit/commands/fabric_database_fixture.h"

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

sim::CapiAnswer Done(sim::StorageSystem& pair) {
    sim::RecordConfigurationChange(pair);
    return {};
}

class ReinitControllerTest : public FabricDatabaseTest {
protected:
    void SetUp() override {
        FabricDatabaseTest::SetUp();
        SetInstallDirectory("C:\\corlink");
        install_ = root_.path() + "/C/corlink";
        fs::create_directories(install_ + "/logs");
        InstallDeletionHandlers();
        fabric_->Edit([](sim::FabricModel& model) {
            sim::StorageSystem& pair = model.systems[0];
            auto fcPort = [](uint8_t last) {
                sim::HostPortId id;
                id.port = {0x21, 0, 0, 0x1B, 0x32, 0, 0, last};
                return id;
            };
            pair.nicknames = {{fcPort(1), "host-one"}, {fcPort(2), "two"}};
        });
        g_FirstDiscovery = 0;
        ASSERT_EQ(rreInitialize(), 0u);
        fabric_->journal().Clear();
    }
    void TearDown() override {
        rreTerminate();
        SetInstallDirectory("");
        FabricDatabaseTest::TearDown();
    }

    // The controller commands that the deletions send, as the pair answers them.
    void InstallDeletionHandlers() {
        fabric_->SetHandler(CAPI_COMMAND_U_DELETE_ARRAY_PARTITION,
                            [](const sim::CapiRequest& request, sim::StorageSystem& pair, int) {
                                if (request.includeLength < 16) return Refused(CAPI_ERROR_COMMAND_FAILED);
                                auto& partitions = pair.partitions;
                                const auto gone = std::remove_if(partitions.begin(), partitions.end(), [&](const sim::Partition& p) {
                                    return std::memcmp(p.serial.data(), request.include, p.serial.size()) == 0;
                                });
                                if (gone == partitions.end()) return Refused(CAPI_ERROR_BAD_IDENTIFIER);
                                partitions.erase(gone, partitions.end());
                                return Done(pair);
                            });
        fabric_->SetHandler(CAPI_COMMAND_U_DELETE_ARRAY, [](const sim::CapiRequest& request, sim::StorageSystem& pair, int) {
            if (request.includeLength < 32) return Refused(CAPI_ERROR_COMMAND_FAILED);
            auto& arrays = pair.arrays;
            const auto gone = std::remove_if(arrays.begin(), arrays.end(), [&](const sim::Array& a) {
                return std::memcmp(a.serial.data(), request.include, a.serial.size()) == 0;
            });
            if (gone == arrays.end()) return Refused(CAPI_ERROR_BAD_IDENTIFIER);
            arrays.erase(gone, arrays.end());
            return Done(pair);
        });
        fabric_->SetHandler(CAPI_COMMAND_U_GET_HOST_NICKNAMES, [](const sim::CapiRequest&, sim::StorageSystem& pair, int) {
            CAPI_HOST_NICKNAME_LIST list;
            std::memset(&list, 0, sizeof list);
            list.reserved0[0] = static_cast<uint8_t>(pair.nicknames.size());
            for (size_t j = 0; j < pair.nicknames.size() && j < 64; ++j) {
                std::memcpy(list.hosts[j].flexId.FCPortWWN, pair.nicknames[j].port.port.data(), 8);
                std::memcpy(list.hosts[j].reserved48, pair.nicknames[j].name.data(),
                            std::min<size_t>(pair.nicknames[j].name.size(), 16));
            }
            sim::CapiAnswer answer;
            answer.includeType = 34;
            answer.params[0] = 1;
            const auto* bytes = reinterpret_cast<const uint8_t*>(&list);
            answer.data.assign(bytes, bytes + sizeof list);
            return answer;
        });
        fabric_->SetHandler(CAPI_COMMAND_U_ADD_HOST_NICKNAME, [](const sim::CapiRequest& request, sim::StorageSystem& pair, int) {
            CAPI_HOST_NICKNAME record;
            if (request.includeLength < sizeof record) return Refused(CAPI_ERROR_COMMAND_FAILED);
            std::memcpy(&record, request.include, sizeof record);
            for (sim::Nickname& nickname : pair.nicknames) {
                if (std::memcmp(nickname.port.port.data(), record.flexId.FCPortWWN, 8) == 0) {
                    nickname.name.assign(reinterpret_cast<const char*>(record.reserved0),
                                         strnlen(reinterpret_cast<const char*>(record.reserved0), 80));
                }
            }
            return Done(pair);
        });
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
        Rre rre{RRE_REINIT_CONTROLLER, kRequestLength, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
        rreExecCommand(&rre);
        return {BigEndianAt(buffer, 0), BigEndianAt(buffer, 4), rre.ReplyLength};
    }
    // The journal's commands of these codes, in order.
    std::vector<uint32_t> Sent(std::initializer_list<uint32_t> codes) {
        std::vector<uint32_t> sent;
        for (const sim::JournalEntry& entry : fabric_->journal().Entries()) {
            if (std::find(codes.begin(), codes.end(), entry.commandCode) != codes.end()) sent.push_back(entry.commandCode);
        }
        return sent;
    }

    std::string install_;
};

INSTANTIATE_TEST_SUITE_P(Reach, ReinitControllerTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

TEST_P(ReinitControllerTest, LeavesThePairEmptyAndDeletesFilesInsideTheInstallDirectory) {
    for (const char* file : {"3C4D5E.dsk.bin", "logs/old.log", "keep.txt"}) {
        testsupport::WriteWholeFile(install_ + "/" + file, "x");
    }
    const std::string outside = root_.path() + "/C/outside.txt";
    testsupport::WriteWholeFile(outside, "keep me");
    fs::create_symlink(root_.path() + "/C", install_ + "/up");

    const Reply reply = Reinit({"logs\\old.log", "../outside.txt", "up/outside.txt", "/C/outside.txt", "missing.bin"});
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.length, static_cast<int32_t>(kRequestLength));

    const sim::StorageSystem pair = fabric_->Model().systems[0];
    EXPECT_TRUE(pair.partitions.empty());
    EXPECT_TRUE(pair.arrays.empty());
    for (const sim::Nickname& nickname : pair.nicknames) EXPECT_EQ(nickname.name, "");

    // Every volume unmapped, then deleted, then the vdisks, then the nicknames.
    const std::vector<uint32_t> order = Sent({CAPI_COMMAND_U_MAP_UNMAP_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY_PARTITION,
                                              CAPI_COMMAND_U_DELETE_ARRAY, CAPI_COMMAND_U_ADD_HOST_NICKNAME});
    const std::vector<uint32_t> expected = {
        CAPI_COMMAND_U_MAP_UNMAP_PARTITION,   CAPI_COMMAND_U_MAP_UNMAP_PARTITION,   CAPI_COMMAND_U_MAP_UNMAP_PARTITION,
        CAPI_COMMAND_U_MAP_UNMAP_PARTITION,   CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY_PARTITION,
        CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY_PARTITION, CAPI_COMMAND_U_DELETE_ARRAY,
        CAPI_COMMAND_U_DELETE_ARRAY,          CAPI_COMMAND_U_ADD_HOST_NICKNAME,      CAPI_COMMAND_U_ADD_HOST_NICKNAME};
    EXPECT_EQ(order, expected);

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
    fabric_->SetHandler(CAPI_COMMAND_U_DELETE_ARRAY,
                        [](const sim::CapiRequest&, sim::StorageSystem&, int) { return Refused(CAPI_ERROR_COMMAND_FAILED); });
    const Reply reply = Reinit(files, 0x7FFFFFFF);
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(reply.code, kFailed);
    const sim::StorageSystem pair = fabric_->Model().systems[0];
    EXPECT_TRUE(pair.partitions.empty());
    EXPECT_EQ(pair.arrays.size(), 2u);
    for (const sim::Nickname& nickname : pair.nicknames) EXPECT_EQ(nickname.name, "");
    EXPECT_FALSE(fs::exists(install_ + "/f31"));
}

}  // namespace
