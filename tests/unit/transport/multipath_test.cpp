#include "corlink/transport/multipath.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "corlink/transport/mpio_path_choice.h"
#include "corlink/transport/scsi_command.h"
#include "platform/devices/wmi.h"
#include "tests/unit/transport/scsi_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::ScriptedReply;

constexpr const char* kDiskQuery =
    "SELECT * FROM Win32_DiskDrive WHERE DeviceID=\"\\\\\\\\.\\\\PhysicalDrive1\"";
constexpr const char* kPolicyQuery =
    "SELECT * FROM DSM_QueryLBPolicy_V2 WHERE InstanceName LIKE 'MPIO\\\\DISK&VEN_X\\\\1%' AND Active=TRUE";
constexpr const char* kDescriptorQuery =
    "SELECT * FROM MPIO_GET_DESCRIPTOR WHERE InstanceName LIKE 'MPIO\\\\DISK&VEN_X\\\\1%' AND Active=TRUE";

WmiObjectRef Object(std::map<std::string, WmiValue> properties) {
    return std::make_shared<IWbemClassObject>(std::move(properties));
}

struct PathSpec {
    uint64_t id;
    uint32_t failed, optimized, weight, preferred;
};

// Answers the three queries of the path lookup by their exact text and counts them.
class ScriptedWmi final : public platform::WmiProvider {
  public:
    ScriptedWmi() { platform::SetWmiProvider(this); }
    ~ScriptedWmi() override { platform::SetWmiProvider(nullptr); }

    void Disk(const std::string& pnpId) { answers[kDiskQuery] = {Object({{"PNPDeviceID", pnpId}})}; }
    void Policy(uint32_t policy, const std::vector<PathSpec>& paths, std::optional<uint32_t> count = {}) {
        std::vector<WmiObjectRef> list;
        for (const PathSpec& p : paths) {
            list.push_back(Object({{"DsmPathId", p.id},
                                   {"PrimaryPath", uint32_t{0}},
                                   {"PreferredPath", p.preferred},
                                   {"PathWeight", p.weight},
                                   {"OptimizedPath", p.optimized},
                                   {"FailedPath", p.failed},
                                   {"TargetPortGroup_Preferred", uint32_t{0}}}));
        }
        auto lb = Object({{"LoadBalancePolicy", policy},
                          {"DSMPathCount", count.value_or(static_cast<uint32_t>(paths.size()))},
                          {"DSM_Paths", list}});
        answers[kPolicyQuery] = {Object({{"LoadBalancePolicy", lb}})};
    }
    void Address(uint64_t pathId, uint32_t port, uint32_t bus, uint32_t target, uint32_t lun) {
        auto scsi = Object({{"PortNumber", port}, {"ScsiPathId", bus}, {"TargetId", target}, {"Lun", lun}});
        std::vector<WmiObjectRef> pdos = {Object({{"PathIdentifier", pathId + 1}}),
                                          Object({{"PathIdentifier", pathId}, {"ScsiAddress", scsi}})};
        answers[kDescriptorQuery] = {Object({{"PdoInformation", pdos}})};
    }

    HRESULT Query(const std::string&, const std::string& query, std::vector<WmiObjectRef>* results) override {
        queries.push_back(query);
        if (throwError)
            throw _com_error(static_cast<HRESULT>(0x80041010), "WMI", "Invalid class", "bad class");
        auto it = answers.find(query);
        if (it != answers.end()) *results = it->second;
        return WBEM_S_NO_ERROR;
    }

    std::map<std::string, std::vector<WmiObjectRef>> answers;
    std::vector<std::string> queries;
    bool throwError = false;
};

class MultipathTest : public ScsiFixture {
  protected:
    void SetUp() override {
        ScsiFixture::SetUp();
        wmi.Disk("MPIO\\DISK&VEN_X\\1");
        wmi.Policy(2, {{0x7701, 1, 1, 0, 0}, {0x7702, 0, 0, 9, 0}});
        wmi.Address(0x7702, 4, 0, 3, 1);
    }
    int WriteBuffer(const char* name = kDisk) {
        uint8_t packet[64] = {0x11};
        return sendWriteBuf(name, 0, 1, 0, nullptr, packet, sizeof packet);
    }
    ScriptedWmi wmi;
};

