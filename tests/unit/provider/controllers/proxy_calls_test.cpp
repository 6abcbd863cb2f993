// The proxy command wrappers against the scripted proxy: each request's length, code, controller id and
// byte order, and each reply read back through the proxy's own converters.
#include "provider/controllers/proxy_calls.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "corlink/proxy_wire/reply_head.h"
#include "tests/unit/provider/proxy_wire.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::NetworkReply;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::SessionTest;

constexpr int32_t kId = 0x00000301;

uint32_t HostWord(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void PutHostWord(uint8_t* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }
void Pattern(uint8_t* p, size_t n, uint8_t seed) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(seed + i * 7);
}

// One wrapper: how its request must look and what its reply carries.
struct Row {
    const char* wrapper;
    uint32_t code;
    uint32_t length;
    int idOffset;  // -1: no controller id
    bool idInHostOrder;
    std::function<void(uint8_t* hostReply)> fillReply;  // the reply as the proxy holds it before converting
    std::function<int()> call;
    std::function<void(const uint8_t* hostReply)> checkOutputs;
};

class ProxyCommandsTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) {
            std::vector<uint8_t> host(replyLength_, 0);
            if (fillReply_) fillReply_(host.data());
            PutHostWord(host.data() + 4, replyCode_);
            lastHostReply_ = host;
            return ScriptAction{{ReplyTo(request, NetworkReply(request.header.OpCode, host))}, false};
        });
        ASSERT_EQ(ProxyInit(), 0);
    }
    const ProxyMessage LastRequest() { return proxy_.Messages().back(); }

    uint32_t replyLength_ = 8;
    uint32_t replyCode_ = 0;
    std::function<void(uint8_t*)> fillReply_;
    std::vector<uint8_t> lastHostReply_;
};

