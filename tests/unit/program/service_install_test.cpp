#include "corlink/program/service_install.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "corlink/foundation/service_identity.h"
#include "platform/files/registry.h"
#include "platform/system/module_file.h"
#include "platform/system/service_state.h"
#include "platform/time/clock.h"
#include "tests/support/test_root.h"

namespace {

constexpr const char* kEventSourceKey =
    "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\corlink4";

bool ReadValue(const char* keyPath, const char* name, std::string* text, DWORD* number) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    BYTE data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    const bool ok = RegQueryValueExA(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (ok && text != nullptr) *text = reinterpret_cast<const char*>(data);
    if (ok && number != nullptr) std::memcpy(number, data, sizeof *number);
    return ok;
}

std::string Install() {
    ::testing::internal::CaptureStdout();
    InstallService();
    return ::testing::internal::GetCapturedStdout();
}

std::string Remove() {
    ::testing::internal::CaptureStdout();
    RemoveService();
    return ::testing::internal::GetCapturedStdout();
}

TEST(ServiceInstall, CreatesTheServiceRecordAndTheEventSource) {
    testsupport::TestRoot root;
    EXPECT_EQ(Install(), "DODO Rivoz 4 installed.\n");

    char program[512];
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    std::string text;
    DWORD number = 0;
    ASSERT_TRUE(ReadValue(SERVICE_KEY, "ImagePath", &text, nullptr));
    EXPECT_EQ(text, program);
    ASSERT_TRUE(ReadValue(SERVICE_KEY, "DisplayName", &text, nullptr));
    EXPECT_EQ(text, "DODO Rivoz 4");
    ASSERT_TRUE(ReadValue(SERVICE_KEY, "Start", nullptr, &number));
    EXPECT_EQ(number, 2u);
    ASSERT_TRUE(ReadValue(SERVICE_KEY, "Type", nullptr, &number));
    EXPECT_EQ(number, 0x10u);
    ASSERT_TRUE(ReadValue(kEventSourceKey, "EventMessageFile", &text, nullptr));
    EXPECT_EQ(text, program);
    // Install creates neither of the subkeys.
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(SERVICE_KEY) + "\\Parameters").c_str(), 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
}

TEST(ServiceInstall, ReinstallRemovesTheStoppedServiceFirst) {
    testsupport::TestRoot root;
    Install();
    // A second create alone fails and says so; the event source is registered all the same.
    EXPECT_EQ(Install(), "CreateService failed - The specified service already exists. (0x431)\n");

    const std::string removed = Remove();
    EXPECT_EQ(removed, "\nDODO Rivoz 4 stopped.\nDODO Rivoz 4 removed.\n");
    EXPECT_FALSE(ReadValue(SERVICE_KEY, "ImagePath", nullptr, nullptr));
    EXPECT_FALSE(ReadValue(kEventSourceKey, "EventMessageFile", nullptr, nullptr));
    EXPECT_EQ(Install(), "DODO Rivoz 4 installed.\n");
}

TEST(ServiceInstall, RemovingAMissingServiceSaysSo) {
    testsupport::TestRoot root;
    EXPECT_EQ(Remove(),
              "OpenService failed - The specified service does not exist as an installed service. (0x424)\n");
}

// A service that never leaves STOP_PENDING is polled 60 times, one second apart, then reported as not
// stopped; it is deleted all the same.
TEST(ServiceInstall, StopWaitIsBounded) {
    testsupport::TestRoot root;
    Install();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGTERM, SIG_IGN);
        ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The state file as the child would have reported it.
    SERVICE_STATUS status{
        SERVICE_WIN32_OWN_PROCESS, SERVICE_STOP_PENDING, SERVICE_ACCEPT_STOP, 0, 0, 4, 120000};
    ASSERT_TRUE(platform::WriteServiceState(SERVICE_NAME, status));
    const std::string statePath = platform::ServiceStatePath(SERVICE_NAME);
    std::string state = testsupport::ReadWholeFile(statePath);
    state.replace(state.find("pid ") + 4, state.find('\n') - 4, std::to_string(child));
    testsupport::WriteWholeFile(statePath, state);

    platform::ScopedVirtualClock clock;
    const std::string output = Remove();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    EXPECT_EQ(output, "Stopping DODO Rivoz 4." + std::string(60, '.') + "\nDODO Rivoz 4 failed to stop.\n" +
                          "DODO Rivoz 4 removed.\n");
    EXPECT_EQ(clock->Sleeps(), std::vector<uint32_t>(61, 1000));
}

}  // namespace