TEST_F(MultipathTest, BufferCommandGoesDownTheChosenPath) {
    ASSERT_TRUE(IsMpioCapableOs());
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{kDiskQuery, kPolicyQuery, kDescriptorQuery}));
    auto calls = devices.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].code, IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT);
    ASSERT_EQ(calls[0].in.size(), 848u);
    MPIO_PASS_THROUGH_PATH_DIRECT sent;
    std::memcpy(&sent, calls[0].in.data(), sizeof sent);
    EXPECT_EQ(sent.MpioPathId, 0x7702u);  // the healthy path, whatever the weights
    EXPECT_EQ(sent.Version, 0u);
    EXPECT_EQ(sent.Length, 72);
    EXPECT_EQ(sent.Flags, 6);
    EXPECT_EQ(sent.PortNumber, 4);
    EXPECT_EQ(sent.PassThrough.PathId, 0);
    EXPECT_EQ(sent.PassThrough.TargetId, 3);
    EXPECT_EQ(sent.PassThrough.Lun, 1);
    EXPECT_EQ(sent.PassThrough.SenseInfoOffset, 80u);
    EXPECT_EQ(sent.PassThrough.Cdb[0], 0x3B);
    EXPECT_EQ(calls[0].dataOut.at(0), 0x11);

    // The next buffer command uses the cached choice.
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(wmi.queries.size(), 3u);
    EXPECT_EQ(devices.Calls().at(1).code, IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT);
}

TEST_F(MultipathTest, SenseFromThePathReachesTheCallersBlock) {
    devices.Queue(kDisk, ScriptedReply::Sense(5, 0x3B, 0x05));
    EXPECT_EQ(WriteBuffer(), 2);
    // The failed command dropped the choice: the next one asks WMI again.
    wmi.queries.clear();
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(wmi.queries.size(), 3u);
}