TEST_F(ProxyCommandsTest, EveryWrapperRequestAndReply) {
    static const uint8_t serial[32] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8,
                                       0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0};
    static uint8_t requestBlock[1024];
    Pattern(requestBlock, sizeof requestBlock, 3);
    std::vector<ProxySubsystem> subsystems;
    static API_RAID_CONTROLLER controller;
    static CAPI_PARTITION_VIEW_TABLE partitionView;
    static CAPI_HOST_VIEW_TABLE hostView;
    static CAPI_MASTER_VOLUME masters[kMaxMasterVolumes];
    static CAPI_SNAPSHOT snapshots[kMaxSnapshots];
    static CAPI_BACKING_STORE pools[kMaxBackingStores];
    static CAPI_ROLLOFF_VOLUME rolloffs[kMaxRolloffVolumes];
    uint8_t out[1024] = {};
    uint32_t count = 0;
    std::vector<PortName> ports;
    FlexIDEntry fc;
    fc.mKind = kFlexKindFibreChannel;
    fc.mPortType = kFlexPortTypeFibreChannel;
    Pattern(fc.mWwpn, 8, 0x20);
    CAPI_ARRAY_PARTITION_PARAMS params{};
    auto* p = reinterpret_cast<uint8_t*>(&params);
    Pattern(p, sizeof params, 9);
    static CAPI_ARRAY_PARTITION newPartition;
    CAPI_DMS_POLICY policy{};
    Pattern(reinterpret_cast<uint8_t*>(&policy), sizeof policy, 5);

    const Row rows[] = {
        // clang-format off
        {"get_subsystems", RRE_GET_CONTROLLERHANDLEDB, 40, -1, false,
         [](uint8_t* r) {
             WriteBigEndian32(r + 8, 1);
             std::memcpy(r + 16, "USN-1", 6);
             WriteBigEndian32(r + 16 + 32, 0x100);
             WriteBigEndian32(r + 16 + 36, 0x201);
         },
         [&] { return get_subsystems(&subsystems); },
         [&](const uint8_t*) {
             ASSERT_EQ(subsystems.size(), 1u);
             EXPECT_STREQ(subsystems[0].uniqueSN, "USN-1");
             EXPECT_EQ(subsystems[0].controllerA, 0x100u);
             EXPECT_EQ(subsystems[0].controllerB, 0x201u);
         }},
        {"get_controller_data", RRE_GET_CONTROLLER, 4, 0, false,
         [](uint8_t* r) {
             auto* c = reinterpret_cast<API_RAID_CONTROLLER*>(r);
             c->controllerId = kId;
             c->numDrives = 5;
             const uint8_t indexes[5] = {0, 0xFF, 2, 0xFF, 4};
             for (int i = 0; i < 5; ++i) reinterpret_cast<uint8_t*>(&c->drives[i])[197] = indexes[i];
             c->numArrays = 1;
         },
         [&] { return get_controller_data(kId, &controller); },
         [&](const uint8_t*) {
             // Records that describe no drive are removed; the others keep their order.
             EXPECT_EQ(controller.numDrives, 3u);
             for (int i = 0; i < 3; ++i) EXPECT_EQ(reinterpret_cast<uint8_t*>(&controller.drives[i])[197], 2 * i);
             EXPECT_EQ(controller.controllerId, static_cast<uint32_t>(kId));
             EXPECT_EQ(controller.numArrays, 1u);
         }},
        {"get_part_view", RRE_GET_PARTITION_VIEW, 37456, 8, false,
         [](uint8_t* r) {
             r[48 + 28] = 3;  // numHosts
             Pattern(r + 48 + 32, 16, 0x40);
         },
         [&] { return get_part_view(kId, serial, &partitionView); },
         [&](const uint8_t* r) {
             EXPECT_EQ(partitionView.numHosts, 3);
             EXPECT_EQ(std::memcmp(&partitionView, r + 48, sizeof partitionView), 0);
         }},
        {"create_custom_view", RRE_CREATE_CUSTOM_VIEW, 42508, 12, true, nullptr,
         [&] { return create_custom_view(kId, serial, 7, 0x0C, &fc, nullptr); }, nullptr},
        {"get_host_view", RRE_GET_HOST_VIEW, 64824, 8, false,
         [](uint8_t* r) { r[296 + 1036] = 2; },
         [&] { return get_host_view(kId, 1, &fc, 4, &hostView); },
         [&](const uint8_t*) { EXPECT_EQ(hostView.numPartitions, 2); }},
        {"create_snapshot", RRE_CREATE_SNAPSHOT, 1140, 8, false,
         [](uint8_t* r) { Pattern(r + 876, 264, 0x61); },
         [&] { return create_snapshot(kId, requestBlock, out); },
         [&](const uint8_t* r) { EXPECT_EQ(std::memcmp(out, r + 876, 264), 0); }},
        {"commit_snapshot", RRE_COMMIT_SNAPSHOT, 360, 8, false, nullptr, [&] { return commit_snapshot(kId, requestBlock); },
         nullptr},
        {"dms_get_tag", RRE_DMS_GET_TAG, 28, 8, false,
         [](uint8_t* r) {
             PutHostWord(r + 20, 0x11223344);
             PutHostWord(r + 24, 0x55667788);
         },
         [&] { return dms_get_tag(kId, 1, out); },
         [&](const uint8_t* r) { EXPECT_EQ(std::memcmp(out, r + 20, 8), 0); }},
        {"delete_part", RRE_DELETE_PART, 48, 8, false, nullptr, [&] { return delete_part(kId, serial); }, nullptr},
        {"set_discovery_flag", RRE_SET_DISCOVERY_FLAG, 12, -1, false, nullptr, [&] { return set_discovery_flag(0); },
         nullptr},
        {"get_master_volume_list", RRE_GET_MASTER_VOLUME_LIST, 180280, 8, false,
         [](uint8_t* r) {
             PutHostWord(r + 48, 2);
             Pattern(r + 56, 2 * 88, 0x31);
         },
         [&] { return get_master_volume_list(kId, 2, 2, nullptr, &count, masters); },
         [&](const uint8_t* r) {
             EXPECT_EQ(count, 2u);
             EXPECT_EQ(std::memcmp(masters, r + 56, 2 * 88), 0);
         }},
        {"get_snapshot_list", RRE_GET_SNAPSHOT_LIST, 90168, 8, false,
         [](uint8_t* r) {
             PutHostWord(r + 48, 3);
             Pattern(r + 56, 3 * 88, 0x32);
         },
         [&] { return get_snapshot_list(kId, 1, 1, serial, &count, snapshots); },
         [&](const uint8_t* r) {
             EXPECT_EQ(count, 3u);
             EXPECT_EQ(std::memcmp(snapshots, r + 56, 3 * 88), 0);
         }},
        {"get_backing_store_list", RRE_GET_BACKING_STORE_LIST, 10264, 8, false,
         [](uint8_t* r) {
             PutHostWord(r + 16, 1);
             Pattern(r + 24, 80, 0x33);
         },
         [&] { return get_backing_store_list(kId, 2, &count, pools); },
         [&](const uint8_t* r) {
             EXPECT_EQ(count, 1u);
             EXPECT_EQ(std::memcmp(pools, r + 24, 80), 0);
         }},
        {"rolloff_volume", RRE_ROLLOFF_VOLUME, 540, 8, false, [](uint8_t* r) { Pattern(r + 524, 16, 0x34); },
         [&] { return rolloff_volume(kId, requestBlock, out); },
         [&](const uint8_t* r) { EXPECT_EQ(std::memcmp(out, r + 524, 16), 0); }},
        {"get_rolloff_volume_list", RRE_GET_ROLLOFF_VOLUME_LIST, 262164, 8, false,
         [](uint8_t* r) {
             PutHostWord(r + 16, 1);
             Pattern(r + 20, 128, 0x35);
         },
         [&] { return get_rolloff_volume_list(kId, 0, &count, rolloffs); },
         [&](const uint8_t* r) {
             EXPECT_EQ(count, 1u);
             EXPECT_EQ(std::memcmp(rolloffs, r + 20, 128), 0);
         }},
        {"get_connect_wwpn_list", RRE_GET_CONNECT_HBA_WWPN_LIST, 276, 8, false,
         [](uint8_t* r) {
             PutHostWord(r + 12, 2);
             Pattern(r + 16, 16, 0x36);
         },
         [&] { return get_connect_wwpn_list(kId, &ports); },
         [&](const uint8_t* r) {
             ASSERT_EQ(ports.size(), 2u);
             EXPECT_EQ(std::memcmp(ports[1].data(), r + 24, 8), 0);
         }},
        {"add_array_part", RRE_ADD_ARRAY_PART, 728, 8, false, [](uint8_t* r) { Pattern(r + 160, 568, 0x37); },
         [&] { return add_array_part(kId, &params, &newPartition); },
         [&](const uint8_t* r) { EXPECT_EQ(std::memcmp(&newPartition, r + 160, 568), 0); }},
        {"convert_master_volume", RRE_CONVERT_MASTER_VOLUME, 312, 8, false, nullptr,
         [&] { return convert_master_volume(kId, 9, serial, serial); }, nullptr},
        {"set_dms_policy", RRE_SET_DMS_POLICY, 76, 8, false, nullptr, [&] { return set_dms_policy(kId, &policy); }, nullptr},
        {"rollback_master_volume", RRE_ROLLBACK_MASTER_VOLUME, 112, 8, false, nullptr,
         [&] { return rollback_master_volume(kId, requestBlock); }, nullptr},
        {"change_identinfo", RRE_CHANGE_PARTITION_DESCRIPTION, 312, 8, false, nullptr,
         [&] { return change_identinfo(kId, serial, "SSID=01234567-89AB-CDEF-0123-456789ABCDEF"); }, nullptr},
        // clang-format on
    };
    ASSERT_EQ(std::size(rows), 21u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wrapper);
        replyLength_ = row.code == RRE_GET_CONTROLLERHANDLEDB ? RRE_HANDLE_DB_LENGTH
                       : row.code == RRE_GET_CONTROLLER       ? sizeof(API_RAID_CONTROLLER)
                                                              : row.length;
        fillReply_ = row.fillReply;
        ASSERT_EQ(row.call(), 0);
        const ProxyMessage request = LastRequest();
        EXPECT_EQ(request.header.DataType, PROXY_REQUEST);
        EXPECT_EQ(request.header.OpCode, row.code);
        EXPECT_EQ(request.header.DataLen, row.length);
        ASSERT_EQ(request.data.size(), row.length);
        if (row.idOffset >= 0) {
            const uint8_t* id = request.data.data() + row.idOffset;
            EXPECT_EQ(row.idInHostOrder ? HostWord(id) : ReadBigEndian32(id), static_cast<uint32_t>(kId));
        }
        if (row.checkOutputs) row.checkOutputs(lastHostReply_.data());
    }
}

