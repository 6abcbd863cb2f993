// The provider object imports snapshot LUNs to this host and masks them again, against a scripted proxy's
// controller pair that shares one configuration of mappings: which controller maps (the array's owner or the
// last of the list), fail-over when a controller fails, the check of the LUN on the partner, LUNs not found
// or not snapshots, the records' identifiers, and masking (FC ports only) and the notifications.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "corlink/proxy_wire/buffer_wire.h"
#include "platform/com/com_object.h"
#include "platform/files/file_calls.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/lun_information.h"
#include "provider/controllers/serial_numbers.h"
#include "provider/controllers/task_memory.h"
#include "provider/vss/hardware_provider.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/mapping_script.h"
#include "tests/unit/provider/provider_peer.h"
#include "tests/unit/provider/vds_lun_fixture.h"

namespace {

using Peer = BVSS_HardwareProviderTestPeer;

using providertest::Controller;
using providertest::IdText;
using providertest::LunRecords;
using providertest::SerialsOnly;
using providertest::KeyOf;
using providertest::MapRequest;
using providertest::NetworkReply;
using providertest::ProxyMessage;
using providertest::ReplyTo;
using providertest::ScriptAction;
using providertest::Volume;

constexpr int32_t kA = 0x101;  // controller A (failover ID 1) owns vd1
constexpr int32_t kB = 0x102;  // controller B (failover ID 0) owns vd2
constexpr uint8_t kOnVd1 = 0x31;
constexpr uint8_t kOnVd2 = 0x32;
constexpr uint8_t kOnlyOnA = 0x34;  // a snapshot only controller A lists
constexpr uint8_t kVisible = 0x35;  // a snapshot presented at LUN 5 already
constexpr uint8_t kMaster = 0xAB;   // a master volume: its ID text has letters
constexpr uint8_t kUnknown = 0x99;  // no controller lists it
constexpr uint32_t kRefused = 7;    // a controller code the retry policy tries four times, then vetoes
constexpr unsigned kVetoDecimal = 2147754758u;  // VSS_E_PROVIDER_VETO as "%u"

const FlexIDEntry kPortA = providertest::Fc(1);
const FlexIDEntry kPortB = providertest::Fc(2);
const FlexIDEntry kPortX = providertest::Iscsi("iqn.1991-05.com.example:host");

std::string Repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

Volume Snapshot(const char* name, uint8_t id, uint8_t array, int32_t lun = -1) {
    return Volume{name, id, array, kClassSnapshotFamily, CAPI_PTSNAP_SNAPSHOT, 0, lun};
}

// Whether the record carries exactly one identifier: the NAA name of the 16-byte ID.
void ExpectNaaIdentifier(const VDS_LUN_INFORMATION& record, uint8_t idByte) {
    ASSERT_EQ(record.m_deviceIdDescriptor.m_cIdentifiers, 1u);
    const VDS_STORAGE_IDENTIFIER& id = record.m_deviceIdDescriptor.m_rgIdentifiers[0];
    EXPECT_EQ(id.m_CodeSet, VDSStorageIdCodeSetBinary);
    EXPECT_EQ(id.m_Type, VDSStorageIdTypeFCPHName);
    ASSERT_EQ(id.m_cbIdentifier, 16u);
    const std::vector<BYTE> partition(16, idByte);
    BYTE name[16];
    ASSERT_EQ(BVSS_PartitionIDToFCFSName(partition.data(), 16, name, 16), S_OK);
    EXPECT_EQ(std::memcmp(id.m_rgbIdentifier, name, 16), 0);
}

class LunImportTest : public providertest::ControllerSetTest {
  protected:
    void SetUp() override {
        ControllerSetTest::SetUp();
        subsystems_ = {{"PAIR-1", kA, kB}};
        std::vector<Volume> pair = {
            Snapshot("snap1", kOnVd1, 0),
            Snapshot("snap2", kOnVd2, 1),
            Snapshot("visible", kVisible, 0, 5),
            {"master", kMaster, 0, kClassSnapshotFamily, CAPI_PTSNAP_MASTER_VOLUME, 0, 1}};
        controllers_[kB] = Controller("SN-B1").B().With(pair);
        pair.push_back(Snapshot("onlyA", kOnlyOnA, 0));
        controllers_[kA] = Controller("SN-A1").With(pair);
        arrayPorts_ = {kPortA, kPortB};
        proxy_.SetScript([this](const ProxyMessage& request) { return AnswerMappings(request); });
        provider_ = ComObject<BVSS_HardwareProvider>::New(&module_, nullptr);
        provider_->Inner()->AddRef();
        ASSERT_EQ(Peer::Controllers(*provider_).mControllers.size(), 2u);
        ASSERT_EQ(Peer::Ports(*provider_).size(), 2u);
        std::remove(platform::EventLogPath().c_str());
    }
    void TearDown() override {
        provider_->OnUnload(TRUE);
        provider_->Release();
        ControllerSetTest::TearDown();
    }

