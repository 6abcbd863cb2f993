// The array controller object: its model and capability tests, the identity utilities, the published
// controller set, and a refresh from a scripted proxy with the lookups over what it read.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/proxy_wire/proxy_commands.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/retry_policy.h"
#include "tests/unit/provider/session_fixture.h"

namespace {

using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::SessionTest;

std::unique_ptr<BVSS_CapiRaidController> WithFirmware(const char* revision, uint32_t capabilities = 1) {
    auto controller = std::make_unique<BVSS_CapiRaidController>();
    std::strncpy(controller->mControllerData.firmwareRevision, revision, 20);
    controller->mControllerData.capabilities = capabilities;
    return controller;
}

TEST(ControllerModel, Q700AndVersionTests) {
    struct Case {
        const char* firmware;
        bool q700;
    } cases[] = {{"V100", true}, {"I200", true},  {"GLS2", true},  {"GNS9", true}, {"GTS5", true},
                 {"G210", true}, {"GLS1", false}, {"GLX2", false}, {"G1", false},  {"E200", false}};
    for (const Case& c : cases) EXPECT_EQ(WithFirmware(c.firmware)->isQ700(), c.q700) << c.firmware;

    auto controller = WithFirmware("G210");
    struct Version {
        uint8_t major, minor;
        bool atLeast36;
    } versions[] = {{3, 6, true}, {3, 10, true}, {4, 0, true}, {3, 5, false}, {2, 9, false}};
    for (const Version& v : versions) {
        controller->mControllerData.capiVersionMajor = v.major;
        controller->mControllerData.capiVersionMinor = v.minor;
        EXPECT_EQ(controller->isCapiVersionAtLeast(3, 6), v.atLeast36) << int(v.major) << "." << int(v.minor);
    }
}

TEST(ControllerModel, HostInterfacesAndPorts) {
    auto controller = WithFirmware("G210");
    CAPI_CONTROLLER& data = controller->mControllerData;
    data.numHostChannels = 2;
    data.hostChannels[0].busType = 9;
    data.hostChannels[1].busType = 9;
    EXPECT_TRUE(controller->HasiSCSI());
    EXPECT_FALSE(controller->IsHybrid());  // every channel iSCSI
    data.hostChannels[1].busType = 6;
    EXPECT_TRUE(controller->IsHybrid());
    EXPECT_TRUE(controller->HasFC());
    data.hostChannels[0].busType = 6;
    data.hostChannels[1].busType = 6;
    EXPECT_FALSE(controller->IsHybrid());  // none iSCSI
    FlexIDEntry iscsi;
    iscsi.mKind = kFlexKindIscsi;
    iscsi.mPortType = kFlexPortTypeIscsi;
    FlexIDEntry fc;
    fc.mKind = kFlexKindFibreChannel;
    EXPECT_FALSE(controller->IsFlexIdSupported(iscsi));  // an FC interface and no iSCSI channel
    EXPECT_TRUE(controller->IsFlexIdSupported(fc));
    data.hostChannels[1].busType = 9;
    EXPECT_TRUE(controller->IsFlexIdSupported(iscsi));
    data.controllerParams1.controllerMode = 8;
    EXPECT_TRUE(controller->isControllerMode8());
}

using ControllerLogTest = providertest::ProviderTest;

TEST_F(ControllerLogTest, AFreshObjectAnswersFromZeroedData) {
    BVSS_DebugLog::StaticInit();
    auto controller = std::make_unique<BVSS_CapiRaidController>();
    EXPECT_EQ(controller->mHandle, -1);
    EXPECT_EQ(controller->mNumArrays, 0u);
    EXPECT_FALSE(controller->IsPS());
    BVSS_DebugLog::StaticDeinit();
    EXPECT_NE(Log().find("ERROR: IsPS() called before capabilities initialized!!!\n"), std::string::npos);
    EXPECT_NE(Log().find("ERROR: IsQ300() called before capabilities initialized!!!\n"), std::string::npos);
}

TEST(ControllerUtilities, OwnersPortsFlagsAndValues) {
    auto controller = WithFirmware("G210");
    std::memcpy(controller->mControllerData.serialNumber, "OWN-SN", 7);
    std::memcpy(controller->mControllerData.failover.otherSerialNumber, "PARTNER-SN", 11);
    controller->mControllerData.failover.failoverId = 0;  // this is controller B
    CAPI_ARRAY array{};
    array.currentOwner = 0;
    EXPECT_STREQ(reinterpret_cast<const char*>(controller->getArrayOwnerSN(array)), "OWN-SN");
    array.currentOwner = 1;
    EXPECT_STREQ(reinterpret_cast<const char*>(controller->getArrayOwnerSN(array)), "PARTNER-SN");

    std::vector<FlexIDEntry> ports(2);
    ports[0].mKind = kFlexKindFibreChannel;
    std::memset(ports[0].mWwpn, 0x21, 8);
    ports[1].mKind = kFlexKindIscsi;
    std::memset(ports[1].mWwpn, 0x22, 8);
    std::strcpy(ports[1].mIscsiName, "iqn.1991-05.com.example:host");
    const uint8_t fcName[8] = {0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21};
    const uint8_t iscsiWwpn[8] = {0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22};
    EXPECT_EQ(isOtherHostWwpn(fcName, ports), 0);
    EXPECT_EQ(isOtherHostWwpn(iscsiWwpn, ports), 1);  // iSCSI entries are not compared by WWPN
    EXPECT_EQ(isOtherHostIscsiName("IQN.1991-05.COM.EXAMPLE:HOST", ports), 0);
    EXPECT_EQ(isOtherHostIscsiName("iqn.other", ports), 1);

    EXPECT_EQ(U64compare(CAPI_U64{{0, 1}}, CAPI_U64{{0xFFFFFFFF, 0}}), 1);
    EXPECT_EQ(U64compare(CAPI_U64{{5, 5}}, CAPI_U64{{5, 5}}), 0);
    EXPECT_EQ(U64compare(CAPI_U64{{4, 5}}, CAPI_U64{{5, 5}}), -1);
}

TEST(ControllerSetPublication, CountedReferences) {
    auto* set = reinterpret_cast<BVSS_RaidControllerSet*>(0x1000);
    BVSS_CapiRaidController::StaticInit(set);
    BVSS_CapiRaidController::StaticInit(set);
    BVSS_CapiRaidController::StaticDeinit(set);
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, set);
    BVSS_CapiRaidController::StaticDeinit(set);
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, nullptr);
}

