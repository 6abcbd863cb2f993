#include "corlink/transport/discovery.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/service_params.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/processor_device_table.h"
#include "platform/devices/device_io.h"
#include "tests/support/fake_controller_table.h"
#include "tests/support/scripted_devices.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

using testsupport::Bytes;
using testsupport::ScriptedReply;

constexpr char kAdapter0[] = "\\\\.\\Scsi0:";
constexpr char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\corlink4\\Parameters";

size_t Count(const std::string& text, const std::string& fragment) {
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++n;
    return n;
}

// Standard INQUIRY data: device type byte, 24 characters of vendor and product, the identity text at
// byte 44, the version byte and the removable bit.
Bytes Inquiry(uint8_t type, const std::string& vendorProduct, const std::string& identity,
              uint8_t version = 5, bool removable = false) {
    Bytes data(252, 0);
    data[0] = type;
    data[1] = removable ? 0x80 : 0;
    data[2] = version;
    std::memcpy(data.data() + 8, vendorProduct.data(), std::min<size_t>(vendorProduct.size(), 28));
    std::memcpy(data.data() + 44, identity.data(), std::min<size_t>(identity.size(), 16));
    return data;
}

// One LUN of an adapter: where it sits, whether a class driver claimed it, and how it answers.
struct Lun {
    uint8_t bus = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
    bool claimed = false;
    Bytes inquiry;
    uint8_t serial[6] = {};
    uint8_t port = 0;
    std::string volumeSerialText;  // VPD page 0x80 from byte 4
    uint8_t hostPort[8] = {};      // VPD page 0xD0 bytes 12-19
    ScriptedReply testUnitReady = ScriptedReply::Good();
};

// The inquiry listing of IOCTL_SCSI_GET_INQUIRY_DATA: bus array, then one chained record per LUN
// (36 bytes of inquiry data each).
Bytes Listing(uint8_t buses, const std::vector<Lun>& luns) {
    Bytes listing(4 + 8 * buses, 0);
    listing[0] = buses;
    std::map<uint8_t, size_t> lastNextField;  // bus -> where the previous record's next offset goes
    for (const Lun& lun : luns) {
        const uint32_t offset = static_cast<uint32_t>(listing.size());
        Bytes record(12 + 36, 0);
        record[0] = lun.bus;
        record[1] = lun.target;
        record[2] = lun.lun;
        record[3] = lun.claimed ? 1 : 0;
        record[4] = 36;
        std::memcpy(record.data() + 12, lun.inquiry.data(), 36);
        listing.insert(listing.end(), record.begin(), record.end());
        auto last = lastNextField.find(lun.bus);
        const size_t field = last == lastNextField.end() ? 4 + 8 * lun.bus + 4 : last->second;
        std::memcpy(listing.data() + field, &offset, 4);
        lastNextField[lun.bus] = offset + 8;
    }
    return listing;
}

// Adapter 0 with a listing of LUNs that answer as management LUNs do; every other adapter absent.
class DiscoveryTest : public ::testing::Test {
  protected:
    DiscoveryTest() {
        OpenDebugFile(nullptr);
        // The supported models are loaded once per run, on the first question.
        testsupport::WriteWholeFile(root.path() + "/corlink.conf",
                                    "[Models]\nm1 = Brenlow +RX.*\nm2 = JW +Array\n");
        std::snprintf(g_ConfigFile, sizeof g_ConfigFile, "%s", (root.path() + "/corlink.conf").c_str());
        devices.AddDevice(kAdapter0);
        devices.SetHandler([this](const testsupport::ScriptedCall& call) { return Answer(call); });
    }
    ~DiscoveryTest() override { CloseDebugFile(); }