    // The pair's mappings of partitions to this host's ports, one configuration for both controllers: a
    // mapping request records its LUN (access 0 removes it), host and partition views show what is mapped
    // (a blind controller's partition views show nothing), and the host's FC ports are arrayPorts_.
    ScriptAction AnswerMappings(const ProxyMessage& request) {
        const uint32_t code = request.header.OpCode;
        std::vector<uint8_t> data = request.data;
        PackRreBuffer(code, PACK_FROM_NETWORK, data.data(), data.size());
        auto reply = [&](const std::vector<uint8_t>& host) {
            return ScriptAction{{ReplyTo(request, NetworkReply(code, host))}, false};
        };
        if (code == RRE_GET_HOST_VIEW) {
            std::vector<CAPI_PARTITION_SN_AND_MAP> listed;
            for (const auto& [idByte, lun] : mapped_) {
                CAPI_PARTITION_SN_AND_MAP entry = providertest::Listed(lun);
                std::memset(entry.sn.sn, idByte, 16);
                listed.push_back(entry);
            }
            return reply(providertest::HostViewReply(0, data, listed));
        }
        if (code == RRE_CREATE_CUSTOM_VIEW) {
            const MapRequest r = providertest::ReadMapRequest(data);
            maps_.push_back(r);
            const bool refused = refusing_.count(static_cast<int32_t>(r.id)) != 0;
            if (!refused && r.access[0] != 0) {
                mapped_[r.serial[0]] = static_cast<uint16_t>(r.lun);
                mappers_.push_back(r.id);
            }
            if (!refused && r.access[0] == 0) mapped_.erase(r.serial[0]);
            return reply(providertest::MapReply(refused ? kRefused : 0));
        }
        if (code == RRE_GET_PARTITION_VIEW) {
            CAPI_PARTITION_VIEW_TABLE view{};
            const auto found = mapped_.find(data[16]);
            if (found != mapped_.end() &&
                blind_.count(static_cast<int32_t>(providertest::U32(data, 8))) == 0) {
                view.numHosts = 1;
                std::memcpy(view.wwn[0], kPortA.mWwpn, 8);
                view.mappings[0].hlun = found->second;
            }
            return reply(providertest::PartitionViewReply(0, view));
        }
        if (code == RRE_GET_CONNECT_HBA_WWPN_LIST) return reply(providertest::WwpnListReply(0, arrayPorts_));
        return Answer(request);
    }

    HRESULT Locate(LunRecords& luns) { return provider_->LocateLuns(luns.count(), luns.data()); }
    HRESULT Mask(LunRecords& luns, DWORD flags) {
        return provider_->OnLunStateChange(luns.data(), nullptr, static_cast<DWORD>(luns.count()), flags);
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }

