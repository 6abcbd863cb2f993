// The dump printers on crafted records: every table names fields that exist, the value forms, byte and
// word arrays, the indentation of nested blocks and of the two entry points, lists capped at their
// capacity, the unions chosen by bus type, the address lines by IP version, masked secrets, and the
// dump switch.
#include "corlink/diagnostics/dump_structures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_structures.h"
#include "corlink/controller_entry/raid_controller.h"
#include "corlink/diagnostics/dump_printer.h"
#include "corlink/diagnostics/dumps.h"
#include "corlink/foundation/service_params.h"
#include "tests/support/test_root.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// The line after the first one equal to `line`, or "".
std::string After(const std::vector<std::string>& lines, const std::string& line) {
    const auto at = std::find(lines.begin(), lines.end(), line);
    return at != lines.end() && at + 1 != lines.end() ? *(at + 1) : "";
}

class DumpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetInstallDirectory("C:\\corlink");
        directory_ = root_.path() + "/C/corlink";
        fs::create_directories(directory_);
        testsupport::WriteWholeFile(Switch(), "");
        DumpPrinter::Level() = 0;
    }
    void TearDown() override {
        DumpPrinter::Level() = 0;
        SetInstallDirectory("");
    }
    std::string Switch() const { return directory_ + "/corlink.log"; }
    std::string DumpFile() const { return directory_ + "/corlink.dat"; }
    std::vector<std::string> Dumped() {
        std::vector<std::string> lines = Lines(testsupport::ReadWholeFile(DumpFile()));
        fs::remove(DumpFile());
        return lines;
    }
    template <class T>
    std::vector<std::string> Dump(const T& record) {
        DumpStructure(record);
        return Dumped();
    }

    testsupport::TestRoot root_;
    std::string directory_;
};

TEST(DumpTables, EveryRowNamesAFieldOfItsStructure) {
    for (const DumpTable& table : AllDumpTables()) {
        for (const DumpItem& item : table.items) {
            for (const char* path : {item.field, item.countField, item.second}) {
                if (path == nullptr || item.show == Show::Variant) continue;
                DumpField found;
                EXPECT_TRUE(LocateDumpField(*table.desc, path, &found)) << table.heading << " " << path;
            }
            if (item.show == Show::Block || item.show == Show::Blocks) {
                DumpField found;
                ASSERT_TRUE(LocateDumpField(*table.desc, item.field, &found));
                ASSERT_NE(found.row->nested, nullptr) << table.heading << " " << item.field;
                EXPECT_NE(FindDumpTable(*found.row->nested), nullptr) << table.heading << " " << item.field;
            }
        }
    }
}

TEST_F(DumpTest, ValueFormsArraysAndNestedBlocks) {
    CAPI_CONTROLLER_ENVIRONMENTALS environmentals{};
    environmentals.temperatureA = -5;
    environmentals.voltageB = 0xFFFF;
    environmentals.awtStatus = 0xFFFFFFFF;
    std::vector<std::string> lines = Dump(environmentals);
    EXPECT_EQ(lines.at(0), "  |CAPI_CONTROLLER_ENVIRONMENTALS");
    EXPECT_EQ(Count(lines, "  |temperatureA: -5"), 1u);
    EXPECT_EQ(Count(lines, "  |voltageB: 65535"), 1u);
    EXPECT_EQ(Count(lines, "  |awtStatus: 4294967295"), 1u);

    CAPI_ENCL_TEMP_SENSOR sensor{};
    sensor.temperature = 0xFB;
    EXPECT_EQ(Count(Dump(sensor), "  |temperature: 251"), 1u);

    // A byte array two columns deeper than its label line; a CAPI_U64 as its two words side by side.
    CAPI_FC_PARAMS fcParams{};
    fcParams.multiTargetId[0] = 0x01;
    fcParams.multiTargetId[1] = 0xAB;
    lines = Dump(fcParams);
    EXPECT_EQ(After(lines, "  |multiTargetId: "), "    |01ab" + std::string(28, '0'));
    CAPI_U64 value{};
    value.longs[0] = 7;
    EXPECT_EQ(Dump(value), (std::vector<std::string>{"  |CAPI_U64", "  |longs 70"}));

    // A word array: zero, 0x1234 and all bits set (the drive enclosure's target ids hold two words).
    CAPI_DRIVE_ENCLOSURE enclosure{};
    const uint32_t words[] = {0x1234, 0xFFFFFFFF};
    std::memcpy(enclosure.targetId, words, sizeof words);
    lines = Dump(enclosure);
    EXPECT_EQ(After(lines, "  |targetId "), "    |1234ffffffff");
    enclosure = {};
    std::memset(enclosure.targetId + 4, 0xFF, 4);
    EXPECT_EQ(After(Dump(enclosure), "  |targetId "), "    |00ffffffff");

    // A text that fills its field without a zero byte prints the whole field and nothing after it.
    CAPI_ARRAY array{};
    std::memset(array.name, 'n', sizeof array.name);
    array.cacheParams.cacheOptimization = 'W';
    lines = Dump(array);
    EXPECT_EQ(Count(lines, "  |name " + std::string(32, 'n')), 1u);
    EXPECT_EQ(Count(lines, "    |cacheOptimization W"), 1u);
    EXPECT_EQ(Count(lines, "    |CAPI_U64"), 3u) << "its three 64-bit values";
}

