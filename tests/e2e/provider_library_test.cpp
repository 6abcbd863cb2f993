// The provider library as the snapshot service loads it, against the real corlink4 on the simulated fabric:
// the library loaded, its class object taken from DllGetClassObject, a provider created (its start-up logs
// in, registers the heart-beat pipe and discovers the storage systems), heart beats answered, a second
// provider set up after the proxy restarted, and the library unloaded once nothing holds it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/com/com_memory.h"
#include "platform/com/com_unknown.h"
#include "platform/com/vss_interfaces.h"
#include "platform/system/module_library.h"
#include "platform/time/clock.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;

using GetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT (*)();

// {122E0BAB-DAE0-4285-B708-EB497440927A}
constexpr CLSID kProviderClass = {
    0x122E0BAB, 0xDAE0, 0x4285, {0xB7, 0x08, 0xEB, 0x49, 0x74, 0x40, 0x92, 0x7A}};

TEST(ProviderLibrary, LoadedAsTheServiceLoadsItServesTheSessionAcrossAProxyRestartAndUnloads) {
    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;  // the provider's own waits (a reset's pause) cost nothing
    e2e::ProxyOnFabric proxy(root);
    ASSERT_NO_FATAL_FAILURE(proxy.Start());
    auto log = [&] { return root.ReadFile("C/provider.log"); };

    HMODULE library = LoadLibraryA(PROVIDER_LIBRARY);
    ASSERT_NE(library, nullptr);
    auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(library, "DllGetClassObject"));
    auto canUnloadNow = reinterpret_cast<CanUnloadNow>(GetProcAddress(library, "DllCanUnloadNow"));
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    void* none = nullptr;
    const CLSID otherClass = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(getClassObject(otherClass, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(getClassObject(kProviderClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);  // the factory lives

    // The start-up of the first provider: the session, the pipe and the storage systems.
    IVssHardwareSnapshotProviderEx* first = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVssHardwareSnapshotProviderEx,
                                      reinterpret_cast<void**>(&first)),
              S_OK);
    EXPECT_NE(log().find("Entering: proxy_register_pipe"), std::string::npos) << log();
    EXPECT_EQ(e2e::Occurrences(log(), "discoverRaidControllers(): Found controller #"), 2u) << log();

    // The proxy sends a heart beat every 60 (scaled: 0.6) seconds; two answered show it kept the listener.
    const std::string answered = "WriteFile(pipe) wrote 36 bytes\n";
    const auto deadline = std::chrono::steady_clock::now() + testsupport::kChildWorkBound;
    while (e2e::Occurrences(log(), answered) < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    EXPECT_GE(e2e::Occurrences(log(), answered), 2u) << proxy.ProxyOutput();

    // A restarted proxy: the next provider's discovery meets the closed connection, sets the session up again
    // and lists the storage systems on the new one.
    proxy.StopProxy();
    ASSERT_NO_FATAL_FAILURE(proxy.StartProxy());
    IVssProviderNotifications* second = nullptr;
    ASSERT_EQ(
        factory->CreateInstance(nullptr, IID_IVssProviderNotifications, reinterpret_cast<void**>(&second)),
        S_OK);
    EXPECT_EQ(e2e::Occurrences(log(), "discoverRaidControllers(): Found controller #"), 4u) << log();
    EXPECT_EQ(e2e::Occurrences(log(), "Initialize proxy success.\n"), 1u);  // the reset
    factory->Release();

    // The service unloads one provider; the session stays for the other, whose release ends it.
    EXPECT_EQ(second->OnUnload(FALSE), S_OK);
    second->Release();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(e2e::Occurrences(log(), "Entering: ProxyUnInit"), 0u);
    first->Release();
    EXPECT_EQ(e2e::Occurrences(log(), "Entering: ProxyUnInit"), 1u);
    EXPECT_EQ(canUnloadNow(), S_OK);
    EXPECT_EQ(platform::TaskMemory().liveBlocks, 0u);
    EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
