// LUN mapping on one controller against a scripted proxy: the free-LUN search over the host views of the
// accepted ports (a listed LUN is in use whatever its channel flags), the mappings with their access bytes,
// channel selections and undo, the results after the closing refresh, unmapping, and the LUN at which a
// partition is presented to this host. Counts in the views are bounded by their tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/provider_parameters.h"
#include "provider/controllers/retry_policy.h"
#include "tests/unit/provider/mapping_script.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::Fc;
using providertest::HostViewRequest;
using providertest::Iscsi;
using providertest::KeyOf;
using providertest::Listed;
using providertest::MapRequest;
using providertest::NetworkReply;
using providertest::PutU32;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::SessionTest;

constexpr int32_t kHandle = 0x100;
constexpr int32_t kPartner = 0x201;
constexpr uint8_t kFcBus = 6;
constexpr uint8_t kIscsiBus = 9;
constexpr uint32_t kRefused = 7;  // a controller code the retry policy tries four times, then vetoes
constexpr uint8_t kPartitionId[16] = {0x60, 0x0C, 0x0F, 0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

const FlexIDEntry kPortA = Fc(1);
const FlexIDEntry kPortB = Fc(2);
const FlexIDEntry kPortC = Fc(3);
const FlexIDEntry kPortX = Iscsi("iqn.1991-05.com.example:host");

class LunMappingTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        controllerData_.capabilities = 1;
        controllerData_.numHostChannels = 2;
        controllerData_.hostChannels[0].busType = kFcBus;
        controllerData_.hostChannels[1].busType = kFcBus;
        proxy_.SetScript([this](const ProxyMessage& request) { return Answer(request); });
        ASSERT_EQ(ProxyInit(), 0);
        controller_ = std::make_unique<BVSS_CapiRaidController>();
        controller_->mHandle = kHandle;
        controller_->mPartnerHandle = kPartner;
        Apply();
    }
    void TearDown() override {
        controller_.reset();
        CloseCapiSleepTimer();
        SessionTest::TearDown();
    }
    // The controller data the object holds and the refresh reads back.
    void Apply() { controller_->mControllerData = controllerData_; }
    void SetStartingLun(DWORD lun) {
        root_.SetString(kProviderParametersKey, "Name", "Provider");
        root_.SetString(kProviderParametersKey, "Version", "1.0");
        root_.SetDword(kProviderParametersKey, "StartingLun", lun);
        ASSERT_EQ(readProviderParameters(), 0u);
    }
    std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }

    ScriptAction Answer(const ProxyMessage& request) {
        const uint32_t code = request.header.OpCode;
        std::vector<uint8_t> data = request.data;
        PackRreBuffer(code, PACK_FROM_NETWORK, data.data(), data.size());
        if (code == RRE_GET_HOST_VIEW) {
            const HostViewRequest r = providertest::ReadHostViewRequest(data);
            hostViewRequests_.push_back(r);
            std::vector<uint8_t> host =
                providertest::HostViewReply(hostViewCode_, data, views_[{r.id, r.port}]);
            if (editHostView_) editHostView_(host.data() + providertest::kHostViewOffset);
            return Reply(request, NetworkReply(code, host));
        }
        if (code == RRE_CREATE_CUSTOM_VIEW) {
            const MapRequest r = providertest::ReadMapRequest(data);
            maps_.push_back(r);
            return Reply(request, NetworkReply(code, providertest::MapReply(mapCode_ ? mapCode_(r) : 0)));
        }
        if (code == RRE_GET_PARTITION_VIEW) {
            ++partitionViewReads_;
            return Reply(request, NetworkReply(code, providertest::PartitionViewReply(partitionViewCode_,
                                                                                      *partitionView_)));
        }
        if (code == RRE_GET_CONNECT_HBA_WWPN_LIST) {
            return Reply(request, NetworkReply(code, providertest::WwpnListReply(wwpnListCode_, wwpnList_)));
        }
        if (code == RRE_GET_CONTROLLER) {
            ++refreshes_;
            std::vector<uint8_t> reply(sizeof(API_RAID_CONTROLLER), 0);
            auto* c = reinterpret_cast<API_RAID_CONTROLLER*>(reply.data());
            c->controllerId = kHandle;
            c->controller = controllerData_;
            WriteBigEndian32(reply.data() + 4, refreshCode_);
            if (refreshCode_ != 0) reply.resize(8);
            return Reply(request, reply);
        }
        return Reply(request, providertest::ReplyData(8, 0, 0));
    }
    static ScriptAction Reply(const ProxyMessage& request, const std::vector<uint8_t>& data) {
        return ScriptAction{{ReplyTo(request, data)}, false};
    }

    // The (port, access byte of channel 0) of each mapping request, in order.
    std::vector<std::pair<std::string, uint8_t>> MapSequence() const {
        std::vector<std::pair<std::string, uint8_t>> sequence;
        for (const MapRequest& m : maps_) sequence.emplace_back(m.port, m.access[0]);
        return sequence;
    }

    CAPI_CONTROLLER controllerData_{};
    std::unique_ptr<BVSS_CapiRaidController> controller_;
    std::map<std::pair<uint32_t, std::string>, std::vector<CAPI_PARTITION_SN_AND_MAP>> views_;
    std::function<void(uint8_t* view)> editHostView_;
    uint32_t hostViewCode_ = 0;
    std::vector<HostViewRequest> hostViewRequests_;
    std::function<uint32_t(const MapRequest&)> mapCode_;
    std::vector<MapRequest> maps_;
    std::unique_ptr<CAPI_PARTITION_VIEW_TABLE> partitionView_ = std::make_unique<CAPI_PARTITION_VIEW_TABLE>();
    uint32_t partitionViewCode_ = 0;
    int partitionViewReads_ = 0;
    std::vector<FlexIDEntry> wwpnList_;
    uint32_t wwpnListCode_ = 0;
    uint32_t refreshCode_ = 0;
    int refreshes_ = 0;
};

