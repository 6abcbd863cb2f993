// The provider's proxy session against the real corlink4 on the simulated fabric (arraysim), each a child
// process sharing the test's machine root: log in, register the heart-beat pipe, answer the heart beats
// the proxy sends, list the storage systems, and set the session up again after the proxy restarts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/time/clock.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/debug_log.h"
#include "provider/controllers/proxy_calls.h"
#include "provider/controllers/proxy_session.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kStartBound = testsupport::kChildWorkBound;

using e2e::Occurrences;

TEST(ProviderSession, LogsInAnswersHeartBeatsListsSubsystemsAndSurvivesAProxyRestart) {
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;  // the provider's own waits (the reset's pause) cost nothing
    e2e::ProxyOnFabric proxy(root);
    ASSERT_NO_FATAL_FAILURE(proxy.Start());
    BVSS_DebugLog::StaticInit();

    ASSERT_EQ(ProxyInit(), 0) << root.ReadFile("C/provider.log");
    std::vector<ProxySubsystem> subsystems;
    ASSERT_EQ(get_subsystems(&subsystems), 0);
    ASSERT_EQ(subsystems.size(), 1u);
    EXPECT_NE(subsystems[0].controllerA, 0u);
    EXPECT_NE(subsystems[0].controllerB, 0u);

    // A controller object refreshed through the proxy finds the scenario's volumes by name and by ID.
    auto controller = std::make_unique<BVSS_CapiRaidController>();
    controller->mHandle = static_cast<int32_t>(subsystems[0].controllerA);
    ASSERT_EQ(controller->capiUpdateController(1), S_OK) << root.ReadFile("C/provider.log");
    EXPECT_EQ(controller->mNumArrays, 2u);
    CAPI_ARRAY_PARTITION* byName = nullptr;
    ASSERT_EQ(controller->findPartition("data01", 7, &byName, PartitionKeyKind::Name), S_OK);
    CAPI_ARRAY_PARTITION* byId = nullptr;
    ASSERT_EQ(controller->findPartition(byName->serialNumber, 16, &byId), S_OK);
    EXPECT_EQ(byId, byName);
    CAPI_ARRAY_PARTITION* missing = nullptr;
    EXPECT_EQ(controller->findPartition("nosuchvolume", 13, &missing, PartitionKeyKind::Name),
              VSS_E_OBJECT_NOT_FOUND);

    // The proxy sends a heart beat every 60 (scaled: 0.6) seconds; two answered show it kept the listener.
    const std::string answered = "WriteFile(pipe) wrote 36 bytes\n";
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    while (Occurrences(root.ReadFile("C/provider.log"), answered) < 2 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    EXPECT_GE(Occurrences(root.ReadFile("C/provider.log"), answered), 2u) << proxy.ProxyOutput();

    // A restarted proxy: the command that meets the closed connection fails and sets the session up again;
    // the next one works.
    proxy.StopProxy();
    ASSERT_NO_FATAL_FAILURE(proxy.StartProxy());
    subsystems.clear();
    const int first = get_subsystems(&subsystems);
    if (first != 0) {
        EXPECT_EQ(get_subsystems(&subsystems), 0) << root.ReadFile("C/provider.log");
    }
    EXPECT_EQ(subsystems.size(), 1u);
    EXPECT_NE(root.ReadFile("C/provider.log").find("Initialize proxy success.\n"), std::string::npos);

    // A proxy that is not listening when the session is set up again: the command fails, and the next
    // command after the proxy is back connects again and works.
    proxy.StopProxy();
    EXPECT_NE(get_subsystems(&subsystems), 0);
    EXPECT_NE(root.ReadFile("C/provider.log").find("Initialize proxy fail!\n"), std::string::npos);
    ASSERT_NO_FATAL_FAILURE(proxy.StartProxy());
    subsystems.clear();
    EXPECT_EQ(get_subsystems(&subsystems), 0) << root.ReadFile("C/provider.log");
    EXPECT_EQ(subsystems.size(), 1u);

    ProxyUnInit();
    BVSS_DebugLog::StaticDeinit();
}

// The wrappers of the snapshot, view and host commands against the proxy's own handlers on the fabric's
// default scenario.
TEST(ProviderSession, SnapshotViewAndHostCommandsAgainstTheFabric) {
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;
    e2e::ProxyOnFabric proxy(root);
    ASSERT_NO_FATAL_FAILURE(proxy.Start());
    BVSS_DebugLog::StaticInit();
    ASSERT_EQ(ProxyInit(), 0);
    std::vector<ProxySubsystem> subsystems;
    ASSERT_EQ(get_subsystems(&subsystems), 0);
    ASSERT_EQ(subsystems.size(), 1u);

    auto controller = std::make_unique<BVSS_CapiRaidController>();
    controller->mHandle = static_cast<int32_t>(subsystems[0].controllerA);
    ASSERT_EQ(controller->updateConfigAll(), S_OK) << root.ReadFile("C/provider.log");
    EXPECT_EQ(controller->mSnapshotCount, 0u);
    EXPECT_EQ(controller->countSnapshots(kSelectAllControllers), 0u);

    // This host's FC ports as the proxy gathered them.
    std::vector<FlexIDEntry> ports;
    ASSERT_EQ(controller->capiGetHbaWwpnList(&ports, 0), S_OK);
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports[0].mKind, kFlexKindFibreChannel);

    // The partition view of a mapped volume names the volume; the host view of a port lists what is mapped.
    CAPI_ARRAY_PARTITION* volume = nullptr;
    ASSERT_EQ(controller->findPartition("data01", 7, &volume, PartitionKeyKind::Name), S_OK);
    CAPI_PARTITION_VIEW_TABLE* view = &controller->mPartitionView;
    ASSERT_EQ(get_part_view(controller->mHandle, volume->serialNumber, view), 0);
    EXPECT_EQ(std::memcmp(&view->partitionSerialNumber, volume->serialNumber, 16), 0);
    CAPI_HOST_VIEW_TABLE* hostView = &controller->mHostView;
    ASSERT_EQ(get_host_view(controller->mHandle, kSelectAllControllers, &ports[0], 0, hostView), 0);
    EXPECT_GE(hostView->numPartitions, 1);

    uint8_t tag[8] = {};
    EXPECT_EQ(dms_get_tag(controller->mHandle, controller->getFailoverId(), tag), 0);

    // The set-identifier mark as a volume's description, and a mapping of a volume to this host's port (the
    // fabric presents a volume on a channel whose access byte is 0xC0 or above).
    const GUID set{0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(controller->capiUpdateIdentInfo(volume->serialNumber, set), S_OK)
        << root.ReadFile("C/provider.log");
    CAPI_ARRAY_PARTITION* spare = nullptr;
    ASSERT_EQ(controller->findPartition("spare01", 8, &spare, PartitionKeyKind::Name), S_OK);
    const uint16_t mappedBefore = hostView->numPartitions;
    EXPECT_EQ(create_custom_view(controller->mHandle, spare->serialNumber, 9, 0xC0, &ports[0], nullptr), 0);
    ASSERT_EQ(get_host_view(controller->mHandle, kSelectAllControllers, &ports[0], 0, hostView), 0);
    EXPECT_EQ(hostView->numPartitions, mappedBefore + 1);
    ASSERT_EQ(get_part_view(controller->mHandle, spare->serialNumber, view), 0);
    EXPECT_EQ(view->numHosts, 1);
    EXPECT_EQ(view->mappings[0].hlun, 9);

    ProxyUnInit();
    BVSS_DebugLog::StaticDeinit();
}

}  // namespace