TEST_F(DumpTest, ListsStopAtTheirCountAndCapacity) {
    CAPI_ARRAY array{};
    array.numDrives = 200;  // above the 68 member drives an array holds
    EXPECT_EQ(Count(Dump(array), "    |CAPI_MEMBER_DRIVE"), 68u);
    array.numDrives = 3;
    const std::vector<std::string> lines = Dump(array);
    EXPECT_EQ(Count(lines, "    |CAPI_MEMBER_DRIVE"), 3u);
    EXPECT_EQ(Count(lines, "    |q500.state 0"), 3u);
    EXPECT_EQ(Count(lines, "    |vandrel.state 0"), 3u);

    CAPI_DRIVE_ENCLOSURE enclosure{};
    enclosure.numberPBCs = 255;         // 16 port bypass controls at most
    enclosure.numberValidEmpPaths = 9;  // 4 large-LUN values
    enclosure.numberDiskDrives = 2;
    const std::vector<std::string> encl = Dump(enclosure);
    EXPECT_EQ(Count(encl, "    |CAPI_ENCL_PORT_BYPASS"), 16u);
    EXPECT_EQ(Count(encl, "  |largeLun 0"), 4u);
    EXPECT_EQ(Count(encl, "    |CAPI_ENCL_DRIVE"), 2u);

    CAPI_PARTITION_VIEW_TABLE view{};
    view.numHosts = 500;
    EXPECT_EQ(Count(Dump(view), "  |wwn: "), 128u);
    auto hostViews = std::make_unique<CAPI_HOST_VIEW_TABLE>();
    std::memset(hostViews.get(), 0, sizeof *hostViews);
    hostViews->numWWNs = 2;
    const std::vector<std::string> host = Dump(*hostViews);
    EXPECT_EQ(Count(host, "  |wwns "), 2u);
    EXPECT_EQ(Count(host, "    |CAPI_PARTITION_SN_AND_MAP"), 2u);
}

TEST_F(DumpTest, UnionsByBusTypeAndAddressLinesByIpVersion) {
    const struct {
        uint8_t busType;
        const char* block;  // null: the union's heading alone
    } buses[] = {{6, "      |CAPI_FC_INFO"}, {9, "      |CAPI_iSCSI_INFO"}, {8, nullptr}};
    for (const auto& bus : buses) {
        CAPI_CHANNEL channel{};
        channel.busType = bus.busType;
        const std::vector<std::string> lines = Dump(channel);
        const std::string next = After(lines, "    |CAPI_CHANNEL_INFO_UNION");
        if (bus.block != nullptr) {
            EXPECT_EQ(next, bus.block) << int{bus.busType};
        } else {
            EXPECT_EQ(next, "    |CAPI_CHANNEL_PARAMS") << int{bus.busType};
        }
    }

    const struct {
        uint8_t version;
        size_t lines;
        size_t bytes;
    } versions[] = {{4, 6, 4}, {6, 6, 16}, {0, 0, 0}};
    for (const auto& v : versions) {
        CAPI_iSCSI_INFO info{};
        info.ipVersion = v.version;
        info.dualIPgateway[15] = 0x2A;
        const std::vector<std::string> lines = Dump(info);
        size_t addressLines = 0;
        for (const char* label : {"ipAddr: ", "ipNetmask: ", "ipGateway: ", "dualIPaddr: ", "dualIPnetmask: ",
                                  "dualIPgateway: "}) {
            addressLines += Count(lines, std::string("  |") + label);
        }
        EXPECT_EQ(addressLines, v.lines) << int{v.version};
        if (v.bytes != 0) {
            EXPECT_EQ(After(lines, "  |dualIPgateway: "), "    |" + std::string(2 * v.bytes - 2, '0') + "2a");
        }
    }
}

TEST_F(DumpTest, SecretsAreMaskedAndTheirNeighboursPrinted) {
    auto network = std::make_unique<CAPI_ADVANCED_NETWORK_INTERFACE>();
    std::memset(network.get(), 0, sizeof *network);
    std::strcpy(network->ftpUser, "admin");
    std::strcpy(network->ftpPassword, "s3cret");
    std::strcpy(network->snmpReadCommunity, "public");
    std::strcpy(network->wbiManagePassword, "manage!");
    const std::vector<std::string> lines = Dump(*network);
    for (const char* secret : {"s3cret", "public", "manage!"}) {
        for (const std::string& line : lines) EXPECT_EQ(line.find(secret), std::string::npos) << line;
    }
    EXPECT_EQ(Count(lines, "  |ftpUser: admin"), 1u);
    EXPECT_EQ(Count(lines, "  |ftpPassword: ********"), 1u);
    EXPECT_EQ(Count(lines, "  |snmpReadCommunity: ********"), 1u);
    EXPECT_EQ(Count(lines, "  |snmpWriteCommunity: "), 1u) << "an empty secret stays empty";
    EXPECT_EQ(Count(lines, "  |wbiManagePassword ********"), 1u);
    EXPECT_EQ(Count(lines, "    |CAPI_NOTIFICATION_STRUCT"), 4u);
    EXPECT_EQ(After(lines, "  |discoveryRanges "), "  |" + std::string(64, '0'));
    EXPECT_EQ(lines.back(), "    |" + std::string(48, '0')) << "the old monitored events close the block";
}