TEST(ControllerSetPublication, WithdrawingASetLeavesTheOthersPublished) {
    auto* older = reinterpret_cast<BVSS_RaidControllerSet*>(0x1000);
    auto* newer = reinterpret_cast<BVSS_RaidControllerSet*>(0x2000);
    BVSS_CapiRaidController::StaticInit(older);
    BVSS_CapiRaidController::StaticInit(newer);
    BVSS_CapiRaidController::StaticDeinit(newer);  // the newer object goes first
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, older);
    BVSS_CapiRaidController::StaticDeinit(newer);  // not published any more: changes nothing
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, older);
    BVSS_CapiRaidController::StaticDeinit(older);
    EXPECT_EQ(BVSS_CapiRaidController::sRaidControllerSet, nullptr);
}

// A controller reply: arrays and partition records as the proxy reports them.
struct PartitionSpec {
    uint8_t array;
    uint16_t index;
    const char* name;
    uint8_t idFirst;  // 0: an all-zero serial number
    uint8_t specialClass;
    uint8_t type;
};

std::vector<uint8_t> ControllerReply(int32_t id, const std::vector<PartitionSpec>& partitions) {
    std::vector<uint8_t> bytes(sizeof(API_RAID_CONTROLLER), 0);
    auto* c = reinterpret_cast<API_RAID_CONTROLLER*>(bytes.data());
    c->controllerId = static_cast<uint32_t>(id);
    c->controller.capabilities = 1;
    c->numArrays = 2;
    for (uint32_t a = 0; a < 2; ++a) {
        std::snprintf(c->arrays[a].name, sizeof c->arrays[a].name, "vd%02u", a + 1);
        c->arrays[a].serialNumber[0] = static_cast<uint8_t>(0xA0 + a);
        c->arrays[a].serialNumberLength = 16;
        c->arrays[a].currentOwner = static_cast<uint8_t>(a);
    }
    for (const PartitionSpec& p : partitions) {
        API_PARTITION_ENTRY& entry = c->partitions[c->partitionCount++];
        entry.arrayIndex = p.array;
        entry.partitionIndex = p.index;
        std::strncpy(entry.partition.name, p.name, sizeof entry.partition.name);
        if (p.idFirst != 0) std::memset(entry.partition.serialNumber, p.idFirst, 16);
        entry.partition.specialClass = p.specialClass;
        entry.partition.type = p.type;
        if (p.array < 2) ++c->arrays[p.array].largeNumArrayPartitions;
    }
    return bytes;
}

class ControllerRefreshTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) {
            if (request.header.OpCode == RRE_GET_CONTROLLER) {
                std::vector<uint8_t> data = reply_;
                WriteBigEndian32(data.data() + 4, getControllerCode_);
                if (getControllerCode_ != 0) data.resize(8);
                return ScriptAction{{ReplyTo(request, data)}, false};
            }
            std::vector<uint8_t> data(request.data.size(), 0);  // the list commands: none listed
            WriteBigEndian32(data.data() + 4, listCode_);
            return ScriptAction{{ReplyTo(request, data)}, false};
        });
        ASSERT_EQ(ProxyInit(), 0);
        controller_ = std::make_unique<BVSS_CapiRaidController>();
        controller_->mHandle = 0x100;
    }
    void TearDown() override {
        controller_.reset();
        CloseCapiSleepTimer();
        SessionTest::TearDown();
    }
    // A key of bytes is an ID, a key of characters a name.
    CAPI_ARRAY_PARTITION* Find(const void* key, uint32_t length,
                               PartitionKeyKind kind = PartitionKeyKind::Id) {
        CAPI_ARRAY_PARTITION* found = nullptr;
        CAPI_ARRAY* array = nullptr;
        if (FAILED(controller_->findPartitionAndArray(key, length, &found, &array, kind))) return nullptr;
        return found;
    }
    CAPI_ARRAY_PARTITION* Find(const char* name, uint32_t length) {
        return Find(name, length, PartitionKeyKind::Name);
    }

    std::vector<uint8_t> reply_;
    uint32_t getControllerCode_ = 0;
    uint32_t listCode_ = 0;
    std::unique_ptr<BVSS_CapiRaidController> controller_;
};

TEST_F(ControllerRefreshTest, LookupsByIdAndNameOverWhatTheRefreshRead) {
    reply_ = ControllerReply(
        0x100, {
                   {0, 0, "data01", 0x11, 0, 0},
                   {0, 1, "Pool01", 0x12, 1, CAPI_PTSNAP_BACKING_STORE},
                   {0, 2, "odd", 0x13, 2, 5},  // neither standard nor of the snapshot family: skipped
                   {1, 0, "zeroid", 0, 0, 0},  // no serial number: never returned
                   {1, 1, "snap01", 0x14, 1, CAPI_PTSNAP_SNAPSHOT},
                   {1, 2, "paged", 0x15, 0, kTypePagedSnapshot},
                   {200, 0, "outside", 0x16, 0, 0},  // an array index beyond the table: skipped
               });
    ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    EXPECT_EQ(controller_->mNumArrays, 2u);
    uint8_t id[32];
    std::memset(id, 0x11, sizeof id);
    ASSERT_NE(Find(id, 16), nullptr);
    EXPECT_STREQ(Find(id, 16)->name, "data01");
    EXPECT_STREQ(Find(id, 32)->name, "data01");  // 32 compares 16
    EXPECT_STREQ(Find(id, 8)->name, "data01");
    EXPECT_STREQ(Find("DATA01", 7)->name, "data01");
    EXPECT_STREQ(Find("snap01", 7)->name, "snap01");
    EXPECT_STREQ(Find("paged", 6)->name, "paged");
    EXPECT_EQ(Find("odd", 4), nullptr);
    EXPECT_EQ(Find("zeroid", 7), nullptr);
    EXPECT_EQ(Find("outside", 8), nullptr);
    // A key of three bytes without a terminator, on the heap: nothing past it is read (the sanitizer
    // would see it) and a name is never matched beyond the key.
    const std::vector<char> shortKey{'d', 'a', 't'};
    EXPECT_EQ(Find(shortKey.data(), 3), nullptr);
    CAPI_ARRAY_PARTITION* partition = nullptr;
    EXPECT_EQ(controller_->findPartition("nothing", 8, &partition, PartitionKeyKind::Name),
              VSS_E_OBJECT_NOT_FOUND);
    EXPECT_EQ(partition, nullptr);
    EXPECT_EQ(controller_->findPartition("data01", 7, nullptr), kProviderBadArgument);

    // Counting from the partitions when the snapshot list cannot be read.
    listCode_ = 7;
    EXPECT_EQ(controller_->countSnapshots(kSelectAllControllers), 2u);
    EXPECT_EQ(controller_->countSnapshots(0), 0u);
    EXPECT_EQ(controller_->countSnapshots(1), 2u);
}

TEST_F(ControllerRefreshTest, AnIdMatchesOnlySerialNumbersAndANameOnlyNames) {
    reply_ = ControllerReply(0x100, {{0, 0, "", 0x21, 0, 0}, {0, 1, "data01", 0x22, 0, 0}});
    ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    // An ID that no partition has, first byte 0: it is no empty name, so the unnamed volume is not it.
    uint8_t unknown[16];
    std::memset(unknown, 0x99, sizeof unknown);
    unknown[0] = 0;
    EXPECT_EQ(Find(unknown, 16), nullptr);
    // An ID that spells a partition's name is still only an ID.
    uint8_t spelled[16] = {'d', 'a', 't', 'a', '0', '1'};
    EXPECT_EQ(Find(spelled, 16), nullptr);
    uint8_t unnamed[16];
    std::memset(unnamed, 0x21, sizeof unnamed);
    ASSERT_NE(Find(unnamed, 16), nullptr);
    EXPECT_EQ(Find(unnamed, 16)->name[0], 0);
    // An empty name names nothing; a name never matches a serial number.
    EXPECT_EQ(Find("", 1), nullptr);
    const char idAsText[17] = "\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22\x22";
    EXPECT_EQ(Find(idAsText, 16), nullptr);
}