TEST_F(LunMappingTest, FirstLunThatNoViewOfAnAcceptedPortLists) {
    struct Case {
        const char* what;
        DWORD start;
        std::vector<CAPI_PARTITION_SN_AND_MAP> viewA, viewB;
        std::vector<FlexIDEntry> ports;
        uint32_t lun;
        size_t reads;
    } cases[] = {
        // clang-format off
        {"1 with 0xC0 on every channel and 2 with 0xCC are in use", 1, {Listed(1, 0xC0), Listed(2, 0xCC)}, {},
         {kPortA}, 3, 1},
        {"flags below 0xC0 count too", 1, {Listed(2, 0x00), Listed(1, 0x80)}, {}, {kPortA}, 3, 1},
        {"a gap is taken", 1, {Listed(1), Listed(3)}, {}, {kPortA}, 2, 1},
        {"every accepted port's view counts", 1, {Listed(1)}, {Listed(2), Listed(3)}, {kPortA, kPortB}, 4, 2},
        {"from StartingLun on", 5, {Listed(2), Listed(5), Listed(6)}, {}, {kPortA}, 7, 1},
        {"1,022 in use: none", 1022, {Listed(1022)}, {}, {kPortA}, kNoLun, 1},
        {"StartingLun above 1,022: none", 1023, {}, {}, {kPortA}, kNoLun, 1},
        {"an iSCSI port on an FC controller is not read", 1, {Listed(1)}, {}, {kPortX, kPortA}, 2, 1},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetStartingLun(c.start);
        views_.clear();
        hostViewRequests_.clear();
        views_[{kHandle, KeyOf(kPortA)}] = c.viewA;
        views_[{kHandle, KeyOf(kPortB)}] = c.viewB;
        uint32_t lun = 0;
        EXPECT_EQ(controller_->findNextAvailableLUN(c.ports, 1, &lun), S_OK);
        EXPECT_EQ(lun, c.lun);
        ASSERT_EQ(hostViewRequests_.size(), c.reads);
        EXPECT_EQ(hostViewRequests_[0].selector, 1);
        EXPECT_EQ(hostViewRequests_[0].flag, 1u);
    }
    EXPECT_NE(
        Log().find(
            "findNextAvailableLUN(): [1] 2100001b32000002 LUN 3 -> flags C0 03000000000000000000000000000000\n"),
        std::string::npos);
    EXPECT_NE(Log().find("The map for port WWN: 21:00:00:1B:32:00:00:01, numPartitions=2\n"),
              std::string::npos);
}

