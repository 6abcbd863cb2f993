// The platform's fabric client when the server is missing, goes away and comes back.
#include "platform/devices/fabric_client.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/fabric.h"
#include "sim/fabric_backend.h"
#include "sim/fabric_server.h"
#include "tests/support/scenario_fabric.h"

namespace {

TEST(FabricClient, NoServerMeansNoDevicesAndARestartedServerIsFoundAgain) {
    std::unique_ptr<sim::Fabric> loaded;
    ASSERT_NO_FATAL_FAILURE(testsupport::LoadFabric(SIM_SCENARIO_DIR "/default.ini", &loaded));
    sim::Fabric& fabric = *loaded;
    sim::FabricBackend backend(fabric);
    const std::string path = "/tmp/sim_fabric_client_" + std::to_string(::getpid()) + ".sock";
    std::unique_ptr<platform::DeviceBackend> client = platform::MakeFabricClient(path);

    DWORD code = 0;
    EXPECT_EQ(client->Open("\\\\.\\Scsi2:", &code), nullptr);
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
    char names[64];
    EXPECT_EQ(client->QueryDosDevice(nullptr, names, sizeof names, &code), 0u);

    std::unique_ptr<platform::OpenedDevice> fromLastRound;
    for (int round = 0; round < 2; ++round) {
        sim::FabricServer server(backend, path);
        ASSERT_TRUE(server.Start());
        code = 0;
        std::unique_ptr<platform::OpenedDevice> adapter = client->Open("\\\\.\\Scsi2:", &code);
        ASSERT_NE(adapter, nullptr) << round;
        EXPECT_EQ(client->Open("\\\\.\\Scsi9:", &code), nullptr);
        EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
        char target[64] = {};
        EXPECT_GT(client->QueryDosDevice("PhysicalDrive1", target, sizeof target, &code), 0u);
        EXPECT_STREQ(target, "\\Device\\Harddisk1\\DR1");
        DWORD returned = 0;
        EXPECT_FALSE(adapter->Control(0, nullptr, 0, nullptr, 0, &returned, &code));
        EXPECT_EQ(code, 50u) << "answered by the server: an I/O control the adapter does not serve";
        // A device opened over the connection before the server went is gone for good.
        if (fromLastRound) {
            EXPECT_FALSE(fromLastRound->Control(0, nullptr, 0, nullptr, 0, &returned, &code));
            EXPECT_EQ(code, ERROR_DEV_NOT_EXIST);
        }
        fromLastRound = std::move(adapter);
        server.Stop();  // the next round's server is a new one on the same path
        EXPECT_EQ(client->Open("\\\\.\\Scsi2:", &code), nullptr);
    }
    fromLastRound.reset();
}

}  // namespace
