// The map record of a custom-view mapping request: which identity fields it takes by the controller's
// kind, and how its channel flags come out of the merge with the partition's view and the checks.
#include "corlink/handlers/custom_view_record.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Flags = std::array<uint8_t, 8>;
using Port = std::array<uint8_t, 8>;

constexpr HostInterfaceKind kFc{true, false, false, false, 4};
constexpr HostInterfaceKind kSas{false, true, false, false, 8};
constexpr HostInterfaceKind kIscsi{false, false, true, false, 4};
constexpr HostInterfaceKind kHybrid{true, false, false, true, 4};

constexpr Port kPortA{0x21, 0, 0, 0x1B, 0x32, 0, 0, 1};
constexpr Port kPortB{0x21, 0, 0, 0x1B, 0x32, 0, 0, 2};

struct ViewHost {
    Port port{};
    std::string iscsiName;
    std::array<uint8_t, 16> address{};
    Flags flags{};
};

std::unique_ptr<CAPI_PARTITION_VIEW_TABLE> View(const Flags& defaults, const std::vector<ViewHost>& hosts) {
    auto view = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    std::memset(view.get(), 0, sizeof *view);
    std::memcpy(view->defaultMapping.flags, defaults.data(), 8);
    view->numHosts = static_cast<uint16_t>(hosts.size());
    for (size_t k = 0; k < hosts.size(); ++k) {
        std::memcpy(view->wwn[k], hosts[k].port.data(), 8);
        std::memcpy(view->mappings[k].flags, hosts[k].flags.data(), 8);
        std::memcpy(view->hostPorts[k].reserved32, hosts[k].address.data(), 16);
        std::memcpy(view->iscsiNames[k], hosts[k].iscsiName.data(), hosts[k].iscsiName.size());
    }
    return view;
}

// A mapping request for a host port of this kind (1 iSCSI name, 64 address, 16 port name).
RRE_CUSTOM_VIEW_REQUEST Request(uint8_t type, const Port& port, const std::string& name, const Flags& flags,
                                const Flags& keep) {
    RRE_CUSTOM_VIEW_REQUEST request;
    std::memset(&request, 0, sizeof request);
    std::memcpy(request.keepMarkers, keep.data(), 8);
    request.identity.type = type;
    std::memcpy(request.identity.FCPortWWN, port.data(), 8);
    std::memset(request.identity.reserved32, 0x5A, 16);
    std::memcpy(request.mapping.flags, flags.data(), 8);
    std::memcpy(request.initiatorName, name.data(), name.size());
    return request;
}

Flags FlagsOf(const CAPI_MAP_UNMAP_PARAMS& record) {
    Flags flags;
    std::memcpy(flags.data(), record.mapping.flags, 8);
    return flags;
}

// The flags a request sends after the merge with the view.
Flags MergedFlags(const RRE_CUSTOM_VIEW_REQUEST& request, const Flags& keep,
                  const CAPI_PARTITION_VIEW_TABLE& view, const HostInterfaceKind& kind) {
    CAPI_MAP_UNMAP_PARAMS record;
    std::memset(&record, 0, sizeof record);
    FillMapRecord(record, request, kind);
    MergeChannelFlags(record, keep.data(), view, kind);
    return FlagsOf(record);
}

constexpr Flags kKeepAll{1, 1, 1, 1, 1, 1, 1, 1};
constexpr Flags kKeepNone{};
constexpr Flags kRequested{0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0};
constexpr Flags kDefaults{0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};

