// Over TCP against the simulated fabric (arraysim and corlink4 as child processes), requests built as the
// snapshot provider builds them: a custom view maps a volume to this host's FC port at a LUN, the
// partition's view shows the host with its flags, the host's view lists the volume, and the simulated host
// sees a new disk; the host adapter lists show the host's ports.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/e2e/proxy_processes.h"

namespace {

using namespace e2e;

constexpr uint8_t kHostPortA[8] = {0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01};
constexpr uint16_t kLun = 7;
constexpr uint8_t kReadWrite = 0xC0;

void PutHost32(std::vector<uint8_t>& data, size_t offset, uint32_t value) {
    std::memcpy(data.data() + offset, &value, 4);
}
uint32_t Host32(const std::vector<uint8_t>& data, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, data.data() + offset, 4);
    return value;
}

class ViewsOverTcp : public ProxySessionTest {
  protected:
    // A request of `length` data bytes filled in host order and converted as the provider converts it;
    // the reply converted back.
    std::vector<uint8_t> Request(uint32_t code, uint32_t length,
                                 void (*fill)(std::vector<uint8_t>&, const void*), const void* context) {
        std::vector<uint8_t> data(length, 0);
        fill(data, context);
        PackRreBuffer(code, PACK_TO_NETWORK, data.data(), data.size());
        ProxyReply reply;
        EXPECT_TRUE(session_.Request(code, data, &reply)) << session_.Error();
        EXPECT_EQ(reply.header.OpCode, code);
        PackRreBuffer(code, PACK_FROM_NETWORK, reply.data.data(), reply.data.size());
        return reply.data;
    }
};

struct Target {
    uint32_t controller = 0;
    uint8_t serial[32] = {};
};