    ComModule module_;
    ComObject<BVSS_HardwareProvider>* provider_ = nullptr;
    std::map<uint8_t, uint16_t> mapped_;
    std::set<int32_t> refusing_;
    std::set<int32_t> blind_;
    std::vector<FlexIDEntry> arrayPorts_;
    std::vector<MapRequest> maps_;
    std::vector<uint32_t> mappers_;  // the controller of each mapping taken (access not 0)
};

// Who maps, and what the call answers, for one snapshot LUN.
TEST_F(LunImportTest, TheOwnerOrTheLastControllerMapsAndAFailedOneIsDropped) {
    struct Case {
        const char* what;
        uint8_t volume;
        std::set<int32_t> refusing, blind;
        HRESULT result;
        std::vector<uint32_t> mappers;  // the controller of each mapping taken, one per port
        std::vector<std::string> logged, notLogged;
        std::string event;  // "": none
    } cases[] = {
        // clang-format off
        {"the owner is listed first and maps; the partner then finds the LUN", kOnVd1, {}, {}, S_OK, {kA, kA},
         {"assignLUN(): partition with ID " + IdText(kOnVd1) + " already using LUN 0x1.\n"},
         {"assignLUN(): Assigned LUN", "new unit num not assigned"}, ""},
        {"the owner is listed last: the first is passed over", kOnVd2, {}, {}, S_OK, {kB, kB},
         {"assignLUN(): new unit num not assigned to partition with ID " + IdText(kOnVd2) + " on controller 0.\n",
          "assignLUN(): Assigned LUN 0x1 to partition with ID " + IdText(kOnVd2) + ".\n"},
         {"already using"}, ""},
        {"the owner fails to map: the other maps as the last one", kOnVd1, {kA}, {}, S_OK, {kB, kB},
         {"assignLUN(): unable to assign LUN to partition with ID " + IdText(kOnVd1) + " on controller #0.\n",
          "assignLUN(): caught error " + std::to_string(kVetoDecimal) + ", trying next controller for partition with ID " +
              IdText(kOnVd1) + ".\n",
          "assignLUN(): Assigned LUN 0x1 to partition with ID " + IdText(kOnVd1) + ".\n"},
         {}, ""},
        {"the only controller fails to map", kOnlyOnA, {kA}, {}, VSS_E_PROVIDER_VETO, {},
         {"assignLUN(): unable to assign LUN to partition with ID " + IdText(kOnlyOnA) + " on controller #0.\n",
          "assignLUN(): caught error " + std::to_string(kVetoDecimal) +
          ", no more controllers to try for partition with ID " + IdText(kOnlyOnA) + ".\n"},
         {"assignLUN(): Assigned LUN"},
         "LocateLuns(): unable to assign a LUN to partition:partition id=" + IdText(kOnlyOnA) + "."},
        // Mapped but no LUN shows: a failure of that controller, never the lookup's success code.
        {"the only controller maps but shows no LUN", kOnlyOnA, {}, {kA}, VSS_E_PROVIDER_VETO, {kA, kA},
         {"assignLUN(): no valid unit num after assign lun for partition with ID " + IdText(kOnlyOnA) +
              " on controller 0.\n",
          "no more controllers to try"},
         {}, "LocateLuns(): unable to assign a LUN to partition:partition id=" + IdText(kOnlyOnA) + "."},
        {"the owner maps but shows no LUN: the partner finds it", kOnVd1, {}, {kA}, S_OK, {kA, kA},
         {"no valid unit num after assign lun", "trying next controller",
          "assignLUN(): partition with ID " + IdText(kOnVd1) + " already using LUN 0x1.\n"},
         {}, ""},
        // The check after the passes only logs what a controller shows.
        {"the partner does not show the owner's new LUN", kOnVd1, {}, {kB}, S_OK, {kA, kA},
         {"assignLUN(): new unit num not assigned to partition with ID " + IdText(kOnVd1) + " on controller 1.\n",
          "assignLUN(): partition with ID " + IdText(kOnVd1) + " LUN 4294967295 invalid on controller SN-B1 after LUN "
          "assignment.\n",
          "assignLUN(): Assigned LUN 0x1 to partition with ID " + IdText(kOnVd1) + ".\n"},
         {}, ""},
        {"a snapshot that has a LUN already: no mapping", kVisible, {}, {}, S_OK, {},
         {"LocateLuns(): This snapshot already using LUN 0x5.\n"}, {"BVSS_HardwareProvider::assignLUN"}, ""},
        // The event's quirk kept: the first byte in lower case, the other fifteen in upper case.
        {"a master volume is refused", kMaster, {}, {}, VSS_E_PROVIDER_VETO, {},
         {"LocateLuns(): LUN name master specialClass=1 specialType=2\n",
          "LocateLuns(): ERROR: Not a snapshot?  LUN name master specialClass=1 specialType=2\n"},
         {},
         "LocateLuns(): called for non-snapshot(mastervolume) LUN:serial number=ab" + Repeated("AB", 15) + "."},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t logged = Log().size();
        std::remove(platform::EventLogPath().c_str());
        mapped_.clear();
        maps_.clear();
        mappers_.clear();
        refusing_ = c.refusing;
        blind_ = c.blind;
        LunRecords luns(SerialsOnly({IdText(c.volume)}));
        EXPECT_EQ(Locate(luns), c.result);
        EXPECT_EQ(mappers_, c.mappers);
        const std::string log = Log().substr(logged);
        for (const std::string& line : c.logged) EXPECT_NE(log.find(line), std::string::npos) << line;
        for (const std::string& line : c.notLogged) EXPECT_EQ(log.find(line), std::string::npos) << line;
        if (c.event.empty()) {
            EXPECT_EQ(Events(), "");
        } else {
            EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
        }
        if (c.result == S_OK) ExpectNaaIdentifier(luns[0], c.volume);
    }
}

// A LUN that no controller knows gets its own rediscovery and its event; the others are still imported,
// and the call reports the missing one wherever it stood in the list.
TEST_F(LunImportTest, ALunNotFoundDoesNotStopTheOthersAndIsReportedAtTheEnd) {
    for (const bool unknownFirst : {true, false}) {
        SCOPED_TRACE(unknownFirst ? "unknown first" : "unknown last");
        mapped_.clear();
        std::remove(platform::EventLogPath().c_str());
        const size_t discoveries = Sent(RRE_GET_CONTROLLERHANDLEDB);
        LunRecords luns(SerialsOnly(unknownFirst
                                        ? std::vector<std::string>{IdText(kUnknown), IdText(kOnVd1)}
                                        : std::vector<std::string>{IdText(kOnVd1), IdText(kUnknown)}));
        EXPECT_EQ(Locate(luns), VSS_E_OBJECT_NOT_FOUND);
        const size_t known = unknownFirst ? 1 : 0;
        ExpectNaaIdentifier(luns[known], kOnVd1);
        EXPECT_EQ(luns[1 - known].m_deviceIdDescriptor.m_cIdentifiers, 0u);
        EXPECT_EQ(mapped_.count(kOnVd1), 1u);
        EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), discoveries + 1);
        EXPECT_NE(Events().find("LocateLuns(): unable to find partition or controller for LUN ('" +
                                IdText(kUnknown) + "')"),
                  std::string::npos);
    }
    // Two unknown LUNs: a rediscovery each.
    const size_t discoveries = Sent(RRE_GET_CONTROLLERHANDLEDB);
    LunRecords unknown(SerialsOnly({IdText(kUnknown), "9898989898989898"}));
    EXPECT_EQ(Locate(unknown), VSS_E_OBJECT_NOT_FOUND);
    EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), discoveries + 2);
}