    std::optional<ScriptedReply> Answer(const testsupport::ScriptedCall& call) {
        if (call.code == IOCTL_SCSI_GET_INQUIRY_DATA) return ScriptedReply::Good(Listing(buses, luns));
        if (!call.IsPassThrough() || call.cdb.empty()) return ScriptedReply::Fail(ERROR_INVALID_FUNCTION);
        const Lun* lun = Find(call.request.PathId, call.request.TargetId, call.request.Lun);
        if (lun == nullptr)
            return ScriptedReply::Status(0x02, {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x25});
        if (call.cdb[0] == 0x00) return lun->testUnitReady;
        if (call.cdb[0] != 0x12) return ScriptedReply::Sense(0x05, 0x20, 0x00);
        if ((call.cdb[1] & 1) == 0) return ScriptedReply::Good(lun->inquiry);
        Bytes page(252, 0);
        page[1] = call.cdb[2];
        switch (call.cdb[2]) {
            case 0x83:
                page[4] = 0x01;  // binary, vendor specific, 32 bytes
                page[7] = 32;
                page[8 + 1] = 0x11;  // unique id from identifier byte 1
                std::memcpy(page.data() + 8 + 8, lun->serial, 6);
                page[31] = lun->port;
                break;
            case 0x80:
                std::memcpy(page.data() + 4, lun->volumeSerialText.data(), lun->volumeSerialText.size());
                break;
            case 0xD0:
                std::memcpy(page.data() + 12, lun->hostPort, 8);
                page[52] = 'S';
                break;
        }
        return ScriptedReply::Good(page);
    }

    const Lun* Find(uint8_t bus, uint8_t target, uint8_t lunNumber) const {
        for (const Lun& lun : luns) {
            if (lun.bus == bus && lun.target == target && lun.lun == lunNumber) return &lun;
        }
        return nullptr;
    }

    // A management LUN of controller A with a serial made from `n` (enclosure type: no page 0x80).
    static Lun ManagementLun(uint8_t target, uint8_t lunNumber, uint8_t n) {
        Lun lun;
        lun.target = target;
        lun.lun = lunNumber;
        lun.inquiry = Inquiry(0x0D, "Brenlow RX4000          ", "CAPIPTA");
        const uint8_t serial[6] = {0x00, 0xC0, 0xFF, 0x00, 0x00, n};
        std::memcpy(lun.serial, serial, 6);
        lun.port = n;
        return lun;
    }

    // The (target, LUN) pairs that got a standard INQUIRY, in order.
    std::vector<std::pair<int, int>> Probed() const {
        std::vector<std::pair<int, int>> probed;
        for (const auto& call : devices.Calls()) {
            if (call.IsPassThrough() && call.cdb.size() >= 2 && call.cdb[0] == 0x12 &&
                (call.cdb[1] & 1) == 0) {
                probed.emplace_back(call.request.TargetId, call.request.Lun);
            }
        }
        return probed;
    }

    std::string EventLog() const { return root.ReadFile("eventlog/Application.log"); }

    testsupport::TestRoot root;
    DebuggerCapture log;
    testsupport::ScriptedDevices devices;
    uint8_t buses = 1;
    std::vector<Lun> luns;
};

TEST_F(DiscoveryTest, OnlyLunsThatPassEveryFilterAreProbed) {
    struct Case {
        const char* name;
        Bytes inquiry;
        const char* logLine;  // the skip line, "" for a LUN that is probed
    };
    const std::vector<Case> cases = {
        // clang-format off
        {"probed", Inquiry(0x00, "Brenlow RX4000", "CAPIPTA"), ""},
        {"enclosure type probed", Inquiry(0x0D, "JW      Array", "CAPIPTB"), ""},
        {"vendor blank", Inquiry(0x00, " renlow RX4000", "CAPIPTA"), "because inquiry vendor id bad"},
        {"processor type", Inquiry(0x03, "Brenlow RX4000", "CAPI"),
         "because it's not a direct-access disk or SES device"},
        {"removable", Inquiry(0x00, "Brenlow RX4000", "CAPIPTA", 5, true), "because it's removable media"},
        {"windows bug vendor", Inquiry(0x00, "WDC     WD10", ""), "to work around Windows bug"},
        {"qualifier set", Inquiry(0x20, "Brenlow RX4000", "CAPIPTA"),
         "skipping unsupported device type (0x20)"},
        {"unsupported model", Inquiry(0x00, "Brenlow ZZ9", "CAPIPTA"),
         "skipping unsupported device inquiry string"},
        {"SCSI-2", Inquiry(0x00, "Brenlow RX4000", "CAPIPTA", 4), "because not SCSI-3 compatible device"},
        {"version 8", Inquiry(0x00, "Brenlow RX4000", "CAPIPTA", 8), "because not SCSI-3 compatible device"},
        // clang-format on
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Lun lun;
        lun.target = static_cast<uint8_t>(i);
        lun.inquiry = cases[i].inquiry;
        luns.push_back(lun);
    }
    DiscoverProcessorDevices();
    std::vector<std::pair<int, int>> expected;
    const std::string text = log.Text();
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        if (cases[i].logLine[0] == '\0') {
            expected.emplace_back(static_cast<int>(i), 0);
        } else {
            EXPECT_NE(text.find(std::string(cases[i].logLine)), std::string::npos);
        }
    }
    EXPECT_EQ(Probed(), expected);
}

