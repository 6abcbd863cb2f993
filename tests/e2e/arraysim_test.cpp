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

#include "platform/devices/device_io.h"
#include "platform/devices/fabric_client.h"
#include "platform/devices/scsi_layouts.h"
#include "platform/files/file_io.h"
#include "platform/files/registry.h"
#include "platform/kernel/handles.h"
#include "platform/kernel/last_error.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;

// arraysim started on a fresh machine root, its socket up.
class ArraysimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_LT(socket_.size(), 100u);
        ASSERT_TRUE(arraysim_.started());
        ASSERT_TRUE(testsupport::WaitForFile(socket_, 20s)) << arraysim_.Output();
        client_ = platform::MakeFabricClient(socket_);
        platform::SetDeviceBackend(client_.get());
    }
    void TearDown() override { platform::SetDeviceBackend(nullptr); }

    // One SCSI command to LUN 0 of an adapter, as the product sends it; false when the I/O control failed.
    bool PassThrough(uint8_t adapter, std::vector<uint8_t> cdb, bool dataIn, std::vector<uint8_t>* data,
                     DWORD* error = nullptr) {
        const std::string name = "\\\\.\\Scsi" + std::to_string(adapter) + ":";
        HANDLE device = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) return false;
        std::vector<uint8_t> block(608, 0);
        SCSI_PASS_THROUGH_DIRECT request{};
        request.Length = sizeof request;
        request.CdbLength = static_cast<BYTE>(cdb.size());
        request.SenseInfoLength = 32;
        request.DataIn = dataIn ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
        request.DataTransferLength = static_cast<DWORD>(data->size());
        request.DataBuffer = data->data();
        request.SenseInfoOffset = 60;
        request.TimeOutValue = 60;
        std::memcpy(request.Cdb, cdb.data(), cdb.size());
        std::memcpy(block.data(), &request, sizeof request);
        DWORD returned = 0;
        const bool ok = DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, block.data(), 608,
                                        block.data(), 608, &returned, nullptr) != FALSE;
        if (!ok && error != nullptr) *error = GetLastError();
        CloseHandle(device);
        std::memcpy(&request, block.data(), sizeof request);
        data->resize(request.DataTransferLength);
        return ok;
    }

    // A CAPI command without include through WRITE BUFFER and READ BUFFER: the reply's error code, or -1
    // when no reply came.
    int64_t Capi(uint8_t adapter, uint32_t command) {
        std::vector<uint8_t> packet(80, 0);
        packet[2] = 3;
        std::memcpy(packet.data() + 8, "CAPI", 4);
        std::memcpy(packet.data() + 16, &command, 4);
        packet[60] = 80;
        if (!PassThrough(adapter, {0x3B, 1, 0, 0, 0, 0, 0, 0, 80, 0}, false, &packet)) return -1;
        std::vector<uint8_t> reply(0x40050, 0);
        if (!PassThrough(adapter, {0x3C, 1, 0, 0, 0, 0, 0x04, 0x00, 0x50, 0}, true, &reply) ||
            reply.size() < 80) {
            return -1;
        }
        uint32_t code = 0;
        std::memcpy(&code, reply.data() + 40, 4);
        return code;
    }

    std::string Admin(const std::string& message) {
        std::string answer;
        EXPECT_TRUE(platform::SendFabricAdmin(socket_, message, &answer)) << message;
        return answer;
    }

    testsupport::TestRoot root_;
    const std::string socket_ = root_.path() + "/fabric.sock";
    testsupport::ChildProcess arraysim_{ARRAYSIM_PROGRAM,
                                        {},
                                        {"CORLINK_ROOT=" + root_.path(), "CORLINK_FABRIC=" + socket_},
                                        root_.path() + "/arraysim.txt"};
    std::unique_ptr<platform::DeviceBackend> client_;
};

TEST_F(ArraysimTest, ServesTheDefaultScenarioToTheFabricClientAndStopsOnSigterm) {
    std::vector<uint8_t> data(96, 0);
    EXPECT_TRUE(PassThrough(3, {0x12, 0, 0, 0, 96, 0}, true, &data));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data()) + 44, 7), "CAPIPTB");
    const testsupport::TestRoot& root = root_;
    testsupport::ChildProcess& arraysim = arraysim_;
    const std::string& socket = socket_;

    // The device map under the same machine root.
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE,
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
    (void)root;
}

// A second process drives the fabric through its administration channel: a fault, a controller down for a
// time, and the journal of what the controllers received.
TEST_F(ArraysimTest, AdministrationChannelInjectsFaultsTakesAControllerDownAndReadsTheJournal) {
    EXPECT_EQ(Admin("fault pair=0 half=a kind=return-code command=1004 code=47"), "ok");
    EXPECT_EQ(Capi(2, 1004), 47);
    EXPECT_EQ(Capi(2, 1004), 0);  // used up

    EXPECT_EQ(Admin("condition pair=0 half=b state=down ms=600000"), "ok");
    EXPECT_EQ(Capi(3, 1002), -1);  // no reply
    EXPECT_EQ(Capi(2, 1002), 0);   // its partner answers
    EXPECT_EQ(Admin("reboot pair=0 half=b ms=0"), "ok");
    EXPECT_EQ(Capi(3, 1002), 0);

    const std::string journal = Admin("journal");
    EXPECT_EQ(journal.rfind("ok\n", 0), 0u) << journal;
    EXPECT_NE(journal.find("capi "), std::string::npos);
    EXPECT_NE(journal.find(" a 00C0FF1A2B01 1004 include=0 fault=return code\n"), std::string::npos)
        << journal;
    EXPECT_NE(journal.find(" b 00C0FF1A2B02 1002 include=0 fault=down\n"), std::string::npos) << journal;
    EXPECT_EQ(Admin("fault pair=0 half=c kind=return-code"), "error half is not a or b");
    EXPECT_EQ(Admin("clear-journal"), "ok");
    EXPECT_EQ(Admin("journal"), "ok\n");
}

}  // namespace