TEST_F(MultipathTest, OtherCommandsAndAdaptersTakeThePlainRouteWithoutWmi) {
    g_MultipathLogLevel = 2;
    uint32_t returned = 0;
    EXPECT_EQ(sendScsiCommand(SCSI_CMD_TEST_UNIT_READY, kDisk, 0, 0, 0, nullptr, nullptr, 0, &returned), 0);
    uint8_t page[252];
    EXPECT_EQ(sendScsiCommand(SCSI_CMD_INQUIRY, kDisk, 0, 0, 0, nullptr, page, sizeof page, &returned), 0);
    EXPECT_EQ(WriteBuffer(kAdapter), 0);
    EXPECT_TRUE(wmi.queries.empty());
    for (const auto& call : devices.Calls()) EXPECT_EQ(call.code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    EXPECT_TRUE(Logged("No MPIO passthru needed for \\\\.\\Scsi2:\n")) << log.Text();
    EXPECT_TRUE(Logged("IOCTL_SCSI_PASS_THROUGH_PATH_DIRECT succeeded (\\\\.\\PhysicalDrive1)\n"));
}

TEST_F(MultipathTest, DiskThatIsNotMultipathIsAskedAgainEachTime) {
    wmi.Disk("SCSI\\DISK&VEN_X\\1");
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(wmi.queries, (std::vector<std::string>{kDiskQuery, kDiskQuery}));
    EXPECT_EQ(devices.Calls().at(1).code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
}

TEST_F(MultipathTest, FailoverPoliciesUseThePlainRoute) {
    for (uint32_t policy : {1u, 5u}) {
        wmi.Policy(policy, {{1, 0, 1, 0, 0}, {2, 0, 1, 0, 0}});
        devices.ClearJournal();
        EXPECT_EQ(WriteBuffer(), 0);
        EXPECT_EQ(devices.Calls().at(0).code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    }
}

TEST_F(MultipathTest, PathWithoutScsiAddressIsNotUsed) {
    wmi.Address(0x9999, 4, 0, 3, 1);
    g_MultipathLogLevel = 1;
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(devices.Calls().at(0).code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    EXPECT_TRUE(Logged("pathid 00007702: could not find SCSI address\n")) << log.Text();
}

TEST_F(MultipathTest, ComErrorEndsTheLookupWithoutAPath) {
    wmi.throwError = true;
    EXPECT_EQ(WriteBuffer(), 0);
    EXPECT_EQ(devices.Calls().at(0).code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
    EXPECT_TRUE(
        Logged("COM error: 0x80041010\nCOM error source: WMI\nCOM error description: Invalid class\n"
               "COM error message: bad class\n"))
        << log.Text();
}

TEST_F(MultipathTest, FailedPathControlIsReportedAsAFailedCommand) {
    devices.Queue(kDisk, ScriptedReply::Fail(ERROR_GEN_FAILURE));
    EXPECT_EQ(WriteBuffer(), 5);
    EXPECT_TRUE(Logged("IOCTL_MPIO_PASS_THROUGH_PATH_DIRECT failed: 0x1f=")) << log.Text();
    EXPECT_TRUE(Logged("Windows OS call returned error 31: ")) << log.Text();
}

mpd Paths(std::vector<PathSpec> specs, int32_t policy = 2) {
    mpd device;
    device.policy = policy;
    device.pathCount = static_cast<uint32_t>(specs.size());
    for (size_t i = 0; i < specs.size() && i < MPD_MAX_PATHS; ++i) {
        device.paths[i] = {specs[i].id,     0, specs[i].preferred, specs[i].weight, specs[i].optimized,
                           specs[i].failed, 0};
    }
    return device;
}

TEST(MpioPathChoiceTest, RankingDecidesTierByTier) {
    struct Case {
        const char* name;
        std::vector<PathSpec> paths;
        uint64_t chosen;
    } cases[] = {
        // clang-format off
        {"one path: no choice", {{5, 0, 1, 0, 0}}, 0},
        {"healthy beats failed whatever the weight", {{1, 1, 1, 0, 0}, {2, 0, 0, 50, 0}}, 2},
        {"optimized beats lighter", {{1, 0, 0, 0, 0}, {2, 0, 1, 9, 0}}, 2},
        {"smaller weight", {{1, 0, 1, 9, 0}, {2, 0, 1, 3, 0}}, 2},
        {"preferred before path id", {{1, 0, 1, 3, 0}, {2, 0, 1, 3, 1}}, 2},
        {"smaller path id last", {{9, 0, 1, 3, 1}, {4, 0, 1, 3, 1}}, 4},
        {"tie keeps the earlier", {{4, 0, 1, 3, 1}, {4, 0, 1, 3, 1}}, 4},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(analyze(Paths(c.paths)), c.chosen);
    }
    EXPECT_EQ(analyze(Paths({{1, 0, 1, 0, 0}, {2, 0, 1, 0, 0}}, 1)), 0u);
}

TEST_F(MultipathTest, OnlyThirtyTwoPathsAreStoredAndCompared) {
    std::vector<PathSpec> paths;
    for (uint64_t i = 0; i < 40; ++i) paths.push_back({0x100 + i, 1, 0, 0, 0});  // all failed
    paths[35] = {0x1, 0, 1, 0, 0};                                               // the best, beyond 32
    paths[20] = {0x50, 0, 0, 0, 0};                                              // the best of the first 32
    wmi.Policy(2, paths, 40);
    wmi.Address(0x50, 1, 0, 0, 0);
    EXPECT_EQ(WriteBuffer(), 0);
    MPIO_PASS_THROUGH_PATH_DIRECT sent;
    std::memcpy(&sent, devices.Calls().at(0).in.data(), sizeof sent);
    EXPECT_EQ(sent.MpioPathId, 0x50u);
}

}  // namespace