TEST_F(DiscoveryTest, LunsAboveZeroAreProbedOnlyUpToManagementLunMax) {
    luns = {ManagementLun(1, 0, 1), ManagementLun(1, 1, 2), ManagementLun(1, 2, 3)};
    DiscoverProcessorDevices();
    EXPECT_EQ(Probed(), (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(Count(log.Text(), "ignoring LUNs > 0 on all HBAs\n"), 1u);

    root.SetDword(kParametersKey, "ManagementLunMax", 1);
    devices.ClearJournal();
    DiscoverProcessorDevices();
    EXPECT_EQ(Probed(), (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));
    EXPECT_EQ(ManagementLunMax(), 1u);
    EXPECT_EQ(processorDeviceTableSize, 2u);
    root.SetDword(kParametersKey, "ManagementLunMax", 0);
    ReadManagementLunMax();
}

TEST_F(DiscoveryTest, ANewRespondingControllerIsRecordedWithItsIdentity) {
    Lun lun = ManagementLun(5, 0, 7);
    lun.bus = 1;
    buses = 2;
    luns = {lun};
    DiscoverProcessorDevices();
    ASSERT_EQ(processorDeviceTableSize, 1u);
    const PROCESSOR_DEVICE& device = processorDeviceTable[0];
    EXPECT_EQ(device.adapter, 0u);
    EXPECT_EQ(device.bus, 1u);
    EXPECT_EQ(device.target, 5);
    EXPECT_STREQ(device.deviceName, kAdapter0);
    EXPECT_EQ(std::string(device.inquiryString, 14), "Brenlow RX4000");
    EXPECT_EQ(device.responds, 1);
    EXPECT_EQ(device.ready, 1);
    EXPECT_EQ(device.port, 7);
    EXPECT_EQ(device.id, PROCESSOR_DEVICE_ID_A);
    EXPECT_EQ(device.deviceType, 0x0D);
    const uint8_t serial[6] = {0x00, 0xC0, 0xFF, 0x00, 0x00, 7};
    EXPECT_EQ(std::memcmp(device.controllerSerialNumber, serial, 6), 0);
}

TEST_F(DiscoveryTest, ManagementLunsThatAreNotNewOrDoNotRespondStayOutOfTheTable) {
    testsupport::FakeControllerTable database;
    PROCESSOR_DEVICE& known = ProcessorDeviceOf(database.context(0));
    known.responds = 1;
    const uint8_t knownSerial[6] = {0x00, 0xC0, 0xFF, 0x00, 0x00, 2};
    std::memcpy(known.controllerSerialNumber, knownSerial, 6);

    Lun offline = ManagementLun(1, 0, 1);
    offline.testUnitReady = ScriptedReply::Fail(ERROR_INVALID_FUNCTION);  // I/O control fails: not responding
    Lun alreadyKnown = ManagementLun(2, 0, 2);
    alreadyKnown.hostPort[0] = 0x50;
    alreadyKnown.hostPort[7] = 0x01;
    Lun fresh = ManagementLun(3, 0, 3);
    luns = {offline, alreadyKnown, fresh};
    DiscoverProcessorDevices();

    ASSERT_EQ(processorDeviceTableSize, 1u);
    EXPECT_EQ(processorDeviceTable[0].target, 3);
    EXPECT_NE(log.Text().find("GetControllerBySerialNumber() returned 0\n"), std::string::npos);
    // The known controller's page 0xD0 was still recorded.
    ASSERT_GE(g_HbaInfoList.count, 1u);
    EXPECT_EQ(g_HbaInfoList.entries[0].hbaWwpn[0], 0x50);
    EXPECT_EQ(g_HbaInfoList.entries[0].target, 2);
}

TEST_F(DiscoveryTest, TheControllerLetterComesFromTheIdentityOrTheInquiryString) {
    struct Case {
        const char* vendorProduct;
        const char* identity;
        uint8_t id;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {"Brenlow RX4000 :A-2      ", "CAPIPTB", PROCESSOR_DEVICE_ID_B},
        {"Brenlow RX4000 :A-2      ", "CAPIPT", PROCESSOR_DEVICE_ID_A},
        {"Brenlow RX4000 :B-1      ", "CAPIPT", PROCESSOR_DEVICE_ID_B},
        {"Brenlow RX4000 :C-1      ", "CAPIPT", PROCESSOR_DEVICE_ID_UNKNOWN},
        {"Brenlow RX4000 (B)       ", "CAPI",
         PROCESSOR_DEVICE_ID_B},  // a plain identity on a direct-access LUN
        {"Brenlow RX4000           ", "CAPIPT", PROCESSOR_DEVICE_ID_A},
        // clang-format on
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Lun lun = ManagementLun(static_cast<uint8_t>(i), 0, static_cast<uint8_t>(10 + i));
        const bool plainIdentity = std::string(cases[i].identity) == "CAPI";
        lun.inquiry = Inquiry(plainIdentity ? 0x00 : 0x0D, cases[i].vendorProduct, cases[i].identity);
        luns.push_back(lun);
    }
    DiscoverProcessorDevices();
    ASSERT_EQ(processorDeviceTableSize, cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(processorDeviceTable[i].id, cases[i].id);
    }
}

TEST_F(DiscoveryTest, AFullTableTakesNoFurtherRecord) {
    luns = {ManagementLun(1, 0, 1)};
    ClearProcessorDeviceTable();
    processorDeviceTableSize = PROCESSOR_DEVICE_TABLE_CAPACITY;
    ProbeProcessorDevice(kAdapter0, 0, 0, 1, 0, nullptr);
    EXPECT_EQ(processorDeviceTableSize, PROCESSOR_DEVICE_TABLE_CAPACITY);
    EXPECT_NE(log.Text().find("FindProcessorDevices: ERROR: Table of processor devices is full\n"),
              std::string::npos);
    ClearProcessorDeviceTable();
}

TEST_F(DiscoveryTest, AnAdapterWhoseListingCannotBeReadIsReportedAndOthersAreAbsent) {
    devices.AddDevice("\\\\.\\Scsi3:");
    devices.SetHandler([this](const testsupport::ScriptedCall& call) -> std::optional<ScriptedReply> {
        if (call.device == "\\\\.\\Scsi3:") return ScriptedReply::Fail(ERROR_INVALID_FUNCTION);
        return Answer(call);
    });
    luns = {ManagementLun(1, 0, 1)};
    DiscoverProcessorDevices();
    EXPECT_NE(log.Text().find("SCSI32LMX_Initialize: Inquiry to HBA3 failed\n"), std::string::npos);
    EXPECT_EQ(processorDeviceTableSize, 1u);
    std::vector<std::string> listed;
    for (const auto& call : devices.Calls()) {
        if (call.code == IOCTL_SCSI_GET_INQUIRY_DATA) listed.push_back(call.device);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{kAdapter0, "\\\\.\\Scsi3:"}));
}

TEST_F(DiscoveryTest, ABrokenListingIsReadWithinItsBuffer) {
    luns = {ManagementLun(1, 0, 1), ManagementLun(2, 0, 2)};
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        size_t probed;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {"a record that points back at itself",
         [](Bytes& l) {
             uint32_t self = 12;
             std::memcpy(l.data() + 12 + 8, &self, 4);
         },
         1},
        {"a next offset past the buffer",
         [](Bytes& l) {
             uint32_t far = 0xBFFF;
             std::memcpy(l.data() + 12 + 8, &far, 4);
         },
         1},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        devices.ClearJournal();
        devices.SetHandler([this, &c](const testsupport::ScriptedCall& call) -> std::optional<ScriptedReply> {
            if (call.code != IOCTL_SCSI_GET_INQUIRY_DATA) return Answer(call);
            Bytes listing = Listing(buses, luns);
            c.damage(listing);
            return ScriptedReply::Good(listing);
        });
        DiscoverProcessorDevices();
        EXPECT_EQ(Probed().size(), c.probed);
    }
}

