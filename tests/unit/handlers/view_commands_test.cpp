// The partition view commands against the default fabric (FC controllers with two host channels; volumes
// data01, data02 and logs01 presented by default under LUNs 1-3, spare01 not presented): custom views map a
// partition to a host port, what each mapping request sends, and the view list's cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/handlers/custom_view_record.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

constexpr uint32_t kCustomViewLength = 42508;
constexpr uint32_t kMapCommand = CAPI_COMMAND_U_MAP_UNMAP_PARTITION;
constexpr uint32_t kViewCommand = CAPI_COMMAND_U_GET_PARTITION_VIEW;
constexpr size_t kViewSize = sizeof(CAPI_PARTITION_VIEW_TABLE);
constexpr sim::Wwn kHostPortA{0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01};
constexpr uint8_t kKeepAll[8] = {1, 1, 1, 1, 1, 1, 1, 1};
constexpr uint8_t kReadWrite[8] = {0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0};

struct Mapping {
    uint32_t id = kHandleA;
    sim::Serial16 serial{};
    uint8_t type = 16;
    sim::Wwn port{};
    std::string iscsiName;
    uint16_t lun = 0;
    const uint8_t* flags = kReadWrite;
    const uint8_t* keep = kKeepAll;
};

void PutMapping(std::vector<uint8_t>& buffer, size_t i, const Mapping& m) {
    RRE_CUSTOM_VIEW_REQUEST& request = rre_wire::BufferAs<RRE_CUSTOM_VIEW_BUFFER>(buffer.data())->requests[i];
    request.controllerId = m.id;
    std::memcpy(request.keepMarkers, m.keep, 8);
    std::memcpy(request.serialNumber, m.serial.data(), 16);
    request.identity.type = m.type;
    std::memcpy(request.identity.FCPortWWN, m.port.data(), 8);
    request.mapping.hlun = m.lun;
    std::memcpy(request.mapping.flags, m.flags, 8);
    std::memcpy(request.initiatorName, m.iscsiName.data(), m.iscsiName.size());
}

class ViewCommandsTest : public ProxyCommandTest {
  protected:
    // CREATE_CUSTOM_VIEW carries its count at byte 8, where other requests carry the controller id.
    static Reply CustomView(const std::vector<Mapping>& mappings, uint32_t count) {
        return Exec(RRE_CREATE_CUSTOM_VIEW, kCustomViewLength, count, [&](std::vector<uint8_t>& b) {
            for (size_t i = 0; i < mappings.size(); ++i) PutMapping(b, i, mappings[i]);
        });
    }
    static Reply CustomView(const std::vector<Mapping>& mappings) {
        return CustomView(mappings, static_cast<uint32_t>(mappings.size()));
    }
    static Reply PartitionView(const sim::Serial16& serial) {
        return Exec(RRE_GET_PARTITION_VIEW, 37456, kHandleB,
                    [&](std::vector<uint8_t>& b) { std::memcpy(b.data() + 16, serial.data(), 16); });
    }
    static Reply AllViews() { return Exec(RRE_GET_ALL_PART_VIEW, 37424, kHandleA, nullptr); }
    sim::Serial16 Serial(size_t partition) const { return Pair().partitions[partition].serial; }
    std::vector<sim::JournalEntry> Sent(uint32_t command) const {
        std::vector<sim::JournalEntry> sent;
        for (const sim::JournalEntry& e : fabric_->journal().Entries()) {
            if (e.commandCode == command) sent.push_back(e);
        }
        return sent;
    }
    static std::vector<uint8_t> FlagsSent(const sim::JournalEntry& entry) {
        const size_t at = offsetof(CAPI_MAP_UNMAP_PARAMS, mapping) + offsetof(CAPI_PARTITION_MAP, flags);
        return std::vector<uint8_t>(entry.include.begin() + at, entry.include.begin() + at + 8);
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, ViewCommandsTest, ::testing::Values(Reach::InProcess), simtest::ReachName);

TEST_P(ViewCommandsTest, CustomViewMapsAPartitionToAHostPortThatThenSeesIt) {
    ASSERT_EQ(fabric_->Disks().size(), 3u);
    fabric_->journal().Clear();
    Mapping m;
    m.serial = Serial(3);
    m.port = kHostPortA;
    m.lun = 5;
    const Reply reply = CustomView({m});
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0u);
    EXPECT_EQ(reply.replyLength, static_cast<int32_t>(kCustomViewLength));

    // One map command: the channels from the controller's count on sent as 0.
    const std::vector<sim::JournalEntry> maps = Sent(kMapCommand);
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(FlagsSent(maps[0]), (std::vector<uint8_t>{0xC0, 0xC0, 0, 0, 0, 0, 0, 0}));