// A rediscovery that fails (every controller refuses its refresh) is not followed by a second lookup: the LUN
// is reported not found at once.
TEST_F(LunImportTest, AFailedRediscoveryIsNotFollowedByASecondLookup) {
    controllers_.clear();
    const size_t lookups = Count("findPartitionArrayAndControllerList() returning");
    LunRecords luns(SerialsOnly({IdText(kUnknown)}));
    EXPECT_EQ(Locate(luns), VSS_E_OBJECT_NOT_FOUND);
    EXPECT_TRUE(Peer::Controllers(*provider_).mControllers.empty());
    EXPECT_EQ(Count("findPartitionArrayAndControllerList() returning") - lookups, 1u);
}

// The record keeps its serial text and interconnects and gets the NAA identifier in place of a stale one;
// the call stops at the first LUN it refuses.
TEST_F(LunImportTest, RecordsGetTheNaaIdentifierAndARefusalStopsTheCall) {
    LunRecords luns(SerialsOnly({IdText(kVisible), IdText(kMaster), IdText(kOnVd1)}));
    const BYTE stale[16] = {0xEE};
    ASSERT_EQ(BVSS_UpdateLunInformation(&luns[0], stale, 16, 1, 2, 3), S_OK);
    EXPECT_EQ(Locate(luns), VSS_E_PROVIDER_VETO);
    ExpectNaaIdentifier(luns[0], kVisible);
    EXPECT_EQ(luns[0].m_cInterconnects, 1u);
    EXPECT_EQ(luns[0].m_szSerialNumber, IdText(kVisible));
    EXPECT_EQ(luns[2].m_deviceIdDescriptor.m_cIdentifiers, 0u);
    EXPECT_TRUE(mapped_.empty());  // the LUN after the master volume was never mapped
    EXPECT_EQ(Count("LocateLuns(): updated LUN_INFORMATION structure 0:\n"), 1u);
    EXPECT_EQ(Count("LocateLuns(): initial LUN_INFORMATION structure 2:\n"), 0u);
}