TEST_F(DiscoveryTest, ABusListedWithoutItsFirstRecordIsRepairedForArrayVendors) {
    luns = {ManagementLun(1, 0, 1)};
    devices.SetHandler([this](const testsupport::ScriptedCall& call) -> std::optional<ScriptedReply> {
        if (call.code != IOCTL_SCSI_GET_INQUIRY_DATA) return Answer(call);
        Bytes listing = Listing(buses, luns);
        std::memset(listing.data() + 8, 0, 4);  // bus 0 lost its first-record offset
        return ScriptedReply::Good(listing);
    });
    DiscoverProcessorDevices();
    EXPECT_EQ(Probed(), (std::vector<std::pair<int, int>>{{1, 0}}));
}

// Each warning is written at most once per run, so each is asked for by one test only.
// The logical drives and adapters of outside RAID adapters are skipped, even when they name a CAPI LUN.
TEST_F(DiscoveryTest, NoControllersWhileAnOutsideRaidDriveWasSkippedWarnsOncePerRun) {
    const char* const identities[] = {"VELTRA  Volume", "ORV     LOGICAL VOLUME", "ORVE    Host Adapter"};
    for (size_t i = 0; i < std::size(identities); ++i) {
        Lun outside;
        outside.target = static_cast<uint8_t>(i);
        outside.inquiry = Inquiry(0x00, identities[i], "CAPIPTA");
        luns.push_back(outside);
    }
    DiscoverProcessorDevices();
    const std::string text = log.Text();
    for (size_t i = 0; i < std::size(identities); ++i) {
        const std::string line = "skipping non-CAPI device at 0.0." + std::to_string(i) + ".0\n";
        EXPECT_NE(text.find(line), std::string::npos) << identities[i];
    }
    EXPECT_TRUE(Probed().empty());
    DiscoverProcessorDevices();
    EXPECT_EQ(Count(EventLog(),
                    "No compatible array controllers were found. If using an outside RAID adapter to "
                    "connect a SAS-attached array, increase ManagementLunMax as described in the hardware "
                    "provider installation instructions."),
              1u);
}