    // The partition's view shows the host with its flags.
    const Reply view = PartitionView(Serial(3));
    ASSERT_EQ(view.status, 0);
    EXPECT_EQ(view.code, 0u);
    CAPI_PARTITION_VIEW_TABLE table;
    std::memcpy(&table, view.buffer.data() + 48, sizeof table);
    ASSERT_EQ(table.numHosts, 1);
    EXPECT_EQ(std::memcmp(table.wwn[0], kHostPortA.data(), 8), 0);
    EXPECT_EQ(table.mappings[0].hlun, 5);
    EXPECT_EQ(table.mappings[0].flags[0], 0xC0);
    EXPECT_EQ(table.mappings[0].flags[1], 0xC0);

    // The host's view lists it, and the host has a disk for it under LUN 5.
    const Reply host = Exec(RRE_GET_HOST_VIEW, 64824, kHandleA, [](std::vector<uint8_t>& b) {
        b[24] = 16;
        std::memcpy(b.data() + 24 + offsetof(CAPI_FLEX_ID, FCPortWWN), kHostPortA.data(), 8);
    });
    ASSERT_EQ(host.status, 0);
    EXPECT_EQ(host.code, 0u);
    auto hostView = std::make_unique<CAPI_HOST_VIEW_TABLE>();
    std::memcpy(hostView.get(), host.buffer.data() + 296, sizeof *hostView);
    ASSERT_EQ(hostView->numPartitions, 4);  // the three presented by default and the mapped one
    EXPECT_EQ(std::memcmp(&hostView->partitions[3].sn, Serial(3).data(), 16), 0);
    EXPECT_EQ(hostView->partitions[3].map.hlun, 5);
    const std::vector<sim::HostDisk> disks = fabric_->Disks();
    ASSERT_EQ(disks.size(), 4u);
    EXPECT_TRUE(std::any_of(disks.begin(), disks.end(), [&](const sim::HostDisk& d) {
        return d.serial == Serial(3) && d.address.lun == 5;
    }));
}

TEST_P(ViewCommandsTest, CustomViewRequestCountsAndRefusals) {
    Mapping m;
    m.serial = Serial(3);
    m.port = kHostPortA;
    m.lun = 6;
    Mapping unknown = m;
    unknown.id = 0x7700;
    Mapping initiator = m;  // an iSCSI name to an FC controller: its port name names no initiator
    initiator.type = 1;
    const struct {
        const char* name;
        std::vector<Mapping> mappings;
        uint32_t count;
        int32_t status;
        uint32_t code;
        size_t maps;
    } cases[] = {
        // clang-format off
        {"no mapping request", {}, 0, 0, 0, 0},
        {"more than 128: nothing sent", {m}, 129, 0, 0xFFFFFFFFu, 0},
        {"the second for an unknown controller: the first is mapped", {m, unknown}, 2, -1, RRE_ERROR_NO_CONTROLLER, 1},
        {"an iSCSI initiator to an FC controller: nothing sent, nor after it", {initiator, m}, 2, 0, 0xFFFFFFFFu, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fabric_->journal().Clear();
        const Reply reply = CustomView(c.mappings, c.count);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.code, c.code);
        EXPECT_EQ(Sent(kMapCommand).size(), c.maps);
        if (c.count > CUSTOM_VIEW_MAX_REQUESTS) {
            EXPECT_TRUE(fabric_->journal().Entries().empty());
        }
    }
    EXPECT_EQ(Pair().partitions[3].hostMaps.size(), 1u);
}

// The merge over the fabric: the channel's flags come from the view when its keep marker is not 1;
// merged flags that are read-write on one channel and read-only on another send nothing.
TEST_P(ViewCommandsTest, CustomViewMergesWithTheCurrentViewAndRefusesConflictingFlags) {
    fabric_->Edit([](sim::FabricModel& model) {
        sim::Partition& p = model.systems[0].partitions[3];
        p.hostMaps.push_back({sim::HostPortId::Fc(kHostPortA), sim::PartitionMap::Presenting(8)});
        p.hostMaps.back().map.flags[1] = 0xE0;
    });
    const uint8_t keepFirst[8] = {1, 0, 1, 1, 1, 1, 1, 1};
    const uint8_t readOnly[8] = {0xE0, 0xE0};
    Mapping m;
    m.serial = Serial(3);
    m.port = kHostPortA;
    m.lun = 8;
    m.keep = keepFirst;

    fabric_->journal().Clear();
    const Reply conflict = CustomView({m});  // 0xC0 kept on channel 0, 0xE0 from the view on channel 1
    EXPECT_EQ(conflict.status, 0);
    EXPECT_EQ(conflict.code, 0xFFFFFFFFu);
    EXPECT_EQ(Sent(kViewCommand).size(), 1u);
    EXPECT_TRUE(Sent(kMapCommand).empty());

    m.flags = readOnly;
    const Reply merged = CustomView({m});
    EXPECT_EQ(merged.code, 0u);
    ASSERT_EQ(Sent(kMapCommand).size(), 1u);
    EXPECT_EQ(FlagsSent(Sent(kMapCommand)[0]), (std::vector<uint8_t>{0xE0, 0xE0, 0, 0, 0, 0, 0, 0}));
}

