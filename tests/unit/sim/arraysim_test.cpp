// The real arraysim as a child process with its own machine root: it writes the device map, serves the
// fabric to the platform's client over its socket, and stops on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_io.h"
#include "platform/fabric_client.h"
#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/scsi_layouts.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;

bool WaitForFile(const std::string& path, std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(Arraysim, ServesTheDefaultScenarioToTheFabricClientAndStopsOnSigterm) {
    testsupport::TestRoot root;
    const std::string socket = root.path() + "/fabric.sock";
    ASSERT_LT(socket.size(), 100u);
    testsupport::ChildProcess arraysim(ARRAYSIM_PROGRAM, {},
                                       {"CORLINK_ROOT=" + root.path(), "CORLINK_FABRIC=" + socket},
                                       root.path() + "/arraysim.txt");
    ASSERT_TRUE(arraysim.started());
    ASSERT_TRUE(WaitForFile(socket, 20s)) << arraysim.Output();

    std::unique_ptr<platform::DeviceBackend> client = platform::MakeFabricClient(socket);
    platform::SetDeviceBackend(client.get());
    HANDLE adapter = CreateFileA("\\\\.\\Scsi3:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(adapter, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> block(608, 0);
    std::vector<uint8_t> data(96, 0);
    SCSI_PASS_THROUGH_DIRECT request{};
    request.Length = sizeof request;
    request.CdbLength = 6;
    request.SenseInfoLength = 32;
    request.DataIn = SCSI_IOCTL_DATA_IN;
    request.DataTransferLength = static_cast<DWORD>(data.size());
    request.DataBuffer = data.data();
    request.SenseInfoOffset = 60;
    const uint8_t cdb[6] = {0x12, 0, 0, 0, 96, 0};
    std::memcpy(request.Cdb, cdb, sizeof cdb);
    std::memcpy(block.data(), &request, sizeof request);
    DWORD returned = 0;
    EXPECT_TRUE(DeviceIoControl(adapter, IOCTL_SCSI_PASS_THROUGH_DIRECT, block.data(), 608, block.data(), 608,
                                &returned, nullptr));
    CloseHandle(adapter);
    platform::SetDeviceBackend(nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data()) + 44, 7), "CAPIPTB");

    // The device map under the same machine root.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 3\\Scsi Bus 0\\Target Id 0\\Logical Unit Id 1", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    char serial[64] = {};
    DWORD size = sizeof serial - 1;
    EXPECT_EQ(RegQueryValueExA(key, "SerialNumber", nullptr, nullptr, reinterpret_cast<BYTE*>(serial), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::string(serial).substr(0, 12), "00C0FF1A2B02");

    arraysim.Signal(SIGTERM);
    const int status = arraysim.WaitForExit(20s);
    ASSERT_TRUE(WIFEXITED(status)) << arraysim.Output();
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(socket));
}

}  // namespace