TEST_F(DiscoveryTest, DirectAccessManagementLunsAtLunZeroWarnOncePerRun) {
    for (uint8_t target : {1, 2}) {
        Lun lun = ManagementLun(target, 0, target);
        lun.inquiry[0] = 0x00;
        lun.volumeSerialText = "600C0FF0000000000000000000000" + std::to_string(target) + "AB";
        luns.push_back(lun);
    }
    DiscoverProcessorDevices();
    ASSERT_EQ(processorDeviceTableSize, 2u);
    EXPECT_EQ(processorDeviceTable[0].volumeSerialNumber[0], 0x60);
    EXPECT_EQ(processorDeviceTable[1].volumeSerialNumber[15], 0xAB);
    EXPECT_EQ(Count(EventLog(),
                    "should be mapped to a non-zero LUN to prevent possible problems with the VDS/VSS "
                    "hardware providers."),
              1u);
    EXPECT_NE(EventLog().find("Device \\\\.\\Scsi0: (volume S/N " + luns[0].volumeSerialText + ")"),
              std::string::npos);
}

TEST_F(DiscoveryTest, ReadinessCheckStopsAtTheFirstGoodAnswer) {
    Lun lun = ManagementLun(1, 0, 1);
    luns = {lun};
    PROCESSOR_DEVICE device{};
    std::snprintf(device.deviceName, sizeof device.deviceName, "%s", kAdapter0);
    device.target = 1;
    struct Case {
        std::vector<ScriptedReply> answers;
        int tries;
        int tryAgain;
        uint8_t ready;
    };
    const std::vector<Case> cases = {
        // clang-format off
        {{ScriptedReply::Good()}, 1, 0, 1},
        {{ScriptedReply::Sense(0x06, 0x29, 0), ScriptedReply::Good()}, 2, 0, 1},
        {{ScriptedReply::Sense(0x06, 0x29, 0), ScriptedReply::Sense(0x06, 0x29, 0),
          ScriptedReply::Sense(0x06, 0x29, 0), ScriptedReply::Good()},
         3,
         1,
         0},
        // clang-format on
    };
    for (const Case& c : cases) {
        devices.ClearJournal();
        for (const ScriptedReply& answer : c.answers) devices.Queue(kAdapter0, answer);
        EXPECT_EQ(CheckProcessorDeviceReady(&device), c.tryAgain);
        EXPECT_EQ(device.ready, c.ready);
        int tries = 0;
        for (const auto& call : devices.Calls()) tries += call.IsPassThrough() ? 1 : 0;
        EXPECT_EQ(tries, c.tries);
    }
}