TEST_F(ProxyCommandsTest, RequestFieldsOfTheViewAndPartitionCommands) {
    replyLength_ = 42508;
    FlexIDEntry fc;
    fc.mKind = kFlexKindFibreChannel;
    Pattern(fc.mWwpn, 8, 0x20);
    const uint8_t serial[32] = {1, 2, 3};
    uint8_t mask[12] = {};
    mask[4 + 1] = 1;
    mask[4 + 6] = 1;
    ASSERT_EQ(create_custom_view(kId, serial, 7, 0x0C, &fc, mask), 0);
    std::vector<uint8_t> r = LastRequest().data;
    EXPECT_EQ(HostWord(r.data() + 8), 1u);
    EXPECT_EQ(std::memcmp(r.data() + 28, serial, 32), 0);
    EXPECT_EQ(r[60], kFlexKindFibreChannel);
    EXPECT_EQ(std::memcmp(r.data() + 80, fc.mWwpn, 8), 0);
    EXPECT_EQ(HostWord(r.data() + 88), 7u);
    EXPECT_EQ(r[108], 7);
    const uint8_t selected[8] = {0, 1, 0, 0, 0, 0, 1, 0};
    const uint8_t access[8] = {0, 0x0C, 0, 0, 0, 0, 0x0C, 0};
    EXPECT_EQ(std::memcmp(r.data() + 16, selected, 8), 0);
    EXPECT_EQ(std::memcmp(r.data() + 112, access, 8), 0);
    EXPECT_EQ(r[120], 0);  // no initiator name for an FC port

    replyLength_ = 312;
    const std::string text(200, 'd');
    EXPECT_EQ(change_identinfo(kId, serial, text.c_str()), 0);
    r = LastRequest().data;
    EXPECT_EQ(std::memcmp(r.data() + 97, serial, 16), 0);
    uint16_t length;
    std::memcpy(&length, r.data() + 130, 2);
    EXPECT_EQ(length, kDescriptionMaxBytes);
    EXPECT_EQ(std::string(r.begin() + 168, r.begin() + 168 + 144), std::string(144, 'd'));
}

