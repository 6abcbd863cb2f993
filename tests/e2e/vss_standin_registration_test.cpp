// The snapshot service stand-in and the provider library's registration and life: DllRegisterServer writes
// the COM entries naming the loaded library and registers the provider with the stand-in's coordinator
// (registering again meets "already registered", removes the old registration and registers once more),
// DllUnregisterServer takes both away; the stand-in program does the same from the command line around a
// shadow copy; a provider created against the real proxy recognises the fabric's volumes and is unloaded with
// nothing left.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/com/com_memory.h"
#include "platform/files/registry.h"
#include "provider/controllers/provider_registry.h"
#include "tests/e2e/standin_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "tools/vss_standin/coordinator.h"
#include "tools/vss_standin/host_disks.h"
#include "tools/vss_standin/registry_text.h"
#include "tools/vss_standin/scenarios.h"

namespace {

using standin::CallLog;

constexpr const char* kClassKey = "CLSID\\{122E0BAB-DAE0-4285-B708-EB497440927A}";
const std::string kProviderIdText = "{9D09666C-5CF8-45CA-9294-127C95562094}";

// A value of the COM registration, "<none>" when it is missing.
std::string ClassesValue(const std::string& key, const char* name) {
    const std::string value = standin::RegistryText(HKEY_CLASSES_ROOT, key, name);
    return value.empty() ? "<none>" : value;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The calls to the coordinator, in order, without their arguments: "RegisterProvider = S_OK".
std::vector<std::string> CoordinatorCalls(const CallLog& log) {
    std::vector<std::string> calls;
    for (const std::string& line : log.Lines()) {
        if (line.rfind("IVssAdmin::", 0) != 0) continue;
        calls.push_back(line.substr(11, line.find('(') - 11) + " =" + line.substr(line.rfind(' ')));
    }
    return calls;
}

class RegistrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(root_.path() + "/C");
        root_.SetString(std::string(kProviderServiceKey) + "\\Debug", "FileName", "C:\\provider.log");
        ASSERT_TRUE(provider_.Load(PROVIDER_LIBRARY));
    }
    bool Run(const char* scenario) { return standin::FindScenario(scenario)(provider_, {}, log_); }

    testsupport::TestRoot root_;
    CallLog log_;
    standin::ProviderLibrary provider_{log_};
};

TEST_F(RegistrationTest, RegistersWithTheCoordinatorAgainOverAnOldRegistrationAndUnregisters) {
    const platform::TaskMemoryAccount memory = platform::TaskMemory();
    ASSERT_TRUE(Run("register")) << testing::PrintToString(log_.Lines());
    EXPECT_EQ(ClassesValue(std::string(kClassKey) + "\\InprocServer32", ""), PROVIDER_LIBRARY);
    EXPECT_EQ(ClassesValue(std::string(kClassKey) + "\\InprocServer32", "ThreadingModel"), "apartment");
    EXPECT_EQ(ClassesValue("DOVURERUDOredezor.BVSS_HardwarePr\\CurVer", ""),
              "DOVURERUDOredezor.BVSS_Hardware.1");
    standin::RegisteredProvider known;
    ASSERT_TRUE(standin::FindRegisteredProvider(standin::kProviderId, &known));
    EXPECT_EQ(known.name, "DOVURERUDOredezor");
    EXPECT_EQ(known.type, 3u);  // a hardware provider
    EXPECT_EQ(known.classId, "{122E0BAB-DAE0-4285-B708-EB497440927A}");
    EXPECT_EQ(known.versionId, "{33DE77D7-EEE6-4731-AABB-77600B3F6977}");
    EXPECT_EQ(known.version, "4.1.0.118");

    // The coordinator keeps its providers: the second registration meets the first.
    ASSERT_TRUE(Run("register")) << testing::PrintToString(log_.Lines());
    EXPECT_EQ(CoordinatorCalls(log_),
              (std::vector<std::string>{"RegisterProvider = S_OK",
                                        "RegisterProvider = VSS_E_PROVIDER_ALREADY_REGISTERED",
                                        "UnregisterProvider = S_OK", "RegisterProvider = S_OK"}));
    EXPECT_NE(root_.ReadFile("C/provider.log")
                  .find("DllRegisterServer(): Successfully unregistered old version.\n"),
              std::string::npos);

    ASSERT_TRUE(Run("unregister")) << testing::PrintToString(log_.Lines());
    EXPECT_EQ(CoordinatorCalls(log_).back(), "UnregisterProvider = S_OK");
    EXPECT_FALSE(standin::FindRegisteredProvider(standin::kProviderId, nullptr));
    EXPECT_EQ(ClassesValue(std::string(kClassKey) + "\\InprocServer32", ""), "<none>");
    EXPECT_EQ(ClassesValue("DOVURERUDOredezor.BVSS_Hardware.1", ""), "<none>");
    const std::string events = root_.ReadFile("eventlog/Application.log");
    EXPECT_NE(events.find("DOVURERUDOredezor version 4.1.0.118 has been installed"), std::string::npos)
        << events;
    EXPECT_NE(events.find("DOVURERUDOredezor version 4.1.0.118 has been removed"), std::string::npos)
        << events;

    // Unregistering what the coordinator no longer knows: its refusal is only logged.
    ASSERT_TRUE(Run("unregister"));
    EXPECT_EQ(CoordinatorCalls(log_).back(), "UnregisterProvider = VSS_E_PROVIDER_NOT_REGISTERED");
    EXPECT_EQ(provider_.Unload(), S_OK);
    EXPECT_EQ(platform::TaskMemory().liveBlocks, memory.liveBlocks);
}