// A refused map command is sent once more after the flex host list and 3 s; a failed view read ends the
// command with its code and sends no map command.
TEST_P(ViewCommandsTest, CustomViewRetriesARefusedMappingOnceAndStopsAtAFailedViewRead) {
    Mapping m;
    m.serial = Serial(3);
    m.port = kHostPortA;
    m.lun = 9;
    fabric_->journal().Clear();
    fabric_->InjectFault(0, 0, {sim::FaultKind::ReturnCode, kMapCommand, 47, 1});
    const Reply retried = CustomView({m});
    EXPECT_EQ(retried.code, 0u);
    std::vector<uint32_t> order;
    std::vector<uint32_t> times;
    for (const sim::JournalEntry& e : fabric_->journal().Entries()) {
        if (e.commandCode == kMapCommand || e.commandCode == CAPI_COMMAND_U_GET_FLEX_HOST_LIST) {
            order.push_back(e.commandCode);
            times.push_back(e.timeMs);
        }
    }
    ASSERT_EQ(order, (std::vector<uint32_t>{kMapCommand, CAPI_COMMAND_U_GET_FLEX_HOST_LIST, kMapCommand}));
    EXPECT_GE(times[2] - times[1], 3000u);
    EXPECT_LT(times[2] - times[1], 4000u);

    fabric_->journal().Clear();
    fabric_->InjectFault(0, 0, {sim::FaultKind::ReturnCode, kViewCommand, 47, 1});
    Mapping later = m;
    later.serial = Serial(2);
    const Reply failedRead = CustomView({m, later});
    EXPECT_EQ(failedRead.status, 0);
    EXPECT_EQ(failedRead.code, 47u);
    EXPECT_TRUE(Sent(kMapCommand).empty());
    EXPECT_EQ(Sent(kViewCommand).size(), 1u) << "the later request was carried out";

    // A reply that stores no view: the wait ends after 60 s as a failed read.
    fabric_->SetHandler(kViewCommand, [](const sim::CapiRequest&, sim::StorageSystem&, int) {
        sim::CapiAnswer answer;
        answer.replyCode = 2999;
        return answer;
    });
    const uint64_t before = platform::GetClock().NowMs();
    const Reply noView = CustomView({m});
    EXPECT_EQ(noView.code, 0xFFFFFFFFu);
    EXPECT_GE(platform::GetClock().NowMs() - before, 60000u);
    EXPECT_TRUE(Sent(kMapCommand).empty());
}

// Each mapping request starts from an all-zero map record: an address-named host after a named initiator
// sends no initiator name.
TEST_P(ViewCommandsTest, EachMappingRequestStartsFromAZeroRecord) {
    fabric_->Edit([](sim::FabricModel& model) {
        model.systems[0].params.hostBusTypes = sim::HostBusTypes(sim::kBusTypeIscsi);
    });
    fabric_->RecordConfigurationChange(0);
    ASSERT_EQ(List(RRE_GET_ARRAY_LIST, kHandleA).status, 0);  // the proxy reads the controller's new kind
    Mapping named;
    named.serial = Serial(3);
    named.type = 1;
    named.iscsiName = "iqn.1991-05.com.host:one";
    named.lun = 4;
    Mapping addressed = named;
    addressed.type = 64;
    addressed.iscsiName.clear();
    fabric_->journal().Clear();
    const Reply reply = CustomView({named, addressed});
    EXPECT_EQ(reply.code, 0u);
    const std::vector<sim::JournalEntry> maps = Sent(kMapCommand);
    ASSERT_EQ(maps.size(), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(maps[0].include.data() + 180)), named.iscsiName);
    EXPECT_EQ(maps[1].include[180], 0);
    const std::vector<sim::HostMapping> hosts = Pair().partitions[3].hostMaps;
    ASSERT_EQ(hosts.size(), 1u);  // the address is all zero: the second request set the default mapping
    EXPECT_EQ(hosts[0].host.iscsiName, named.iscsiName);
}