TEST_F(LunMappingTest, SelectorAndThePartnersViewFollowTheControllersState) {
    views_[{kHandle, KeyOf(kPortA)}] = {Listed(1)};
    views_[{kPartner, KeyOf(kPortA)}] = {Listed(2)};
    struct Case {
        const char* what;
        uint8_t failedOver, otherState, mode;
        uint8_t selector;
        std::vector<uint32_t> ids;
        uint32_t lun;
    } cases[] = {
        // clang-format off
        {"plain: the caller's selector, this controller only", 0, 0, 0, 0, {kHandle}, 2},
        {"failed over: both controllers' LUNs, no partner read", 1, 0, 0, 2, {kHandle}, 2},
        {"partner not in order", 0, 3, 0, 2, {kHandle}, 2},
        {"mode 8: the partner's LUNs are in use too", 0, 0, 8, 2, {kHandle, kPartner}, 3},
        {"mode 8 failed over: no partner", 1, 0, 8, 2, {kHandle}, 2},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        controllerData_.failover.failedOver = c.failedOver;
        controllerData_.failover.otherState = c.otherState;
        controllerData_.controllerParams1.controllerMode = c.mode;
        Apply();
        hostViewRequests_.clear();
        uint32_t lun = 0;
        EXPECT_EQ(controller_->findNextAvailableLUN({kPortA}, 0, &lun), S_OK);
        EXPECT_EQ(lun, c.lun);
        ASSERT_EQ(hostViewRequests_.size(), c.ids.size());
        for (size_t i = 0; i < c.ids.size(); ++i) {
            EXPECT_EQ(hostViewRequests_[i].id, c.ids[i]);
            EXPECT_EQ(hostViewRequests_[i].selector, c.selector);
        }
    }
}

TEST_F(LunMappingTest, AnUnreadableViewVetoesTheAssignmentBeforeAnyMapping) {
    hostViewCode_ = kRefused;
    auto thrown = [&](const FlexIDEntry& port) {
        try {
            controller_->assignLUN(kPartitionId, {port}, 1, 1);
        } catch (HRESULT hr) {
            return hr;
        }
        return static_cast<HRESULT>(S_OK);
    };
    EXPECT_EQ(thrown(kPortA), VSS_E_PROVIDER_VETO);
    EXPECT_TRUE(maps_.empty());
    EXPECT_EQ(refreshes_, 0);
    EXPECT_NE(Events().find("capiGetHostView(): Error getting filter map entries for WWPN.:error=0x80042306, "
                            "WWPN=2100001b32000001."),
              std::string::npos)
        << Events();
    controllerData_.hostChannels[1].busType = kIscsiBus;
    Apply();
    EXPECT_EQ(thrown(kPortX), VSS_E_PROVIDER_VETO);
    EXPECT_NE(Events().find("capiGetHostView(): Error 0x80042306 getting filter map entries for "
                            "IQN:iqn.1991-05.com.example:host."),
              std::string::npos)
        << Events();
}

TEST_F(LunMappingTest, ViewCountsAreBoundedByTheirTables) {
    // A host view that claims 65,535 entries: only the 512 of the table are read; an entry placed behind
    // them at LUN 1 is not taken for one.
    editHostView_ = [](uint8_t* view) {
        auto* table = reinterpret_cast<CAPI_HOST_VIEW_TABLE*>(view);
        table->numPartitions = 0xFFFF;
        const CAPI_PARTITION_SN_AND_MAP behind = Listed(1);
        std::memcpy(view + offsetof(CAPI_HOST_VIEW_TABLE, partitions) + 600 * sizeof behind, &behind,
                    sizeof behind);
    };
    views_[{kHandle, KeyOf(kPortA)}] = {Listed(2)};
    uint32_t lun = 0;
    EXPECT_EQ(controller_->findNextAvailableLUN({kPortA}, 1, &lun), S_OK);
    EXPECT_EQ(lun, 1u);

    // A partition view that claims 65,535 hosts on an iSCSI controller: the names of 128 hosts are compared.
    controllerData_.hostChannels[0].busType = kIscsiBus;
    Apply();
    partitionView_->numHosts = 0xFFFF;
    CAPI_ARRAY_PARTITION partition{};
    EXPECT_EQ(controller_->capiGetArrayPartitionLUN(&partition, {kPortX}, &lun), S_OK);
    EXPECT_EQ(lun, kNoLun);
}

