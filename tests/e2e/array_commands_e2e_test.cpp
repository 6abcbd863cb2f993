// The array, partition, drive and progress commands of a client over a real TCP session: corlink4 and
// arraysim as child processes, the default scenario with vd02 verifying (37 percent) and volume data02
// mapped to two hosts. Requests are converted by the client's converters and replies converted back.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_array.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tools/proxy_client_session.h"

namespace {

using namespace e2e;

constexpr const char* kHost1 = "2100001B32000101";
constexpr const char* kHost2 = "2100001B32000102";

// The default scenario with a verification running on vd02 and data02 mapped to two hosts.
std::string Scenario() {
    std::string text = testsupport::ReadWholeFile(SIM_SCENARIO_DIR "/default.ini");
    auto addTo = [&](const std::string& section, const std::string& keys) {
        const size_t at = text.find(section);
        if (at != std::string::npos) text.insert(at + section.size(), keys);
    };
    addTo("[array.vd02]\n", "utility = 3\npercent = 37\n");
    addTo("[volume.v2]\n", std::string("host_port_1 = ") + kHost1 +
                               "\nhost_lun_1 = 5\nhost_flags_1 = 0xC0\n" + "host_port_2 = " + kHost2 +
                               "\nhost_lun_2 = 6\nhost_flags_2 = 0xC0\n");
    return text;
}

uint32_t HostWord(const std::vector<uint8_t>& data, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}
void PutWord(std::vector<uint8_t>& data, size_t offset, uint32_t value) {
    std::memcpy(data.data() + offset, &value, sizeof value);
}
std::string TextAt(const std::vector<uint8_t>& data, size_t offset) {
    const char* text = reinterpret_cast<const char*>(data.data() + offset);
    return std::string(text, strnlen(text, 32));
}

class ArrayCommandsE2eTest : public ProxySessionTest {
  protected:
    void SetUp() override {
        testsupport::WriteWholeFile(ScenarioFile(), Scenario());
        ASSERT_NO_FATAL_FAILURE(ProxySessionTest::SetUp());
        ProxyReply handles;
        ASSERT_TRUE(session_.Request(RRE_GET_CONTROLLERHANDLEDB, {}, &handles)) << session_.Error();
        ASSERT_EQ(ProxyWord(handles.data, RRE_HANDLE_DB_COUNT_OFFSET), 1u);
        idA_ = ProxyWord(handles.data, RRE_HANDLE_DB_RECORD_OFFSET + RRE_HANDLE_DB_ID_A_OFFSET);
        idB_ = ProxyWord(handles.data, RRE_HANDLE_DB_RECORD_OFFSET + RRE_HANDLE_DB_ID_B_OFFSET);
    }
    std::string ScenarioFile() const override { return root_.path() + "/scenario.ini"; }

    // A request to controller `id` (A by default) filled in host order, converted as a client converts it;
    // the reply as it came.
    ProxyReply Send(uint32_t code, uint32_t length, const std::function<void(std::vector<uint8_t>&)>& fill,
                    uint32_t id = 0) {
        std::vector<uint8_t> request(length);
        PutWord(request, 8, id != 0 ? id : idA_);
        fill(request);
        PackRreBuffer(code, PACK_TO_NETWORK, request.data(), request.size());
        ProxyReply reply;
        EXPECT_TRUE(session_.Request(code, request, &reply)) << session_.Error();
        return reply;
    }
    // The same for a command expected to succeed; the reply converted back.
    std::vector<uint8_t> Command(uint32_t code, uint32_t length,
                                 const std::function<void(std::vector<uint8_t>&)>& fill) {
        ProxyReply reply = Send(code, length, fill);
        EXPECT_EQ(ProxyWord(reply.data, 0), 0u) << code;
        EXPECT_EQ(ProxyWord(reply.data, 4), 0u) << code;
        PackRreBuffer(code, PACK_FROM_NETWORK, reply.data.data(), reply.data.size());
        return reply.data;
    }
    // The list commands carry the id alone, big-endian; their replies stay as they came.
    std::vector<uint8_t> ListOf(uint32_t code, uint32_t controller = 0) {
        std::vector<uint8_t> request(4);
        const uint32_t id = htonl(controller != 0 ? controller : idA_);
        std::memcpy(request.data(), &id, sizeof id);
        ProxyReply reply;
        EXPECT_TRUE(session_.Request(code, request, &reply)) << session_.Error();
        return reply.data;
    }
    std::vector<std::string> PartitionNames() {
        const std::vector<uint8_t> list = ListOf(RRE_GET_ARRAY_PARTITION);
        std::vector<std::string> names;
        for (uint32_t k = 0; k < ProxyWord(list, 12); ++k) {
            names.push_back(
                TextAt(list, 16 + k * sizeof(CAPI_ARRAY_PARTITION) + offsetof(CAPI_ARRAY_PARTITION, name)));
        }
        return names;
    }