TEST_F(ProxyCommandsTest, ConvertMasterVolumeCarriesNoLeftoverBytes) {
    // What an earlier message left in the session's buffer must not reach the controller.
    replyLength_ = 312;
    std::memset(Session().buffer + PROXY_HEADER_LENGTH, 0xEE, 312);
    uint8_t serial[32];
    Pattern(serial, sizeof serial, 0x10);
    uint8_t pool[16];
    Pattern(pool, sizeof pool, 0x50);
    ASSERT_EQ(convert_master_volume(kId, 9, serial, pool), 0);
    const std::vector<uint8_t> r = LastRequest().data;
    ASSERT_EQ(r.size(), 312u);
    EXPECT_EQ(std::memcmp(r.data() + 97, serial, 32), 0);
    EXPECT_EQ(r[143], 9);
    EXPECT_EQ(std::memcmp(r.data() + 152, pool, 16), 0);
    const std::pair<size_t, size_t> fields[] = {{8, 12}, {97, 129}, {143, 144}, {152, 168}};
    for (size_t i = 0; i < r.size(); ++i) {
        bool set = false;
        for (const auto& [from, to] : fields) set = set || (i >= from && i < to);
        if (!set) {
            EXPECT_EQ(r[i], 0) << "byte " << i;
        }
    }
}

TEST_F(ProxyCommandsTest, RefusalsAndCountsBeyondTheirTables) {
    static CAPI_SNAPSHOT snapshots[kMaxSnapshots];
    uint32_t count = 99;
    // A controller's refusal: the code, and the outputs as they were.
    replyLength_ = 90168;
    replyCode_ = 186;
    fillReply_ = [](uint8_t* r) { PutHostWord(r + 48, 1); };
    EXPECT_EQ(get_snapshot_list(kId, 2, 2, nullptr, &count, snapshots), 186);
    EXPECT_EQ(count, 99u);
    // change_identinfo reports any refusal as -1.
    replyLength_ = 312;
    const uint8_t id16[16] = {};
    EXPECT_EQ(change_identinfo(kId, id16, "x"), -1);
    EXPECT_NE(Log().find("OOP!! change_identinfo return error code(Line "), std::string::npos);
    // A count beyond the table fails the command instead of being cut.
    replyCode_ = 0;
    replyLength_ = 90168;
    fillReply_ = [](uint8_t* r) { PutHostWord(r + 48, kMaxSnapshots + 1); };
    EXPECT_EQ(get_snapshot_list(kId, 2, 2, nullptr, &count, snapshots), -1);
    EXPECT_EQ(count, 99u);
    std::vector<PortName> ports;
    replyLength_ = 276;
    fillReply_ = [](uint8_t* r) { PutHostWord(r + 12, 33); };
    EXPECT_EQ(get_connect_wwpn_list(kId, &ports), -1);
    EXPECT_TRUE(ports.empty());
    // The proxy's refusal (an 8-byte reply of status -1): its error code.
    proxy_.SetScript([](const ProxyMessage& request) {
        return ScriptAction{{ReplyTo(request, providertest::ReplyData(8, -1, RRE_ERROR_NO_CONTROLLER))},
                            false};
    });
    const uint8_t serial[32] = {};
    EXPECT_EQ(delete_part(kId, serial), static_cast<int>(RRE_ERROR_NO_CONTROLLER));
    uint8_t tag[8];
    EXPECT_EQ(dms_get_tag(kId, 0, tag), static_cast<int>(RRE_ERROR_NO_CONTROLLER));
}

TEST_F(ProxyCommandsTest, AReplyOfAnotherOpcodeCopiesNothing) {
    proxy_.SetScript([](const ProxyMessage& request) {
        ProxyMessage other = request;
        other.header.OpCode = RRE_COMMIT_SNAPSHOT;
        std::vector<uint8_t> data(1140, 0x77);
        WriteBigEndian32(data.data() + 4, 0);
        return ScriptAction{{ReplyTo(other, data)}, false};
    });
    uint8_t requests[kSnapshotRequestBytes] = {};
    uint8_t results[kSnapshotResultBytes] = {};
    EXPECT_EQ(create_snapshot(kId, requests, results), -1);
    EXPECT_EQ(results[0], 0);
}

}  // namespace