TEST_F(LunMappingTest, AssignMapsEveryAcceptedPortAtTheFreeLunThenRefreshes) {
    views_[{kHandle, KeyOf(kPortA)}] = {Listed(1), Listed(2)};
    for (uint8_t mode : {0, 8}) {
        SCOPED_TRACE(mode);
        controllerData_.controllerParams1.controllerMode = mode;
        Apply();
        maps_.clear();
        refreshes_ = 0;
        EXPECT_EQ(controller_->assignLUN(kPartitionId, {kPortA, kPortX, kPortB}, 1, 1), S_OK);
        const uint8_t access = mode == 8 ? 0xCC : 0xC0;
        ASSERT_EQ(maps_.size(), 2u);  // the iSCSI port is not accepted by an FC controller
        EXPECT_EQ(MapSequence(), (std::vector<std::pair<std::string, uint8_t>>{{KeyOf(kPortA), access},
                                                                               {KeyOf(kPortB), access}}));
        for (const MapRequest& m : maps_) {
            EXPECT_EQ(m.id, static_cast<uint32_t>(kHandle));
            EXPECT_EQ(m.lun, 3u);
            EXPECT_EQ(m.lun16, 3u);
            EXPECT_EQ(m.selectors, std::vector<uint8_t>(8, 1));
            EXPECT_EQ(m.access, std::vector<uint8_t>(8, access));
            EXPECT_EQ(std::memcmp(m.serial.data(), kPartitionId, 16), 0);
            EXPECT_EQ(m.serial[16], 0);  // the 16-byte ID in a zeroed 32-byte field
        }
        EXPECT_EQ(refreshes_, 1);
    }
    EXPECT_NE(Log().find("assignLUN(): LUN assignment result=0, assigning LUN 3 to partition "
                         "600c0ff00102030405060708090a0b0c.\n"),
              std::string::npos);
    EXPECT_NE(Log().find("Channels: (all)\n"), std::string::npos);
}

TEST_F(LunMappingTest, AFailedPortIsUndoneWithThePortsBeforeItAndTheRestStillMapped) {
    mapCode_ = [](const MapRequest& m) {
        return m.port == KeyOf(kPortB) && m.access[0] != 0 ? kRefused : 0u;
    };
    EXPECT_EQ(controller_->assignLUN(kPartitionId, {kPortA, kPortB, kPortC}, 1, 1), S_OK);
    const std::string a = KeyOf(kPortA), b = KeyOf(kPortB), c = KeyOf(kPortC);
    EXPECT_EQ(MapSequence(),
              (std::vector<std::pair<std::string, uint8_t>>{
                  {a, 0xC0}, {b, 0xC0}, {b, 0xC0}, {b, 0xC0}, {b, 0xC0}, {a, 0}, {b, 0}, {c, 0xC0}}));
    EXPECT_EQ(maps_[5].lun, 1u);  // undone at the same LUN
}

TEST_F(LunMappingTest, TheRefreshNeverReplacesAFailure) {
    struct Case {
        const char* what;
        DWORD start;
        uint32_t mapCode, refreshCode;
        HRESULT result;
        const char* event;
    } cases[] = {
        // clang-format off
        {"mapped and refreshed", 1, 0, 0, S_OK, nullptr},
        {"the mapping failed", 1, kRefused, 0, VSS_E_PROVIDER_VETO, nullptr},
        {"no free LUN", 1023, 0, 0, VSS_E_OBJECT_NOT_FOUND,
         "assignLUN(): Unable to find a valid LUN to use for mapping a partition."},
        {"the refresh failed", 1, 0, kRefused, VSS_E_PROVIDER_VETO,
         "assignLUN(): Error 0x80042306 getting our array and partition data from RAID controller."},
        {"both failed", 1023, 0, kRefused, VSS_E_OBJECT_NOT_FOUND,
         "assignLUN(): Error 0x80042306 getting our array and partition data from RAID controller."},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetStartingLun(c.start);
        mapCode_ = [&](const MapRequest&) { return c.mapCode; };
        refreshCode_ = c.refreshCode;
        refreshes_ = 0;
        std::remove(platform::EventLogPath().c_str());
        EXPECT_EQ(controller_->assignLUN(kPartitionId, {kPortA}, 1, 1), c.result);
        EXPECT_GE(refreshes_, 1);
        if (c.event != nullptr) {
            EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
        }
    }
}