// The program from the command line, as the demo runs it: registration twice, a shadow copy of both volumes
// imported, masked and deleted, unregistration, the unload; its exit code says every call gave what the
// service expects and every block of task memory was freed once.
TEST(StandInProgram, RegistersTakesAShadowCopyUnregistersAndUnloads) {
    testsupport::TestRoot root;
    e2e::ProxyOnFabric machine(root);
    ASSERT_NO_FATAL_FAILURE(machine.Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    testsupport::ChildProcess standIn(
        VSS_STANDIN_PROGRAM, {"register", "register", "shadow-copy", "unregister"},
        {"CORLINK_ROOT=" + root.path(), "CORLINK_FABRIC=" + machine.fabricSocket(), e2e::kTimeScale},
        root.path() + "/vss_standin.txt");
    const int status = standIn.WaitForExit(testsupport::kChildWorkBound);
    const std::string output = standIn.Output();
    EXPECT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    EXPECT_EQ(e2e::Occurrences(output, "= 0x80042303 VSS_E_PROVIDER_ALREADY_REGISTERED\n"), 1u) << output;
    EXPECT_EQ(e2e::Occurrences(output, "== rescan: new disks 2, 3\n"), 1u) << output;
    EXPECT_EQ(e2e::Occurrences(output, " description \"SSID="), 2u) << output;
    EXPECT_EQ(e2e::Occurrences(output, "== rescan: disks gone 2, 3\n"), 1u) << output;
    EXPECT_NE(output.find("    array: none of the set's volumes\n"), std::string::npos) << output;
    EXPECT_NE(output.find("DllCanUnloadNow() = 0x00000000 S_OK\n"), std::string::npos) << output;
    EXPECT_NE(output.find(" freed, 0 live\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("!! "), std::string::npos) << output;
    EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << output;
    machine.ExpectCleanExit();
}

// A provider against the real proxy: the fabric's volumes, as the stand-in describes them from their
// inquiry data, are the arrays' (AreLunsSupported), and FillInLunInfo completes their descriptions with the
// provider's NAA identifier.
class ProviderLifeTest : public e2e::StandInTest {};

TEST_F(ProviderLifeTest, RecognisesTheFabricsVolumesAndCompletesTheirDescriptions) {
    ASSERT_NO_FATAL_FAILURE(Start(SIM_SCENARIO_DIR "/split_owners.ini"));
    const std::vector<int> disks = standin::ListHostDisks();
    ASSERT_EQ(disks.size(), 2u);
    for (int disk : disks) {
        standin::LunArray luns(1);
        ASSERT_EQ(standin::DescribeDisk(disk, &luns[0]), S_OK);
        std::wstring device = standin::DiskDeviceName(disk);
        VSS_PWSZ devices[] = {device.data()};
        BOOL supported = FALSE;
        EXPECT_EQ(provider_.Hardware()->AreLunsSupported(1, VSS_VOLSNAP_ATTR_DIFFERENTIAL, devices,
                                                         luns.data(), &supported),
                  S_OK);
        EXPECT_TRUE(supported) << standin::Facts(luns[0]);
        const std::string serial = standin::SerialOf(luns[0]);
        supported = FALSE;
        EXPECT_EQ(provider_.Hardware()->FillInLunInfo(device.data(), luns.data(), &supported), S_OK);
        EXPECT_TRUE(supported);
        EXPECT_EQ(standin::SerialOf(luns[0]), Lower(serial)) << "the provider writes the ID in lower case";
        EXPECT_EQ(standin::NaaOf(luns[0]).size(), 32u);
    }
}

}  // namespace