TEST(CustomViewRecord, ChannelFlagsMergeWithTheView) {
    const std::array<uint8_t, 16> address{0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A,
                                          0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
    const std::vector<ViewHost> hosts = {
        // clang-format off
        {kPortB, "", {}, {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28}},
        {{}, "iqn.1991-05.com.host:two", {}, {0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38}},
        {{}, "", address, {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}},
        {kPortA, "", {}, {0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58}},
        {{}, "iqn.other", {}, {0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68}},
        // clang-format on
    };
    const auto view = View(kDefaults, hosts);
    const struct {
        const char* name;
        HostInterfaceKind kind;
        uint8_t type;
        Port port;
        std::string iscsiName;
        Flags keep;
        Flags expected;
    } cases[] = {
        // clang-format off
        {"keep markers 1: the request's bytes, channels from the controller's count on 0", kFc, 16, kPortA, "", kKeepAll,
         {0xC0, 0xC0, 0xC0, 0xC0, 0, 0, 0, 0}},
        {"FC marker 0 on channel 1: the flags of the view's host with the port", kFc, 16, kPortA, "",
         {1, 0, 1, 1, 1, 1, 1, 1}, {0xC0, 0x52, 0xC0, 0xC0, 0, 0, 0, 0}},
        {"FC, no port: the default mapping", kFc, 16, {}, "", kKeepNone, {0x11, 0x12, 0x13, 0x14, 0, 0, 0, 0}},
        {"FC, a port the view does not list: the request's bytes", kFc, 16, {9, 9, 9, 9, 9, 9, 9, 9}, "", kKeepNone,
         {0xC0, 0xC0, 0xC0, 0xC0, 0, 0, 0, 0}},
        {"SAS with 8 channels", kSas, 16, kPortB, "", kKeepNone, {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28}},
        {"iSCSI by name, without regard to case", kIscsi, 1, {}, "IQN.1991-05.com.HOST:two", kKeepNone,
         {0x31, 0x32, 0x33, 0x34, 0, 0, 0, 0}},
        {"iSCSI, no name: the default mapping", kIscsi, 1, {}, "", kKeepNone, {0x11, 0x12, 0x13, 0x14, 0, 0, 0, 0}},
        {"iSCSI by the 16-byte address", kIscsi, 64, {}, "", kKeepNone, {0x41, 0x42, 0x43, 0x44, 0, 0, 0, 0}},
        {"hybrid, iSCSI by name: never another iSCSI host for its empty port name", kHybrid, 1, {},
         "iqn.1991-05.com.host:two", kKeepNone, {0x31, 0x32, 0x33, 0x34, 0, 0, 0, 0}},
        {"hybrid, an FC port by its name", kHybrid, 16, kPortB, "", kKeepNone, {0x21, 0x22, 0x23, 0x24, 0, 0, 0, 0}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RRE_CUSTOM_VIEW_REQUEST request = Request(c.type, c.port, c.iscsiName, kRequested, c.keep);
        EXPECT_EQ(MergedFlags(request, c.keep, *view, c.kind), c.expected);
    }
}

TEST(CustomViewRecord, TheLastMatchingHostDecides) {
    const auto view = View(kDefaults, {{kPortA, "", {}, {0x71, 0x71}}, {kPortA, "", {}, {0x72, 0x72}}});
    const RRE_CUSTOM_VIEW_REQUEST request = Request(16, kPortA, "", kRequested, kKeepNone);
    EXPECT_EQ(MergedFlags(request, kKeepNone, *view, kFc), (Flags{0x72, 0x72, 0, 0, 0, 0, 0, 0}));
}

// A view's host count is the controller's word: the search stops at the 128 hosts a view holds.
TEST(CustomViewRecord, HostSearchStaysInsideTheView) {
    auto view = View(kDefaults, {});
    view->numHosts = 0xFFFF;
    const RRE_CUSTOM_VIEW_REQUEST request = Request(16, kPortA, "", kRequested, kKeepNone);
    EXPECT_EQ(MergedFlags(request, kKeepNone, *view, kFc), (Flags{0xC0, 0xC0, 0xC0, 0xC0, 0, 0, 0, 0}));
}

TEST(CustomViewRecord, ReadWriteBesideReadOnlyIsRefusedAndReadOnlySpreads) {
    const struct {
        const char* name;
        Flags merged;
        bool accepted;
        bool spread;
        Flags sent;
    } cases[] = {
        // clang-format off
        {"0xC0 beside 0xE0", {0xC0, 0xE0, 0, 0, 0, 0, 0, 0}, false, false, {}},
        {"0x20 on channel 2 and 0xC0 on channel 0", {0xC0, 0, 0x20, 0, 0, 0, 0, 0}, true, true,
         {0xE0, 0x20, 0x20, 0x20, 0, 0, 0, 0}},
        {"read-write alone", {0xC0, 0xC0, 0, 0, 0, 0, 0, 0}, true, false, {0xC0, 0xC0, 0, 0, 0, 0, 0, 0}},
        {"0xE0 beside 0xC0 on a channel the controller lacks", {0xE0, 0, 0, 0, 0xC0, 0, 0, 0}, true, true,
         {0xE0, 0x20, 0x20, 0x20, 0xC0, 0, 0, 0}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAPI_MAP_UNMAP_PARAMS record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.mapping.flags, c.merged.data(), 8);
        bool spread = false;
        EXPECT_EQ(CheckChannelFlags(record, kFc, &spread), c.accepted);
        EXPECT_EQ(spread, c.spread);
        if (c.accepted) {
            EXPECT_EQ(FlagsOf(record), c.sent);
        }
    }
}

TEST(CustomViewRecord, IdentityFieldsFollowTheControllersKind) {
    const std::string name = "iqn.1991-05.com.host:one";
    const auto bytesOf = [](const CAPI_MAP_UNMAP_PARAMS& r) { return reinterpret_cast<const uint8_t*>(&r); };
    const struct {
        const char* what;
        HostInterfaceKind kind;
        uint8_t type;
        bool portName;
        bool address;
        bool initiatorName;
    } cases[] = {
        // clang-format off
        {"FC: the port name whatever the type", kFc, 1, true, false, false},
        {"hybrid, type 1: the initiator name", kHybrid, 1, false, false, true},
        {"hybrid, type 128: the address", kHybrid, 128, false, true, false},
        {"iSCSI, type 64: the address", kIscsi, 64, false, true, false},
        {"iSCSI, type 1: the initiator name", kIscsi, 1, false, false, true},
        {"iSCSI, type 16: nothing", kIscsi, 16, false, false, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RRE_CUSTOM_VIEW_REQUEST request = Request(c.type, kPortA, name, kRequested, kKeepAll);
        std::memset(request.serialNumber, 0xAB, 32);
        const uint32_t options = 0x01020304;
        request.mapOptions = options;
        request.mapping.hlun = 7;
        CAPI_MAP_UNMAP_PARAMS record;
        std::memset(&record, 0, sizeof record);
        FillMapRecord(record, request, c.kind);
        EXPECT_EQ(record.partitionSerialNumber[15], 0xAB);
        EXPECT_EQ(record.mapping.hlun, 7);
        EXPECT_EQ(record.flexId.type, c.type);
        EXPECT_EQ(record.value76, options);
        EXPECT_EQ(std::memcmp(record.flexId.FCPortWWN, kPortA.data(), 8) == 0, c.portName);
        EXPECT_EQ(bytesOf(record)[60] == 0x5A, c.address);
        EXPECT_EQ(std::string(InitiatorNameOf(record)) == name, c.initiatorName);
    }
}

}  // namespace