TEST_F(ControllerRefreshTest, APartitionDeletedBetweenTwoRefreshesIsNoLongerFound) {
    reply_ = ControllerReply(0x100, {{0, 0, "keep", 0x11, 0, 0}, {0, 1, "gone", 0x12, 0, 0}});
    ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    ASSERT_NE(Find("gone", 5), nullptr);
    // The next read lists one partition less; the record area still holds the old bytes behind the count.
    reply_ = ControllerReply(0x100, {{0, 0, "keep", 0x11, 0, 0}});
    reinterpret_cast<API_RAID_CONTROLLER*>(reply_.data())->arrays[0].largeNumArrayPartitions = 2;
    ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    EXPECT_EQ(Find("gone", 5), nullptr);
    EXPECT_NE(Find("keep", 5), nullptr);
}

TEST_F(ControllerRefreshTest, AFailedRefreshLeavesTheTablesAndUpdateConfigAllReportsThePoolRead) {
    reply_ = ControllerReply(0x100, {{0, 0, "keep", 0x11, 0, 0}});
    ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    getControllerCode_ = 7;
    EXPECT_EQ(controller_->capiUpdateController(1), VSS_E_PROVIDER_VETO);
    EXPECT_NE(Find("keep", 5), nullptr);
    // Only the snap-pool read decides updateConfigAll's result.
    EXPECT_EQ(controller_->updateConfigAll(), S_OK);
    listCode_ = 7;
    EXPECT_EQ(controller_->updateConfigAll(), VSS_E_PROVIDER_VETO);
}

TEST_F(ControllerRefreshTest, ARetiredControllerSendsNothingAndKeepsItsTables) {
    reply_ = ControllerReply(0x100, {{0, 0, "keep", 0x11, 0, 0}});
    ASSERT_EQ(controller_->capiUpdateController(1), S_OK);
    CAPI_ARRAY_PARTITION* before = Find("keep", 5);
    ASSERT_NE(before, nullptr);
    controller_->Retire();
    const size_t sent = proxy_.Messages().size();
    EXPECT_EQ(controller_->capiUpdateController(1), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(controller_->updateConfigAll(), VSS_E_PROVIDER_VETO);
    const uint8_t snapshot[16] = {};
    EXPECT_EQ(controller_->capiUpdateIdentInfo(snapshot, GUID{}), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(proxy_.Messages().size(), sent);
    EXPECT_EQ(Find("keep", 5), before);  // what the object handed out stays valid
}

TEST_F(ControllerRefreshTest, IdentityMarkAndHostPorts) {
    const GUID set{0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    const uint8_t snapshot[16] = {9};
    ASSERT_EQ(controller_->capiUpdateIdentInfo(snapshot, set), S_OK);
    const ProxyMessage request = proxy_.Messages().back();
    ASSERT_EQ(request.header.OpCode, RRE_CHANGE_PARTITION_DESCRIPTION);
    const std::string mark(reinterpret_cast<const char*>(request.data.data()) + 168, 41);
    EXPECT_EQ(mark, "SSID=01234567-89AB-CDEF-0123-456789ABCDEF");
    EXPECT_EQ(request.data[130], 41);

    proxy_.SetScript([](const ProxyMessage& r) {
        std::vector<uint8_t> data(276, 0);
        WriteBigEndian32(data.data() + 12, 2);  // the count as the proxy sends it
        std::memset(data.data() + 16, 0x31, 8);
        std::memset(data.data() + 24, 0x32, 8);
        return ScriptAction{{ReplyTo(r, data)}, false};
    });
    std::vector<FlexIDEntry> ports;
    ASSERT_EQ(controller_->capiGetHbaWwpnList(&ports, 0), S_OK);
    ASSERT_EQ(controller_->capiGetHbaWwpnList(&ports, 0), S_OK);  // nothing new the second time
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].mWwpn[0], 0x31);
    EXPECT_EQ(ports[1].mWwpn[0], 0x32);
    EXPECT_EQ(ports[1].mKind, kFlexKindFibreChannel);
    EXPECT_EQ(ports[1].mPortType, kFlexPortTypeFibreChannel);
    EXPECT_EQ(controller_->capiGetHbaWwpnList(nullptr, 0), kProviderBadArgument);
}

}  // namespace
