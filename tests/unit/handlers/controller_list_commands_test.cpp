// The controller list commands through rreExecCommand against the default fabric: the pair and its ids,
// the storage-system table with its passwords masked until authenticated, the re-read flag asked once,
// and a controller's unified record in network order.
#include "corlink/handlers/controller_list_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/database/capi_session.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/database/master_callback.h"
#include "corlink/database/reply_buffers.h"
#include "corlink/database/storage_system.h"
#include "corlink/executor/executor.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/api_raid_controller.h"
#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "platform/time/clock.h"
#include "tests/support/test_root.h"
#include "tests/unit/database/fabric_database_fixture.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace {

using simtest::Reach;

constexpr uint32_t kHandleA = 0x100;
constexpr uint32_t kHandleB = 0x200;
constexpr char kUniqueSN[] = "3C4D5E";

uint32_t BigEndianAt(const std::vector<uint8_t>& buffer, size_t offset) {
    return (uint32_t{buffer[offset]} << 24) | (uint32_t{buffer[offset + 1]} << 16) |
           (uint32_t{buffer[offset + 2]} << 8) | buffer[offset + 3];
}

void PutBigEndian(std::vector<uint8_t>& buffer, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) buffer[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

std::string TextAt(const std::vector<uint8_t>& buffer, size_t offset, size_t size) {
    const char* text = reinterpret_cast<const char*>(buffer.data() + offset);
    return std::string(text, strnlen(text, size));
}

struct Reply {
    std::vector<uint8_t> buffer;
    int32_t replyLength = 0;
    int32_t status() const { return static_cast<int32_t>(BigEndianAt(buffer, 0)); }
    uint32_t code() const { return BigEndianAt(buffer, 4); }
};

class ControllerListCommandsTest : public FabricDatabaseTest {
  protected:
    void TearDown() override {
        rreTerminate();
        FabricDatabaseTest::TearDown();
    }
    static void Start() {
        g_FirstDiscovery = 0;
        ASSERT_EQ(rreInitialize(), 0u);
    }
    // The request as the client sends it, in a buffer of `bufferSize` bytes (the request length when 0).
    static Reply Exec(uint32_t code, std::vector<uint8_t> request, uint32_t bufferSize = 0,
                      uint32_t trusted = 1) {
        const uint32_t length = static_cast<uint32_t>(request.size());
        request.resize(std::max(length, bufferSize));
        Rre rre{code, length, request.data(), static_cast<uint32_t>(request.size()), 0, trusted};
        rreExecCommand(&rre);
        return {std::move(request), rre.ReplyLength};
    }
    static Reply NeedUpdate(const char* uniqueSN) {
        std::vector<uint8_t> request(RRE_NEED_UPDATE_LENGTH);
        std::strncpy(reinterpret_cast<char*>(request.data() + 8), uniqueSN, 31);
        return Exec(RRE_GET_NEED_UPDATE_CONTROLLER, request);
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, ControllerListCommandsTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

struct HandleDbCase {
    const char* name;
    bool bPresentAtStart;
    uint32_t expectedB;
};

TEST_P(ControllerListCommandsTest, HandleDbListsThePairWithBothClientIds) {
    const HandleDbCase cases[] = {
        // clang-format off
        {"both controllers on the bus", true, kHandleB},
        {"B missing: its placeholder's id is A's handle with bit 0", false, kHandleA | 1},
        // clang-format on
    };
    for (const HandleDbCase& c : cases) {
        SCOPED_TRACE(c.name);
        EmptyDatabase();
        fabric_->SetControllerPresent(0, 1, c.bPresentAtStart);
        Start();
        const Reply reply = Exec(RRE_GET_CONTROLLERHANDLEDB, std::vector<uint8_t>(16), RRE_HANDLE_DB_LENGTH);
        EXPECT_EQ(reply.status(), 0);
        EXPECT_EQ(reply.code(), 0u);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(RRE_HANDLE_DB_LENGTH));
        ASSERT_EQ(BigEndianAt(reply.buffer, 8), 1u);
        EXPECT_EQ(TextAt(reply.buffer, 16, 32), kUniqueSN);
        EXPECT_EQ(BigEndianAt(reply.buffer, 48), kHandleA);
        EXPECT_EQ(BigEndianAt(reply.buffer, 52), c.expectedB);
        EXPECT_EQ(BigEndianAt(reply.buffer, 56), 0u) << "nothing past the last record";
        rreTerminate();
        fabric_->SetControllerPresent(0, 1, true);
    }
}

TEST_P(ControllerListCommandsTest, HandleDbLogsOneEntryLineAndOneExitLine) {
    Start();
    const std::string log = root_.path() + "/handle_db.log";
    CloseDebugFile();
    OpenDebugFile(log.c_str());
    Exec(RRE_GET_CONTROLLERHANDLEDB, std::vector<uint8_t>(16), RRE_HANDLE_DB_LENGTH);
    CloseDebugFile();
    OpenDebugFile(nullptr);
    const std::string text = testsupport::ReadWholeFile(log);
    size_t lines = 0;
    for (size_t at = text.find("capicmd==>>capiGetControllerHandleDb"); at != std::string::npos;
         at = text.find("capicmd==>>capiGetControllerHandleDb", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 2u) << text;
    EXPECT_NE(text.find("capicmd==>>capiGetControllerHandleDb (gNumControllers=2)"), std::string::npos);
}

TEST_P(ControllerListCommandsTest, HandleDbLeavesOutAMateThatNoLongerAnswersAndRediscoversOnRequest) {
    Start();
    fabric_->SetControllerPresent(0, 1, false);
    Reply reply = Exec(RRE_GET_CONTROLLERHANDLEDB, std::vector<uint8_t>(16), RRE_HANDLE_DB_LENGTH);
    ASSERT_EQ(BigEndianAt(reply.buffer, 8), 1u);
    EXPECT_EQ(BigEndianAt(reply.buffer, 48), kHandleA);
    EXPECT_EQ(BigEndianAt(reply.buffer, 52), 0u) << "B does not answer the sequence-number command";

    // Byte 12 = 1 rebuilds the database first: A reports B as its mate's placeholder.
    std::vector<uint8_t> rediscover(16);
    rediscover[12] = 1;
    Exec(RRE_GET_CONTROLLERHANDLEDB, rediscover, RRE_HANDLE_DB_LENGTH);
    reply = Exec(RRE_GET_CONTROLLERHANDLEDB, rediscover, RRE_HANDLE_DB_LENGTH);
    ASSERT_EQ(BigEndianAt(reply.buffer, 8), 1u);
    EXPECT_EQ(BigEndianAt(reply.buffer, 52), kHandleA | 1);
}

TEST_P(ControllerListCommandsTest, WrongRequestLengthsAndTooSmallBuffersAreRefused) {
    Start();
    struct Case {
        uint32_t code;
        uint32_t requestLength;
        uint32_t bufferSize;
    };
    const Case cases[] = {
        // clang-format off
        {RRE_GET_CONTROLLERHANDLEDB, 16, RRE_HANDLE_DB_LENGTH - 1},
        {RRE_GET_STORAGESYSTEMS, RRE_STORAGE_SYSTEMS_LENGTH - 1, RRE_STORAGE_SYSTEMS_LENGTH},
        {RRE_GET_NEED_UPDATE_CONTROLLER, 8, 64},
        {RRE_GET_UNIFIED_CONTROLLER_DATA, 12, RRE_UNIFIED_CONTROLLER_DATA_LENGTH},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const Reply reply = Exec(c.code, std::vector<uint8_t>(c.requestLength), c.bufferSize);
        EXPECT_EQ(reply.status(), -1);
        EXPECT_EQ(reply.code(), RRE_ERROR_WRONG_LENGTH);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(RRE_REPLY_HEAD_LENGTH));
    }
}

TEST_P(ControllerListCommandsTest, StorageSystemsMaskThePasswordUntilAuthenticated) {
    Start();
    ASSERT_EQ(nStorageSystem, 1);
    std::strcpy(gStorageSystems[0].password, "secret");
    gStorageSystems[0].controllerA.timeDate = 0x01020304;  // travels in host order
    for (uint32_t authenticated : {0u, 1u}) {
        SCOPED_TRACE(authenticated);
        gStorageSystems[0].authenticated = authenticated;
        const Reply reply = Exec(RRE_GET_STORAGESYSTEMS, std::vector<uint8_t>(RRE_STORAGE_SYSTEMS_LENGTH));
        EXPECT_EQ(reply.status(), 0);
        EXPECT_EQ(reply.code(), 0u);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(RRE_STORAGE_SYSTEMS_LENGTH));
        EXPECT_EQ(BigEndianAt(reply.buffer, 12), 1u);
        const size_t entry = RRE_STORAGE_SYSTEMS_TABLE_OFFSET;
        EXPECT_EQ(TextAt(reply.buffer, entry, 32), kUniqueSN);
        EXPECT_EQ(BigEndianAt(reply.buffer, entry + 112), authenticated);
        EXPECT_EQ(TextAt(reply.buffer, entry + 116, 32), authenticated ? "secret" : "uninitialized");
        EXPECT_EQ(BigEndianAt(reply.buffer, entry + 148), kHandleA);
        EXPECT_EQ(BigEndianAt(reply.buffer, entry + 152), kHandleB);
        uint32_t timeDate = 0;
        std::memcpy(&timeDate, reply.buffer.data() + entry + 156 + 96, sizeof timeDate);
        EXPECT_EQ(timeDate, 0x01020304u);
        EXPECT_EQ(TextAt(reply.buffer, entry + sizeof(STORAGE_SYSTEM) + 116, 32), "uninitialized")
            << "unused entries are not authenticated either";
    }
    EXPECT_STREQ(gStorageSystems[0].password, "secret") << "only the reply is masked";
}

TEST_P(ControllerListCommandsTest, NeedUpdateAnswersOnceAfterEitherControllerWasReRead) {
    Start();
    NeedUpdate(kUniqueSN);  // drains what discovery left
    ASSERT_EQ(NeedUpdate(kUniqueSN).buffer[40], 0);
    for (int32_t controller : {0, 1}) {
        SCOPED_TRACE(controller);
        fabric_->RecordConfigurationChange(0);
        RefreshController(controller);
        const Reply first = NeedUpdate(kUniqueSN);
        EXPECT_EQ(first.status(), 0);
        EXPECT_EQ(first.code(), 0u);
        EXPECT_EQ(first.replyLength, static_cast<int32_t>(RRE_NEED_UPDATE_LENGTH));
        EXPECT_EQ(first.buffer[40], 1);
        EXPECT_EQ(TextAt(first.buffer, 8, 32), kUniqueSN);
        EXPECT_EQ(NeedUpdate(kUniqueSN).buffer[40], 0);
    }
    fabric_->RecordConfigurationChange(0);
    RefreshController(0);
    const Reply unknown = NeedUpdate("FFFFFF");
    EXPECT_EQ(unknown.code(), 0u);
    EXPECT_EQ(unknown.buffer[40], 0);
}

TEST_P(ControllerListCommandsTest, UnifiedControllerDataTravelsInNetworkOrderToAuthorisedCallers) {
    Start();
    auto request = [](uint32_t id) {
        std::vector<uint8_t> buffer(RRE_UNIFIED_CONTROLLER_DATA_LENGTH);
        PutBigEndian(buffer, 8, id);
        return buffer;
    };
    const Reply reply = Exec(RRE_GET_UNIFIED_CONTROLLER_DATA, request(kHandleB));
    ASSERT_EQ(reply.status(), 0);
    EXPECT_EQ(reply.code(), 0u);
    EXPECT_EQ(reply.replyLength, static_cast<int32_t>(RRE_UNIFIED_CONTROLLER_DATA_LENGTH));
    EXPECT_EQ(BigEndianAt(reply.buffer, 8), kHandleB);
    const size_t pair = RRE_UNIFIED_CONTROLLER_OFFSET + offsetof(CAPI_UNIFIED_CONTROLLER, controllers);
    const CAPI_UNIFIED_CONTROLLER_DATA& stored = g_UnifiedControllerBuffer.controllers[0];
    EXPECT_EQ(TextAt(reply.buffer, pair + offsetof(CAPI_UNIFIED_CONTROLLER_DATA, serialNumber), 32),
              std::string(reinterpret_cast<const char*>(stored.serialNumber), 12));
    const uint32_t sequence = stored.configSequenceNumber;
    EXPECT_NE(sequence, 0u);
    EXPECT_EQ(BigEndianAt(reply.buffer, pair + offsetof(CAPI_UNIFIED_CONTROLLER_DATA, configSequenceNumber)),
              sequence);

    struct Refused {
        const char* name;
        uint32_t id;
        uint32_t trusted;
    };
    const Refused refused[] = {
        // clang-format off
        {"no controller has the id", 0x4200, 1},
        {"storage system not authenticated", kHandleA, 0},
        // clang-format on
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        const Reply answer = Exec(RRE_GET_UNIFIED_CONTROLLER_DATA, request(r.id), 0, r.trusted);
        EXPECT_EQ(answer.status(), -1);
        EXPECT_EQ(answer.code(), RRE_ERROR_NO_CONTROLLER);
    }
    gStorageSystems[0].authenticated = 1;
    EXPECT_EQ(Exec(RRE_GET_UNIFIED_CONTROLLER_DATA, request(kHandleA), 0, 0).status(), 0);
}

struct GetControllerCase {
    const char* name;
    bool bPresent;
    bool bFirst;         // B's path is enumerated before A's
    const char* serial;  // the controller asked for
};

// The client id of the entry that holds the controller with this serial, or 0.
uint32_t ClientIdOf(const char* serial) {
    for (uint32_t i = 0; i < g_NumControllers; ++i) {
        const char* own = reinterpret_cast<const char*>(g_ControllerDb[i].controller.serialNumber);
        if (std::strncmp(own, serial, 32) == 0) return GetClientControllerId(static_cast<int32_t>(i));
    }
    return 0;
}

// Every entry, whichever controller was enumerated first and placeholders too, answers with the partitions
// of all its arrays.
TEST_P(ControllerListCommandsTest, GetControllerReturnsTheEntryWithItsPartitionsInHostOrder) {
    const GetControllerCase cases[] = {
        // clang-format off
        {"controller A", true, false, "00C0FF1A2B01"},
        {"controller B", true, false, "00C0FF1A2B02"},
        {"B's placeholder: B's half as seen over A", false, false, "00C0FF1A2B02"},
        {"controller B, enumerated before A", true, true, "00C0FF1A2B02"},
        {"controller A, enumerated after B", true, true, "00C0FF1A2B01"},
        // clang-format on
    };
    const sim::ScsiAddress lunA = simtest::kLunA;
    const sim::ScsiAddress lunB = simtest::kLunB;
    for (const GetControllerCase& c : cases) {
        SCOPED_TRACE(c.name);
        EmptyDatabase();
        fabric_->SetControllerPresent(0, 1, c.bPresent);
        fabric_->Edit([&](sim::FabricModel& model) {
            model.systems[0].controllers[0].managementLun = c.bFirst ? lunB : lunA;
            model.systems[0].controllers[1].managementLun = c.bFirst ? lunA : lunB;
        });
        Start();
        const uint32_t id = ClientIdOf(c.serial);
        ASSERT_NE(id, 0u);
        std::vector<uint8_t> request(4);
        PutBigEndian(request, 0, id);
        const Reply reply = Exec(RRE_GET_CONTROLLER, request, sizeof(API_RAID_CONTROLLER));
        ASSERT_EQ(reply.replyLength, static_cast<int32_t>(sizeof(API_RAID_CONTROLLER)));
        API_RAID_CONTROLLER* data =
            static_cast<API_RAID_CONTROLLER*>(std::malloc(sizeof(API_RAID_CONTROLLER)));
        std::memcpy(static_cast<void*>(data), reply.buffer.data(), sizeof(API_RAID_CONTROLLER));
        const int32_t status = data->status;
        const uint32_t controllerId = data->controllerId;
        const uint32_t numArrays = data->numArrays;
        const uint32_t partitionCount = data->partitionCount;
        EXPECT_EQ(status, 0);
        EXPECT_EQ(controllerId, id) << "host order";
        EXPECT_EQ(TextAt(reply.buffer, offsetof(API_RAID_CONTROLLER, UniqueSN), 32), kUniqueSN);
        EXPECT_EQ(TextAt(reply.buffer, offsetof(API_RAID_CONTROLLER, controller) + 21568, 32), c.serial);
        ASSERT_GT(numArrays, 0u);
        uint32_t expected = 0;
        for (uint32_t i = 0; i < numArrays; ++i) expected += data->arrays[i].largeNumArrayPartitions;
        EXPECT_GT(partitionCount, 0u);
        EXPECT_EQ(partitionCount, expected);
        for (uint32_t k = 0; k < partitionCount; ++k) {
            const API_PARTITION_ENTRY& entry = data->partitions[k];
            const uint8_t array = entry.arrayIndex;
            ASSERT_LT(array, numArrays);
            EXPECT_EQ(std::memcmp(entry.partition.arraySerialNumber, data->arrays[array].serialNumber, 16), 0)
                << "partition " << k << " belongs to the array it names";
        }
        const API_PARTITION_ENTRY& past = data->partitions[partitionCount];
        EXPECT_EQ(past.arrayIndex, 0);
        std::free(data);
        rreTerminate();
        fabric_->SetControllerPresent(0, 1, true);
    }
}

// A controller with more pool components than the reply's 256 records: the count names only those sent.
TEST_P(ControllerListCommandsTest, GetControllerCountsOnlyTheComponentsItsReplyHolds) {
    constexpr uint32_t kPools = 2;
    constexpr uint32_t kComponentsPerPool = 150;
    fabric_->SetHandler(1354, [](const sim::CapiRequest&, sim::StorageSystem&, int) {
        sim::CapiAnswer answer;
        answer.params[0] = kPools;
        answer.data.assign(kPools * RAID_CONTROLLER_POOL_RECORD_SIZE, 0);
        return answer;
    });
    fabric_->SetHandler(1355, [](const sim::CapiRequest&, sim::StorageSystem&, int) {
        sim::CapiAnswer answer;
        answer.params[0] = kComponentsPerPool;
        answer.data.assign(kComponentsPerPool * RAID_CONTROLLER_POOL_RECORD_SIZE, 0x5C);
        return answer;
    });
    Start();
    std::vector<uint8_t> request(4);
    PutBigEndian(request, 0, kHandleA);
    const Reply reply = Exec(RRE_GET_CONTROLLER, request, sizeof(API_RAID_CONTROLLER));
    ASSERT_EQ(reply.status(), 0);
    uint32_t pools = 0;
    uint32_t components = 0;
    std::memcpy(&pools, reply.buffer.data() + offsetof(API_RAID_CONTROLLER, numPools), sizeof pools);
    std::memcpy(&components, reply.buffer.data() + offsetof(API_RAID_CONTROLLER, numComponents),
                sizeof components);
    EXPECT_EQ(pools, kPools);
    EXPECT_EQ(components, API_RAID_CONTROLLER_COMPONENTS) << "the entry holds 300";
    EXPECT_EQ(
        reply.buffer[offsetof(API_RAID_CONTROLLER, components) + sizeof(API_RAID_CONTROLLER::components) - 1],
        0x5C);
}

TEST_P(ControllerListCommandsTest, GetControllerRefusesBadRequests) {
    Start();
    struct Case {
        const char* name;
        uint32_t length;
        uint32_t id;
        uint32_t bufferSize;
        uint32_t trusted;
        uint32_t code;
    };
    const Case cases[] = {
        // clang-format off
        {"length before code", 5, kHandleA, sizeof(API_RAID_CONTROLLER), 1, RRE_ERROR_BAD_LENGTH},
        {"buffer smaller than the reply", 4, kHandleA, sizeof(API_RAID_CONTROLLER) - 1, 1,
         RRE_ERROR_WRONG_LENGTH},
        {"no controller has the id", 4, 0x4200, sizeof(API_RAID_CONTROLLER), 1, RRE_ERROR_NO_CONTROLLER},
        {"storage system not authenticated", 4, kHandleA, sizeof(API_RAID_CONTROLLER), 0,
         RRE_ERROR_NO_CONTROLLER},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> request(c.length);
        PutBigEndian(request, 0, c.id);
        const Reply reply = Exec(RRE_GET_CONTROLLER, request, c.bufferSize, c.trusted);
        EXPECT_EQ(reply.status(), -1);
        EXPECT_EQ(reply.code(), c.code);
        EXPECT_EQ(reply.replyLength, static_cast<int32_t>(RRE_REPLY_HEAD_LENGTH));
    }
}

TEST_P(ControllerListCommandsTest, GetControllerFollowsItsControllerThroughARediscovery) {
    Start();
    fabric_->SetControllerPresent(0, 0, false);  // A vanishes: its read rebuilds the database
    std::vector<uint8_t> request(4);
    PutBigEndian(request, 0, kHandleA);
    const Reply reply = Exec(RRE_GET_CONTROLLER, request, sizeof(API_RAID_CONTROLLER));
    ASSERT_EQ(reply.status(), 0);
    ASSERT_EQ(g_ControllerDb[0].isPartner, 1) << "A is now a placeholder over B";
    EXPECT_EQ(TextAt(reply.buffer, offsetof(API_RAID_CONTROLLER, controller) + 21568, 32), "00C0FF1A2B01");
}

}  // namespace