// A serial text that cannot be read ends the call with the parser's result; a missing one is an empty insert.
TEST_F(LunImportTest, UnreadableSerialTextsEndTheCall) {
    struct Case {
        std::string serial;
        HRESULT result;
        std::string insert;
    } cases[] = {{"31-not-hex", E_INVALIDARG, "31-not-hex"}, {"", E_INVALIDARG, ""}, {"-", E_POINTER, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        std::remove(platform::EventLogPath().c_str());
        LunRecords luns(SerialsOnly({c.serial, IdText(kOnVd1)}));
        EXPECT_EQ(Locate(luns), c.result);
        EXPECT_NE(Events().find("LocateLuns(): unable to parse partition serial number for LUN ('" +
                                c.insert + "')"),
                  std::string::npos);
        EXPECT_TRUE(mapped_.empty());
    }
    EXPECT_EQ(provider_->LocateLuns(0, nullptr), S_OK);
    EXPECT_EQ(provider_->LocateLuns(-1, nullptr), E_INVALIDARG);
}

// The assignment without a controller reports no LUN and vetoes by throwing; a host view that cannot be
// read during the LUN search ends the import with the veto the controller throws, without the event.
TEST_F(LunImportTest, AnAssignmentWithoutALunIsThrownAsAVeto) {
    std::vector<BVSS_CapiRaidController*> none;
    const std::vector<BYTE> id(32, kOnVd1);
    CAPI_ARRAY_PARTITION* partition = nullptr;
    try {
        provider_->assignLUN(none, id.data(), 32, id.data(), 32, &partition);
        ADD_FAILURE() << "no veto thrown";
    } catch (HRESULT hr) {
        EXPECT_EQ(hr, VSS_E_PROVIDER_VETO);
    }
    EXPECT_EQ(Count("assignLUN(): Error: no LUN assigned.\n"), 1u);

    proxy_.SetScript([this](const ProxyMessage& request) {
        if (request.header.OpCode == RRE_GET_HOST_VIEW) {
            std::vector<uint8_t> data = request.data;
            PackRreBuffer(RRE_GET_HOST_VIEW, PACK_FROM_NETWORK, data.data(), data.size());
            return ScriptAction{{ReplyTo(request, NetworkReply(RRE_GET_HOST_VIEW, providertest::HostViewReply(
                                                                                      kRefused, data, {})))},
                                false};
        }
        return AnswerMappings(request);
    });
    LunRecords luns(SerialsOnly({IdText(kOnVd1)}));
    EXPECT_EQ(Locate(luns), VSS_E_PROVIDER_VETO);
    EXPECT_EQ(Events().find("LocateLuns(): unable to assign"), std::string::npos);
}

// Masking unmaps from the FC ports the array lists for this host, not from the host's other ports; the
// notification flags are ignored with it.
TEST_F(LunImportTest, MaskingUnmapsFromTheArraysFcPortsOnly) {
    LunRecords luns(SerialsOnly({IdText(kOnVd1), IdText(kOnVd2)}));
    ASSERT_EQ(Locate(luns), S_OK);
    ASSERT_EQ(mapped_.size(), 2u);
    Peer::Ports(*provider_).push_back(kPortX);
    arrayPorts_ = {kPortB};
    maps_.clear();
    std::remove(platform::EventLogPath().c_str());
    EXPECT_EQ(Mask(luns, 0x900), S_OK);
    EXPECT_TRUE(mapped_.empty());
    ASSERT_EQ(maps_.size(), 2u);
    for (const MapRequest& m : maps_) {
        EXPECT_EQ(m.port, KeyOf(kPortB));
        EXPECT_EQ(m.access, std::vector<uint8_t>(8, 0));
        EXPECT_EQ(m.lun, kNoLun);
    }
    const std::string events = Events();
    EXPECT_NE(events.find("OnLunStateChange: unassignLUN succeeded for '" + IdText(kOnVd1) + "'"),
              std::string::npos);
    EXPECT_NE(events.find("OnLunStateChange: unassignLUN succeeded for '" + IdText(kOnVd2) + "'"),
              std::string::npos);
    EXPECT_EQ(events.find("Notify"), std::string::npos);
}

// Notifications are events only, in flag order per LUN; no array command is sent.
TEST_F(LunImportTest, NotificationsBecomeEventsInFlagOrder) {
    LunRecords luns(SerialsOnly({IdText(kOnVd1), "-"}));
    const size_t sent = proxy_.Messages().size();
    EXPECT_EQ(Mask(luns, 0x300), S_OK);
    EXPECT_EQ(proxy_.Messages().size(), sent);
    const std::string events = Events();
    const size_t first = events.find("Notify Read/Write : '" + IdText(kOnVd1) + "'");
    const size_t second = events.find("Notify pre-recovery : '" + IdText(kOnVd1) + "'");
    const size_t third = events.find("Notify Read/Write : ''");
    const size_t fourth = events.find("Notify pre-recovery : ''");
    ASSERT_NE(fourth, std::string::npos) << events;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_LT(third, fourth);
    EXPECT_EQ(events.find("post-recovery"), std::string::npos);
    EXPECT_EQ(Mask(luns, 0x400), S_OK);
    EXPECT_NE(Events().find("Notify post-recovery : '" + IdText(kOnVd1) + "'"), std::string::npos);
    EXPECT_EQ(Mask(luns, 0), S_OK);
}

// A LUN no controller knows after its rediscovery, or one whose unmapping fails, vetoes; the LUNs after it
// stay mapped. The unknown-snapshot text keeps its stray quote.
TEST_F(LunImportTest, MaskingStopsAtAnUnknownSnapshotOrAFailedUnmapping) {
    struct Case {
        std::vector<std::string> serials;
        std::set<int32_t> refusing;
        std::string event;
        size_t discoveries;
    } cases[] = {
        // clang-format off
        {{IdText(kUnknown), IdText(kOnVd1)}, {},
         "OnLunStateChange called with unknown snapshot ('" + IdText(kUnknown) + "'')", 1},
        {{"-", IdText(kOnVd1)}, {}, "OnLunStateChange called with unknown snapshot (''')", 1},
        {{IdText(kOnVd1), IdText(kOnVd2)}, {kA},
         "OnLunStateChange: unassignLUN failed for '" + IdText(kOnVd1) + "' failed with 0x80042306", 0},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        refusing_.clear();
        mapped_ = {{kOnVd1, 1}, {kOnVd2, 2}};
        std::remove(platform::EventLogPath().c_str());
        refusing_ = c.refusing;
        const size_t discoveries = Sent(RRE_GET_CONTROLLERHANDLEDB);
        LunRecords luns(SerialsOnly(c.serials));
        EXPECT_EQ(Mask(luns, 0x800), VSS_E_PROVIDER_VETO);
        EXPECT_EQ(Sent(RRE_GET_CONTROLLERHANDLEDB), discoveries + c.discoveries);
        EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
        EXPECT_EQ(mapped_.size(), 2u);
        EXPECT_EQ(Events().find("succeeded"), std::string::npos);
    }
}

}  // namespace