TEST_F(DiscoveryTest, WithThePhyQueryOnEachAttachedSasAddressIsProbedOnceBeforeTheScsiWalk) {
    luns = {ManagementLun(1, 0, 1)};
    devices.SetHandler([this](const testsupport::ScriptedCall& call) -> std::optional<ScriptedReply> {
        if (call.code != IOCTL_SCSI_MINIPORT) return Answer(call);
        SRB_IO_CONTROL header{};
        std::memcpy(&header, call.in.data(), sizeof header);
        if (header.ControlCode != CC_CSMI_SAS_GET_PHY_INFO)
            return ScriptedReply::Fail(ERROR_INVALID_FUNCTION);
        ScriptedReply reply = ScriptedReply::Good();
        reply.edit = [](uint8_t* out, DWORD) {
            CSMI_SAS_PHY_INFO_BUFFER phys{};
            phys.Information.bNumberOfPhys = 3;
            for (uint8_t i = 0; i < 3; ++i) {
                phys.Information.Phy[i].Identify.bPhyIdentifier = i;
                phys.Information.Phy[i].Attached.bSASAddress[0] = 0x50;
                phys.Information.Phy[i].Attached.bSASAddress[7] =
                    i == 2 ? 2 : 1;  // phys 0 and 1 reach one port
            }
            std::memcpy(out, &phys, sizeof phys);
        };
        return reply;
    });
    gDisableCSMI = true;
    DiscoverProcessorDevices();
    gDisableCSMI = false;

    uint32_t sasProbes = 0;
    for (const auto& call : devices.Calls()) {
        SRB_IO_CONTROL header{};
        if (call.code == IOCTL_SCSI_MINIPORT && call.in.size() >= sizeof header) {
            std::memcpy(&header, call.in.data(), sizeof header);
            sasProbes += header.ControlCode == CC_CSMI_SAS_SSP_PASSTHRU ? 1 : 0;
        }
    }
    EXPECT_EQ(sasProbes, 2u);
    const std::string text = log.Text();
    EXPECT_EQ(Count(text, "FindProcessorDevices: skip the dest SAS Address!\n"), 1u);
    EXPECT_NE(text.find("FindProcessorDevices: End with CSMI, cointune to find proocessor by scsi.\n"),
              std::string::npos);
    // No controller answered by SAS address, so the SCSI walk found it.
    EXPECT_EQ(Probed(), (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(processorDeviceTableSize, 1u);
}

TEST_F(DiscoveryTest, AClaimedLunIsReachedThroughItsDiskOrSkipped) {
    constexpr char kDisk[] = "\\\\.\\PhysicalDrive3";
    devices.AddDevice(kDisk);
    devices.SetDosDevice("PhysicalDrive3", "\\Device\\Harddisk3\\DR3");
    devices.SetHandler([this](const testsupport::ScriptedCall& call) -> std::optional<ScriptedReply> {
        if (call.code != IOCTL_SCSI_GET_ADDRESS) return Answer(call);
        const uint8_t address[8] = {8, 0, 0, 0, /*port*/ 0, /*bus*/ 0, /*target*/ 1, /*lun*/ 0};
        return ScriptedReply::Good(Bytes(address, address + 8));
    });
    Lun onDisk = ManagementLun(1, 0, 1);
    onDisk.claimed = true;
    Lun noDisk = ManagementLun(2, 0, 2);
    noDisk.claimed = true;
    luns = {onDisk, noDisk};
    DiscoverProcessorDevices();

    ASSERT_EQ(processorDeviceTableSize, 1u);
    EXPECT_STREQ(processorDeviceTable[0].deviceName, kDisk);
    EXPECT_EQ(processorDeviceTable[0].target, 1);
    const std::string text = log.Text();
    EXPECT_NE(text.find("FindProcessorDevices: 0.0.1.0 replaced \\\\.\\Scsi0: with \\\\.\\PhysicalDrive3\n"),
              std::string::npos);
    EXPECT_NE(text.find("FindProcessorDevices: Skipping claimed device \\\\.\\Scsi0: 0.0.2.0\n"),
              std::string::npos);
}

}  // namespace
