// Controller, enclosure and authentication-database commands over a TCP session with the real corlink4 on
// arraysim's fabric: requests converted as a client converts them, replies converted back.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "corlink/capi_wire/authdb_record_fields.h"
#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_controller.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/proxy_wire/api_raid_controller.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/e2e/proxy_processes.h"

namespace {

using namespace e2e;

constexpr uint32_t kControllerA = 0x100;  // the first controller discovered
constexpr size_t kRecordAt = 16;

class ControllerCommandsE2eTest : public ProxySessionTest {
  protected:
    // A request of `length` bytes with the controller id, filled in host order and converted to network
    // order; the reply converted back. Status in *status.
    std::vector<uint8_t> Send(uint32_t code, uint32_t length,
                              const std::function<void(std::vector<uint8_t>&)>& fill, int32_t* status,
                              uint32_t* answer) {
        std::vector<uint8_t> request(length, 0);
        std::memcpy(request.data() + 8, &kControllerA, sizeof kControllerA);
        if (fill) fill(request);
        PackRreBuffer(code, PACK_TO_NETWORK, request.data(), request.size());
        return Exchange(code, request, status, answer);
    }
    std::vector<uint8_t> Exchange(uint32_t code, const std::vector<uint8_t>& request, int32_t* status,
                                  uint32_t* answer) {
        ProxyReply reply;
        EXPECT_TRUE(session_.Request(code, request, &reply)) << session_.Error();
        if (reply.data.size() < 8) return {};
        *status = static_cast<int32_t>(ProxyWord(reply.data, 0));
        *answer = ProxyWord(reply.data, 4);
        if (*status == 0) PackRreBuffer(code, PACK_FROM_NETWORK, reply.data.data(), reply.data.size());
        return reply.data;
    }
    // The list commands: the id alone, big-endian; their replies are left as they came.
    std::vector<uint8_t> List(uint32_t code) {
        const uint32_t id = htonl(kControllerA);
        std::vector<uint8_t> request(4);
        std::memcpy(request.data(), &id, sizeof id);
        ProxyReply reply;
        EXPECT_TRUE(session_.Request(code, request, &reply)) << session_.Error();
        return reply.data;
    }
    static std::function<void(std::vector<uint8_t>&)> Record(const std::string& name,
                                                             const std::string& secret = {}) {
        return [=](std::vector<uint8_t>& b) {
            std::memcpy(b.data() + kRecordAt + authdb::kRecordName, name.data(), name.size());
            std::memcpy(b.data() + kRecordAt + authdb::kTargetSecret, secret.data(), secret.size());
        };
    }
    static std::string TextAt(const std::vector<uint8_t>& data, size_t offset, size_t size) {
        if (data.size() < offset + size) return "<short>";
        const char* text = reinterpret_cast<const char*>(data.data() + offset);
        return std::string(text, strnlen(text, size));
    }
};

TEST_F(ControllerCommandsE2eTest, SystemNameClockAndEnclosureLists) {
    int32_t status = -1;
    uint32_t code = 1;
    Send(
        RRE_SET_ADV_NET_INTERFACE, 3988,
        [](auto& b) {
            const uint32_t systemNameOnly = 1;
            std::memcpy(b.data() + 12, &systemNameOnly, sizeof systemNameOnly);
            std::memcpy(b.data() + 16 + offsetof(CAPI_ADVANCED_NETWORK_INTERFACE, systemName),
                        "renamed-over-tcp", 17);
        },
        &status, &code);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(code, 0u);
    const std::vector<uint8_t> controller = List(RRE_GET_CONTROLLER);
    EXPECT_EQ(TextAt(controller,
                     offsetof(API_RAID_CONTROLLER, networkInterface) +
                         offsetof(CAPI_ADVANCED_NETWORK_INTERFACE, systemName),
                     80),
              "renamed-over-tcp");

    Send(
        RRE_SET_CONTROLLERTIMEDATE, 20,
        [](auto& b) {
            const uint32_t time = 0x6A1B2C3D;
            std::memcpy(b.data() + 16, &time, sizeof time);
        },
        &status, &code);
    EXPECT_EQ(code, 0u);
    const std::vector<uint8_t> clock = Send(RRE_GET_CONTROLLERTIMEDATE, 20, nullptr, &status, &code);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(clock.size(), 20u);
    uint32_t time = 0;
    std::memcpy(&time, clock.data() + 16, sizeof time);
    EXPECT_EQ(time, 0x6A1B2C3Du);

    const std::vector<uint8_t> enclosures = List(RRE_GET_DRIVE_ENCLOSURES);
    ASSERT_GE(enclosures.size(), 16u);
    const uint32_t n = ProxyWord(enclosures, 12);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(enclosures.size(), 16 + n * sizeof(CAPI_DRIVE_ENCLOSURE));
    const std::vector<uint8_t> advanced = Send(RRE_GET_ADV_DRIVE_ENCLOSURE, 12, nullptr, &status, &code);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(advanced.size(), 670352u);
}

// An enclosure is named by its serial number in SET_DRIVE_ENCLOSURE; the enclosure list read afterwards
// shows what was set.
TEST_F(ControllerCommandsE2eTest, SetDriveEnclosureRenamesTheEnclosureItsSerialNames) {
    const size_t record = 16;
    auto field = [&](const std::vector<uint8_t>& list, size_t offset, size_t size) {
        return TextAt(list, record + offset, size);
    };
    std::vector<uint8_t> list = List(RRE_GET_DRIVE_ENCLOSURES);
    const std::string serial = field(list, offsetof(CAPI_DRIVE_ENCLOSURE, empSerialNumber), 32);
    EXPECT_EQ(serial, "3CE0A1B2C3D4") << "the scenario's serial";
    EXPECT_EQ(field(list, offsetof(CAPI_DRIVE_ENCLOSURE, name), 20), "Shelf-1");
    EXPECT_EQ(field(list, offsetof(CAPI_DRIVE_ENCLOSURE, location), 20), "Lab row 2");

    auto set = [&](const std::string& named, uint32_t* code) {
        int32_t status = -1;
        Send(
            RRE_SET_DRIVE_ENCLOSURE, 416,
            [&](auto& b) {
                std::memcpy(b.data() + kRecordAt, named.data(), named.size());
                std::memcpy(b.data() + kRecordAt + offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, name),
                            "Shelf-renamed", 13);
                std::memcpy(b.data() + kRecordAt + offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, location), "Row 9",
                            5);
                b[kRecordAt + offsetof(CAPI_DRIVE_ENCLOSURE_PARAMS, rackNumber)] = 9;
            },
            &status, code);
    };
    uint32_t code = 0;
    set("NOT-AN-ENCLOSURE", &code);
    EXPECT_NE(code, 0u) << "a serial no enclosure has";
    set(serial, &code);
    EXPECT_EQ(code, 0u);
    list = List(RRE_GET_DRIVE_ENCLOSURES);
    EXPECT_EQ(field(list, offsetof(CAPI_DRIVE_ENCLOSURE, name), 20), "Shelf-renamed");
    EXPECT_EQ(field(list, offsetof(CAPI_DRIVE_ENCLOSURE, location), 20), "Row 9");
    ASSERT_GT(list.size(), record + offsetof(CAPI_DRIVE_ENCLOSURE, rackNumber));
    EXPECT_EQ(list[record + offsetof(CAPI_DRIVE_ENCLOSURE, rackNumber)], 9);
}

TEST_F(ControllerCommandsE2eTest, SetAllTargetSecretFillsTheRecordsWithoutOne) {
    int32_t status = -1;
    uint32_t code = 1;
    const struct {
        const char* name;
        const char* secret;
    } records[] = {{"iqn.e2e.one", ""}, {"iqn.e2e.two", "keeps-its-own"}, {"iqn.e2e.three", ""}};
    for (const auto& r : records) {
        Send(RRE_ADD_AUTHDB_RECORD, 1036, Record(r.name, r.secret), &status, &code);
        EXPECT_EQ(code, 0u) << r.name;
    }
    Send(RRE_SET_ALL_TARGET_SECRET, 1036, Record("", "filled-by-all"), &status, &code);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(code, 0u);
    for (const auto& r : records) {
        const std::vector<uint8_t> read = Send(RRE_GET_AUTHDB_RECORD, 1036, Record(r.name), &status, &code);
        EXPECT_EQ(code, 0u) << r.name;
        const std::string expected = *r.secret != '\0' ? r.secret : "filled-by-all";
        EXPECT_EQ(TextAt(read, kRecordAt + authdb::kTargetSecret, authdb::kSecretSize), expected) << r.name;
    }
}

}  // namespace