TEST_F(LunMappingTest, HybridControllerSelectsChannelsByPortKindAndFiltersUnservedPorts) {
    controllerData_.numHostChannels = 3;
    controllerData_.hostChannels[1].busType = kIscsiBus;
    controllerData_.hostChannels[2].busType = kIscsiBus;
    Apply();
    // Both ports served: no filter; each is mapped on the channels of its own kind.
    views_[{kHandle, KeyOf(kPortA)}] = {Listed(1)};
    views_[{kHandle, KeyOf(kPortX)}] = {Listed(2)};
    EXPECT_EQ(controller_->assignLUN(kPartitionId, {kPortA, kPortX}, 1, 1), S_OK);
    ASSERT_EQ(maps_.size(), 2u);
    EXPECT_EQ(maps_[0].selectors, (std::vector<uint8_t>{1, 0, 0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(maps_[0].access, (std::vector<uint8_t>{0xC0, 0, 0, 0xC0, 0xC0, 0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(maps_[1].port, KeyOf(kPortX));
    EXPECT_EQ(maps_[1].selectors, (std::vector<uint8_t>{0, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(maps_[1].lun, 3u);
    bool checked = false;
    for (const HostViewRequest& r : hostViewRequests_) checked = checked || (r.selector == 2 && r.flag == 0);
    EXPECT_TRUE(checked) << "the ports were checked with selector 2 and flag 0";
    EXPECT_NE(Log().find("Channels: 10011111\n"), std::string::npos);

    // The FC port is served by nothing, the iSCSI port is: only the iSCSI port is mapped.
    views_[{kHandle, KeyOf(kPortA)}] = {};
    maps_.clear();
    EXPECT_EQ(controller_->assignLUN(kPartitionId, {kPortA, kPortX}, 1, 1), S_OK);
    ASSERT_EQ(maps_.size(), 1u);
    EXPECT_EQ(maps_[0].port, KeyOf(kPortX));
    EXPECT_NE(Log().find("Filtering HBA ports (1 mapped, 1 unmapped)\n"), std::string::npos);
    EXPECT_NE(Log().find("NOT mapping port WWN: 21:00:00:1B:32:00:00:01\n"), std::string::npos);
}

TEST_F(LunMappingTest, CheckHbaAndMappingArguments) {
    views_[{kHandle, KeyOf(kPortA)}] = {Listed(4)};
    EXPECT_EQ(controller_->capiCheckHBAValid(&kPortA), S_OK);
    EXPECT_EQ(hostViewRequests_.back().selector, 2);
    EXPECT_EQ(hostViewRequests_.back().flag, 0u);
    EXPECT_EQ(controller_->capiCheckHBAValid(&kPortB), VSS_E_OBJECT_NOT_FOUND);  // known, nothing mapped
    EXPECT_NE(Log().find("Checking host WWPN 21:00:00:1B:32:00:00:02: numPartitions=0\n"), std::string::npos);

    const size_t sent = proxy_.Messages().size();
    EXPECT_EQ(controller_->capiCheckHBAValid(nullptr), kProviderBadArgument);
    EXPECT_EQ(controller_->capiGetHostView(nullptr, kHandle, 2), kProviderBadArgument);
    EXPECT_EQ(controller_->capiMapUnmapPartition(nullptr, 3, &kPortA, 0xC0, 1, nullptr),
              kProviderBadArgument);
    EXPECT_EQ(controller_->capiMapUnmapPartition(kPartitionId, 3, nullptr, 0xC0, 1, nullptr),
              kProviderBadArgument);
    EXPECT_EQ(proxy_.Messages().size(), sent);
}

TEST_F(LunMappingTest, UnassignUnmapsEveryListedPortAndReportsTheFirstFailure) {
    wwpnList_ = {kPortA, kPortB};
    EXPECT_EQ(controller_->unassignLUN(kPartitionId), S_OK);
    ASSERT_EQ(maps_.size(), 2u);
    for (const MapRequest& m : maps_) {
        EXPECT_EQ(m.lun, kNoLun);
        EXPECT_EQ(m.lun16, 0xFFFF);
        EXPECT_EQ(m.access, std::vector<uint8_t>(8, 0));
        EXPECT_EQ(m.selectors, std::vector<uint8_t>(8, 1));
    }
    EXPECT_EQ(maps_[1].port, KeyOf(kPortB));

    // The first port refused: the second is still unmapped, and the failure is the result.
    maps_.clear();
    mapCode_ = [](const MapRequest& m) { return m.port == KeyOf(kPortA) ? kRefused : 0u; };
    EXPECT_EQ(controller_->unassignLUN(kPartitionId), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(maps_.back().port, KeyOf(kPortB));

    // The port list cannot be read: nothing was unmapped, which is no success.
    maps_.clear();
    wwpnListCode_ = kRefused;
    EXPECT_EQ(controller_->unassignLUN(kPartitionId), VSS_E_PROVIDER_VETO);
    EXPECT_TRUE(maps_.empty());
}

TEST_F(LunMappingTest, LunOfAPartitionAsThisHostSeesIt) {
    struct Host {
        const FlexIDEntry* port;  // its WWN, or its iSCSI name
        uint16_t lun;
    };
    struct Case {
        const char* what;
        uint8_t bus0, bus1;
        std::vector<Host> hosts;
        uint8_t defaultFlag;  // on channel 3; the others 0
        uint32_t lun;
    } cases[] = {
        // clang-format off
        {"FC: the host with our WWN", kFcBus, kFcBus, {{&kPortC, 5}, {&kPortA, 7}}, 0x00, 7},
        {"FC: a later host of ours overwrites", kFcBus, kFcBus, {{&kPortA, 7}, {&kPortB, 8}}, 0x00, 8},
        {"FC: nobody of ours, default flags below 0xC0", kFcBus, kFcBus, {{&kPortC, 5}}, 0xBF, kNoLun},
        {"FC: the default mapping presented on one channel", kFcBus, kFcBus, {{&kPortA, 7}}, 0xC0, 11},
        {"iSCSI: by name, ignoring case; WWNs not compared", kIscsiBus, kIscsiBus, {{&kPortX, 6}, {&kPortA, 5}}, 0x00, 6},
        {"hybrid: by WWN", kFcBus, kIscsiBus, {{&kPortA, 5}, {&kPortC, 6}}, 0x00, 5},
        {"hybrid: by name", kFcBus, kIscsiBus, {{&kPortC, 6}, {&kPortX, 9}}, 0x00, 9},
        {"no known interface: every host", 0, 0, {{&kPortC, 4}}, 0x00, 4},
        // clang-format on
    };
    CAPI_ARRAY_PARTITION partition{};
    std::memcpy(partition.serialNumber, kPartitionId, 16);
    const std::vector<FlexIDEntry> ours = {kPortA, kPortB, Iscsi("IQN.1991-05.COM.EXAMPLE:HOST")};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        controllerData_.hostChannels[0].busType = c.bus0;
        controllerData_.hostChannels[1].busType = c.bus1;
        Apply();
        std::memset(partitionView_.get(), 0, sizeof *partitionView_);
        partitionView_->numHosts = static_cast<uint16_t>(c.hosts.size());
        for (size_t h = 0; h < c.hosts.size(); ++h) {
            std::memcpy(partitionView_->wwn[h], c.hosts[h].port->mWwpn, 8);
            std::snprintf(partitionView_->iscsiNames[h], 224, "%s", c.hosts[h].port->mIscsiName);
            partitionView_->mappings[h].hlun = c.hosts[h].lun;
        }
        partitionView_->defaultMapping.hlun = 11;
        partitionView_->defaultMapping.flags[3] = c.defaultFlag;
        uint32_t lun = 0;
        EXPECT_EQ(controller_->capiGetArrayPartitionLUN(&partition, ours, &lun), S_OK);
        EXPECT_EQ(lun, c.lun);
        EXPECT_EQ(std::memcmp(&controller_->mPartitionView, partitionView_.get(), sizeof *partitionView_), 0);
    }
    EXPECT_NE(Log().find("capiGetArrayPartitionLUN(): partition ID 600c0ff00102030405060708090a0b0c = -1.\n"),
              std::string::npos);

    // A failed read and a null partition: no LUN.
    partitionViewCode_ = kRefused;
    uint32_t lun = 0;
    EXPECT_EQ(controller_->capiGetArrayPartitionLUN(&partition, ours, &lun), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(lun, kNoLun);
    const int reads = partitionViewReads_;
    lun = 0;
    EXPECT_EQ(controller_->capiGetArrayPartitionLUN(nullptr, ours, &lun), kProviderBadArgument);
    EXPECT_EQ(lun, kNoLun);
    EXPECT_EQ(partitionViewReads_, reads);
    EXPECT_NE(Events().find("capiGetArrayPartitionLUN(): The partition argument is null."),
              std::string::npos);
}

TEST(ChannelFlags, OneRuleForWhatIsMapped) {
    for (uint8_t flag : {0x00, 0x0C, 0x80, 0xBF}) EXPECT_FALSE(isMappedChannelFlag(flag)) << int(flag);
    for (uint8_t flag : {0xC0, 0xCC, 0xE0, 0xFF}) EXPECT_TRUE(isMappedChannelFlag(flag)) << int(flag);
}

}  // namespace