TEST_F(ViewsOverTcp, CustomViewMapsAVolumeThatBothViewsAndTheHostThenShow) {
    // The first controller of the list, and its volume that the host does not see yet.
    ProxyReply handles;
    ASSERT_TRUE(session_.Request(RRE_GET_CONTROLLERHANDLEDB, {}, &handles)) << session_.Error();
    ASSERT_GE(ProxyWord(handles.data, 8), 1u);
    Target target;
    target.controller = ProxyWord(handles.data, 16 + 32);
    const uint32_t n = target.controller;  // the list commands carry the id alone, big-endian
    const std::vector<uint8_t> id = {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                                     static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    ProxyReply partitions;
    ASSERT_TRUE(session_.Request(RRE_GET_ARRAY_PARTITION, id, &partitions)) << session_.Error();
    const uint32_t count = ProxyWord(partitions.data, 12);
    bool found = false;
    for (uint32_t p = 0; p < count && !found; ++p) {
        const uint8_t* record = partitions.data.data() + 16 + p * sizeof(CAPI_ARRAY_PARTITION);
        if (std::strcmp(reinterpret_cast<const char*>(record + offsetof(CAPI_ARRAY_PARTITION, name)),
                        "spare01") != 0)
            continue;
        std::memcpy(target.serial, record + offsetof(CAPI_ARRAY_PARTITION, serialNumber), 32);
        found = true;
    }
    ASSERT_TRUE(found);
    const std::string disksBefore = Admin("disks");

    // CREATE_CUSTOM_VIEW: one entry for every channel, the FC port's WWPN, the LUN at 88 and 108.
    const std::vector<uint8_t> created = Request(
        RRE_CREATE_CUSTOM_VIEW, 42508,
        [](std::vector<uint8_t>& d, const void* c) {
            const auto& t = *static_cast<const Target*>(c);
            PutHost32(d, 8, 1);
            PutHost32(d, 12, t.controller);
            std::memset(d.data() + 16, 1, 8);
            std::memcpy(d.data() + 28, t.serial, 32);
            d[60] = 16;
            std::memcpy(d.data() + 80, kHostPortA, 8);
            PutHost32(d, 88, kLun);
            std::memcpy(d.data() + 108, &kLun, 2);
            std::memset(d.data() + 112, kReadWrite, 8);
        },
        &target);
    ASSERT_EQ(created.size(), 42508u);
    EXPECT_EQ(Host32(created, 0), 0u);
    EXPECT_EQ(Host32(created, 4), 0u);

    const std::vector<uint8_t> partitionView = Request(
        RRE_GET_PARTITION_VIEW, 37456,
        [](std::vector<uint8_t>& d, const void* c) {
            const auto& t = *static_cast<const Target*>(c);
            PutHost32(d, 8, t.controller);
            std::memcpy(d.data() + 16, t.serial, 32);
        },
        &target);
    ASSERT_EQ(partitionView.size(), 37456u);
    EXPECT_EQ(Host32(partitionView, 4), 0u);
    auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    std::memcpy(view.get(), partitionView.data() + 48, sizeof *view);
    ASSERT_EQ(view->numHosts, 1);
    EXPECT_EQ(std::memcmp(view->wwn[0], kHostPortA, 8), 0);
    EXPECT_EQ(view->mappings[0].hlun, kLun);
    EXPECT_EQ(view->mappings[0].flags[0], kReadWrite);
    EXPECT_EQ(view->mappings[0].flags[1], kReadWrite);
    EXPECT_EQ(view->mappings[0].flags[2], 0) << "a channel the controller does not have";

    const std::vector<uint8_t> hostView = Request(
        RRE_GET_HOST_VIEW, 64824,
        [](std::vector<uint8_t>& d, const void* c) {
            PutHost32(d, 8, static_cast<const Target*>(c)->controller);
            d[24] = 16;
            std::memcpy(d.data() + 44, kHostPortA, 8);
        },
        &target);
    ASSERT_EQ(hostView.size(), 64824u);
    EXPECT_EQ(Host32(hostView, 4), 0u);
    auto table = std::make_unique<CAPI_HOST_VIEW_TABLE>();
    std::memcpy(table.get(), hostView.data() + 296, sizeof *table);
    bool listed = false;
    for (uint32_t k = 0; k < table->numPartitions && k < 512; ++k) {
        listed = listed || (std::memcmp(&table->partitions[k].sn, target.serial, 16) == 0 &&
                            table->partitions[k].map.hlun == kLun);
    }
    EXPECT_TRUE(listed);

    // The simulated host has a disk for the volume under the LUN.
    char serialText[33] = {};
    for (int i = 0; i < 16; ++i) std::snprintf(serialText + 2 * i, 3, "%02X", target.serial[i]);
    const std::string disksAfter = Admin("disks");
    EXPECT_EQ(disksBefore.find(serialText), std::string::npos);
    EXPECT_NE(disksAfter.find(std::string("lun=7 serial=") + serialText), std::string::npos) << disksAfter;
}

TEST_F(ViewsOverTcp, HostAdapterListsShowTheHostsPorts) {
    ProxyReply handles;
    ASSERT_TRUE(session_.Request(RRE_GET_CONTROLLERHANDLEDB, {}, &handles)) << session_.Error();
    const uint32_t controller = ProxyWord(handles.data, 16 + 32);
    const std::vector<uint8_t> wwpns = Request(
        RRE_GET_CONNECT_HBA_WWPN_LIST, 276,
        [](std::vector<uint8_t>& d, const void* c) { PutHost32(d, 8, *static_cast<const uint32_t*>(c)); },
        &controller);
    ASSERT_EQ(wwpns.size(), 276u);
    EXPECT_EQ(Host32(wwpns, 4), 0u);
    ASSERT_EQ(Host32(wwpns, 12), 2u);
    EXPECT_EQ(std::memcmp(wwpns.data() + 16, kHostPortA, 8), 0);

    // No controller needed: any id.
    const std::vector<uint8_t> adapters = Request(
        RRE_GET_CONNECT_HBA_INFO_LIST, 58128,
        [](std::vector<uint8_t>& d, const void*) { PutHost32(d, 8, 0x7777); }, nullptr);
    ASSERT_EQ(adapters.size(), 58128u);
    EXPECT_EQ(Host32(adapters, 4), 0u);
    EXPECT_EQ(Host32(adapters, 8), 2u);
    EXPECT_EQ(std::memcmp(adapters.data() + 12 + 8, kHostPortA, 8), 0);
}

}  // namespace