// A controller with FC and iSCSI host channels names an iSCSI initiator by its name, and the merge finds
// the initiator's flags in the view by that name.
TEST_P(ViewCommandsTest, HybridControllerMapsAnInitiatorByName) {
    fabric_->Edit([](sim::FabricModel& model) {
        sim::StorageSystem& pair = model.systems[0];
        pair.params.hostBusTypes = sim::HybridHostBusTypes();
        pair.partitions[3].hostMaps.push_back(
            {sim::HostPortId::Iscsi("iqn.1991-05.com.host:one"), sim::PartitionMap::Presenting(6)});
        pair.partitions[3].hostMaps.back().map.flags[1] = 0xE0;
    });
    fabric_->RecordConfigurationChange(0);
    ASSERT_EQ(List(RRE_GET_ARRAY_LIST, kHandleA).status, 0);
    const uint8_t keepFirst[8] = {1, 0, 1, 1, 1, 1, 1, 1};
    const uint8_t readOnly[8] = {0xE0};
    Mapping m;
    m.serial = Serial(3);
    m.type = 1;
    m.iscsiName = "IQN.1991-05.com.HOST:one";
    m.lun = 6;
    m.flags = readOnly;
    m.keep = keepFirst;
    fabric_->journal().Clear();
    EXPECT_EQ(CustomView({m}).code, 0u);
    const std::vector<sim::JournalEntry> maps = Sent(kMapCommand);
    ASSERT_EQ(maps.size(), 1u);
    EXPECT_EQ(FlagsSent(maps[0]), (std::vector<uint8_t>{0xE0, 0xE0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(maps[0].include.data() + 180)), m.iscsiName);
}

TEST_P(ViewCommandsTest, ViewListComesFromItsCacheUntilAChange) {
    fabric_->journal().Clear();
    const Reply first = AllViews();
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.code, 0u);
    ASSERT_EQ(Word(first.buffer, 12), 4u);
    EXPECT_EQ(first.replyLength, static_cast<int32_t>(48 + 4 * kViewSize));
    EXPECT_TRUE(std::all_of(first.buffer.begin() + 16 + 4 * kViewSize,
                            first.buffer.begin() + 48 + 4 * kViewSize, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(std::memcmp(first.buffer.data() + 16 + 3 * kViewSize, Serial(3).data(), 16), 0);
    EXPECT_EQ(Sent(kViewCommand).size(), 4u);

    fabric_->journal().Clear();
    const Reply cached = AllViews();
    EXPECT_EQ(cached.code, 0u);
    EXPECT_TRUE(Sent(kViewCommand).empty());
    EXPECT_TRUE(
        std::equal(first.buffer.begin(), first.buffer.begin() + first.replyLength, cached.buffer.begin()));

    // A change anywhere moves the controller's sequence number: the list is read again.
    fabric_->RecordConfigurationChange(0);
    fabric_->journal().Clear();
    EXPECT_EQ(Word(AllViews().buffer, 12), 4u);
    EXPECT_EQ(Sent(kViewCommand).size(), 4u);

    Mapping m;
    m.serial = Serial(3);
    m.port = kHostPortA;
    m.lun = 5;
    ASSERT_EQ(CustomView({m}).code, 0u);
    fabric_->journal().Clear();
    const Reply rebuilt = AllViews();
    EXPECT_EQ(Sent(kViewCommand).size(), 4u);
    CAPI_PARTITION_VIEW_TABLE last;
    std::memcpy(&last, rebuilt.buffer.data() + 16 + 3 * kViewSize, sizeof last);
    EXPECT_EQ(last.numHosts, 1);
}

// A list with a failed read leaves that partition out and is read again next time.
TEST_P(ViewCommandsTest, ViewListWithAFailedReadIsNotKept) {
    fabric_->InjectFault(0, 0, {sim::FaultKind::ReturnCode, kViewCommand, 47, 3});
    const Reply partial = AllViews();
    EXPECT_EQ(Word(partial.buffer, 12), 3u);
    EXPECT_EQ(partial.code, 0u) << "the code is the last partition's read";
    fabric_->journal().Clear();
    const Reply whole = AllViews();
    EXPECT_EQ(Word(whole.buffer, 12), 4u);
    EXPECT_EQ(Sent(kViewCommand).size(), 4u);
}

// More views than the reply holds: as many as fit, code -1.
TEST_P(ViewCommandsTest, ViewListStopsAtTheReplyBuffer) {
    fabric_->Edit([](sim::FabricModel& model) {
        sim::StorageSystem& pair = model.systems[0];
        for (uint64_t i = 0; i < 110; ++i) {
            sim::Partition p = pair.partitions[3];
            p.serial = sim::DerivedVolumeSerial(pair.controllers[0].serial, 100 + i);
            pair.partitions.push_back(p);
        }
    });
    fabric_->RecordConfigurationChange(0);
    ASSERT_EQ(List(RRE_GET_ARRAY_LIST, kHandleA).status, 0);
    const Reply reply = AllViews();
    ASSERT_EQ(reply.status, 0);
    EXPECT_EQ(reply.code, 0xFFFFFFFFu);
    EXPECT_EQ(Word(reply.buffer, 12), 112u);
    EXPECT_EQ(reply.replyLength, static_cast<int32_t>(48 + 112 * kViewSize));
}

}  // namespace