// The controller dump starts in column 0 and leaves the level below zero, so that an advanced enclosure
// dump that starts two columns in before any controller dump starts in column 0 after one.
TEST_F(DumpTest, EntryPointsAndTheirIndentation) {
    auto entry = std::make_unique<RAID_CONTROLLER>();
    std::memset(entry.get(), 0, sizeof *entry);
    entry->controller.raid.numDrives = 200;
    entry->controller.raid.numArrays = 0;
    entry->enclosureCount = 3;
    auto advanced = std::make_unique<CAPI_ADVANCED_DRIVE_ENCLOSURE>();
    std::memset(advanced.get(), 0, sizeof *advanced);
    std::strcpy(advanced->portDesc[15], "last port");

    EXPECT_EQ(DumpCapiAdvancedDriveEnclosure(advanced.get()), 1);
    std::vector<std::string> lines = Dumped();
    EXPECT_EQ(lines.at(0), "  |CAPI_ADVANCED_DRIVE_ENCLOSURE");
    EXPECT_EQ(lines.at(1), "    |CAPI_DRIVE_ENCLOSURE");
    EXPECT_EQ(Count(lines, "  |portDesc last port"), 1u);
    EXPECT_EQ(Count(lines, "  |diskDriveDesc "), 64u);
    EXPECT_EQ(Count(lines, "  |powerSupplyDesc "), 4u);
    EXPECT_EQ(Count(lines, "  |enclServicesDesc "), 64u);
    EXPECT_EQ(Count(lines, "    |CAPI_FRUID_INFO"), 10u);
    EXPECT_EQ(Count(lines, "      |CAPI_FRUID_FIELD_DESCRIPTOR"), 160u);
    EXPECT_EQ(After(lines, "  |fruUnprotectedData "), "    |" + std::string(32, '0'));

    EXPECT_EQ(DumpRaidController(entry.get()), 1);
    lines = Dumped();
    EXPECT_EQ(lines.at(0), "|RAID_CONTROLLER");
    EXPECT_EQ(lines.at(1), "|updateStatus: 0");
    EXPECT_EQ(lines.at(4), "  |CAPI_CONTROLLER");
    EXPECT_EQ(Count(lines, "  |CAPI_DRIVE"), 128u);
    EXPECT_EQ(Count(lines, "  |CAPI_ARRAY"), 0u);
    EXPECT_EQ(Count(lines, "  |CAPI_DRIVE_ENCLOSURES_STRUCT"), 1u);
    EXPECT_EQ(Count(lines, "    |CAPI_DRIVE_ENCLOSURE"), 3u);
    EXPECT_EQ(Count(lines, "    |LMX_IOB"), 1u);
    EXPECT_EQ(Count(lines, "|pCapiBuffer: "), 1u);
    EXPECT_EQ(lines.back().rfind("  |", 0), 0u);
    EXPECT_EQ(DumpPrinter::Level(), -2);

    entry->enclosureCount = 0;
    DumpRaidController(entry.get());
    EXPECT_EQ(Count(Dumped(), "  |CAPI_DRIVE_ENCLOSURES_STRUCT"), 0u);

    DumpCapiAdvancedDriveEnclosure(advanced.get());
    lines = Dumped();
    EXPECT_EQ(lines.at(0), "|CAPI_ADVANCED_DRIVE_ENCLOSURE");
    EXPECT_EQ(lines.at(1), "  |CAPI_DRIVE_ENCLOSURE");
}

// The switch file counts by its presence and its permission bits alone (also for a user who may write
// anything); a directory of that name switches the dump on.
TEST_F(DumpTest, TheSwitchFileTurnsTheDumpOn) {
    auto entry = std::make_unique<RAID_CONTROLLER>();
    std::memset(entry.get(), 0, sizeof *entry);
    fs::permissions(Switch(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(DumpRaidController(entry.get()), 0);
    fs::remove(Switch());
    EXPECT_EQ(DumpRaidController(entry.get()), 0);
    EXPECT_FALSE(fs::exists(DumpFile()));
    fs::create_directory(Switch());
    EXPECT_EQ(DumpRaidController(entry.get()), 1);
    EXPECT_TRUE(fs::exists(DumpFile()));
}

}  // namespace