    uint32_t idA_ = 0;
    uint32_t idB_ = 0;
};

TEST_F(ArrayCommandsE2eTest, ArraysAndPartitionsAreListedCreatedRenamedAndDeletedOverTheSession) {
    // Both arrays, their fields in network order.
    std::vector<uint8_t> arrays = ListOf(RRE_GET_ARRAY_LIST);
    ASSERT_EQ(ProxyWord(arrays, 12), 2u);
    const size_t second = 16 + sizeof(CAPI_ARRAY);
    EXPECT_EQ(ProxyWord(arrays, 16 + offsetof(CAPI_ARRAY, numDrives)), 5u);
    EXPECT_EQ(TextAt(arrays, second + offsetof(CAPI_ARRAY, name)), "vd02");
    std::vector<uint8_t> vd02(arrays.begin() + second + offsetof(CAPI_ARRAY, serialNumber),
                              arrays.begin() + second + offsetof(CAPI_ARRAY, serialNumber) + 32);

    Command(RRE_SET_ARRAY_NAME, 80, [&](std::vector<uint8_t>& b) {
        std::memcpy(b.data() + 16, vd02.data(), 32);
        std::memcpy(b.data() + 48, "logs", 4);
    });
    arrays = ListOf(RRE_GET_ARRAY_LIST);
    EXPECT_EQ(TextAt(arrays, second + offsetof(CAPI_ARRAY, name)), "logs");

    // Three available drives named with a blank, an '&' and '<>' that the controller's serials lack.
    const std::vector<uint8_t> drives = ListOf(RRE_GET_DRIVE_LIST);
    ASSERT_EQ(ProxyWord(drives, 12), 12u);
    auto driveSerial = [&](size_t k) { return TextAt(drives, 16 + k * 212 + 4); };
    const std::vector<std::string> named = {" " + driveSerial(7), driveSerial(8) + "&",
                                            "<" + driveSerial(9) + ">"};
    const std::vector<uint8_t> created = Command(RRE_CREATE_ARRAY, 4548, [&](std::vector<uint8_t>& b) {
        PutWord(b, 16 + 544, 3);
        b[16 + 572] = 1;
        for (size_t i = 0; i < named.size(); ++i)
            std::memcpy(b.data() + 16 + 720 + 32 * i, named[i].data(), named[i].size());
    });
    EXPECT_EQ(HostWord(created, 2944 + offsetof(CAPI_ARRAY, numDrives)), 3u);
    EXPECT_EQ(ProxyWord(ListOf(RRE_GET_ARRAY_LIST), 12), 3u);

    const std::vector<uint8_t> added = Command(RRE_ADD_ARRAY_PART, 728, [&](std::vector<uint8_t>& b) {
        PutWord(b, 16, 0x200000);
        std::memcpy(b.data() + 32, vd02.data(), 32);
        std::memcpy(b.data() + 128, "scratch", 7);
    });
    EXPECT_EQ(TextAt(added, 160 + offsetof(CAPI_ARRAY_PARTITION, name)), "scratch");
    std::vector<std::string> names = PartitionNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "scratch"), names.end());

    // data02 is mapped to two hosts: its default mapping and both hosts are unmapped, then it goes.
    const std::vector<uint8_t> partitions = ListOf(RRE_GET_ARRAY_PARTITION);
    size_t data02 = 0;
    while (TextAt(partitions, 16 + data02 * sizeof(CAPI_ARRAY_PARTITION) +
                                  offsetof(CAPI_ARRAY_PARTITION, name)) != "data02") {
        ASSERT_LT(++data02, names.size());
    }
    const uint8_t* serial = partitions.data() + 16 + data02 * sizeof(CAPI_ARRAY_PARTITION) + 84;
    EXPECT_EQ(Admin("clear-journal"), "ok");
    Command(RRE_DELETE_PART, 48, [&](std::vector<uint8_t>& b) { std::memcpy(b.data() + 16, serial, 32); });
    names = PartitionNames();
    EXPECT_EQ(std::find(names.begin(), names.end(), "data02"), names.end());
    std::istringstream journal(Admin("journal"));
    std::vector<uint32_t> changes;
    for (std::string line; std::getline(journal, line);) {
        std::istringstream words(line);
        std::string kind, time, half, controller;
        uint32_t code = 0;
        if (words >> kind >> time >> half >> controller >> code && (code == 1180 || code == 1075))
            changes.push_back(code);
    }
    EXPECT_EQ(changes, (std::vector<uint32_t>{1180, 1180, 1180, 1075}));
}

// With periodic discovery off (as during a snapshot set) and the pair answering nothing, DELETE_PART
// through controller B of a volume made through A (which B has not read yet) cannot see the volume go:
// it answers a failure, so that the client keeps it on its books, and it is still listed once the pair
// is back.
TEST_F(ArrayCommandsE2eTest, DeletePartOnAPairThatDoesNotAnswerFailsAndTheVolumeStays) {
    std::vector<uint8_t> flag(RRE_DISCOVERY_FLAG_LENGTH, 0);
    ProxyReply off;
    ASSERT_TRUE(session_.Request(RRE_SET_DISCOVERY_FLAG, flag, &off)) << session_.Error();
    const std::vector<uint8_t> arrays = ListOf(RRE_GET_ARRAY_LIST);
    const size_t vd01Serial = 16 + offsetof(CAPI_ARRAY, serialNumber);
    const std::vector<uint8_t> added = Command(RRE_ADD_ARRAY_PART, 728, [&](std::vector<uint8_t>& b) {
        PutWord(b, 16, 0x200000);
        std::memcpy(b.data() + 32, arrays.data() + vd01Serial, 32);
        std::memcpy(b.data() + 128, "snap0001", 8);
    });
    const std::vector<uint8_t> serial(added.begin() + 160 + 84, added.begin() + 160 + 84 + 32);

    auto setPair = [&](const char* state) {
        for (const char* half : {"a", "b"}) {
            EXPECT_EQ(Admin(std::string("condition pair=0 half=") + half + " state=" + state), "ok");
        }
    };
    setPair("down");
    const ProxyReply reply = Send(
        RRE_DELETE_PART, 48,
        [&](std::vector<uint8_t>& b) { std::memcpy(b.data() + 16, serial.data(), serial.size()); }, idB_);
    setPair("up");
    EXPECT_TRUE(ProxyWord(reply.data, 0) != 0 || ProxyWord(reply.data, 4) != 0) << ProxyWord(reply.data, 4);
    const std::vector<std::string> names = PartitionNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "snap0001"), names.end());
    EXPECT_EQ(Occurrences(Admin("volumes"), "name=snap0001"), 1u);
}

TEST_F(ArrayCommandsE2eTest, ProgressReportsTheRunningVerification) {
    std::vector<uint8_t> request;
    ProxyReply reply;
    ASSERT_TRUE(session_.Request(RRE_GET_PROGRESS, request, &reply)) << session_.Error();
    ASSERT_EQ(ProxyWord(reply.data, 8), 2u);
    ASSERT_EQ(reply.data.size(), 16u + 2 * 6664);
    for (uint32_t entry = 0; entry < 2; ++entry) {
        const size_t record = 16 + entry * 6664;
        EXPECT_EQ(ProxyWord(reply.data, record + 8 + (2 * 128 + 1) * 4), 37u) << "kind 3, vd02";
        EXPECT_EQ(ProxyWord(reply.data, record + 8 + 1 * 4), 200u);
    }
}

}  // namespace
