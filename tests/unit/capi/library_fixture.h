// A CAPI library over the scripted transport: two controllers enumerated into a fake controller table,
// a recording reply callback, virtual time and a fresh machine root (for the event log).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/discovery_hooks.h"
#include "corlink/capi/send_path.h"
#include "corlink/foundation/nt_os.h"
#include "platform/time/clock.h"
#include "tests/support/fake_controller_table.h"
#include "tests/support/fake_transport.h"
#include "tests/support/state_reset.h"
#include "tests/support/test_root.h"

struct Delivery {
    uint32_t replyCode;
    int32_t returnCode;
    CAPI_ADDRESS address;
    uint32_t param[4];
    std::vector<uint8_t> payload;  // the first bytes of the payload (up to kKeptPayload)
    const void* payloadPointer;
};

class CapiLibraryTest : public ::testing::Test {
  protected:
    static constexpr size_t kKeptPayload = 4 * 0x40000;
    static constexpr CAPI_HANDLE kFirst = 0x100;
    static constexpr CAPI_HANDLE kSecond = 0x200;

    CapiLibraryTest() : fake(2) {
        testsupport::ResetCapiState();
        s_current = this;
        CAPI_RegisterCallback(&Record);
        CAPI_Initialize();
        uint8_t done = 0;
        CAPI_HANDLE handle = 0;
        for (uint32_t i = 0; i < 2; ++i) {
            CAPI_FindNextController(i == 0, &done, &handle, &table.context(i), table.sendBuffer(i),
                                    table.eventBuffer(i));
        }
        CAPI_SetDiscoveryHooks(&hooks);
        deliveries.clear();
        s_discoveryEnabled = false;
        s_discoveryRunning = false;
        s_payloadBytesToKeep = 64;
    }
    ~CapiLibraryTest() override {
        testsupport::ResetCapiState();
        s_current = nullptr;
    }

    static void Record(uint32_t replyCode, int32_t returnCode, const CAPI_ADDRESS* address, uint32_t p1,
                       uint32_t p2, uint32_t p3, uint32_t p4, void* payload) {
        Delivery d{replyCode, returnCode, *address, {p1, p2, p3, p4}, {}, payload};
        if (payload != nullptr) {
            const auto* bytes = static_cast<const uint8_t*>(payload);
            d.payload.assign(bytes, bytes + s_payloadBytesToKeep);
        }
        s_current->deliveries.push_back(std::move(d));
        if (s_current->onDelivery) s_current->onDelivery();
    }

    int32_t Send(uint32_t command, CAPI_HANDLE handle = kFirst, uint32_t includeType = 0,
                 const void* include = nullptr, uint32_t param1 = 0) {
        CAPI_ADDRESS address = CapiControllerAddress(handle);
        return SendCapiCommand(command, &address, includeType, include, 0, param1, 0, 0, 0, 0);
    }

    static testsupport::ReplyPacket Reply(uint32_t code, int32_t returnCode = 0,
                                          CAPI_HANDLE handle = kFirst) {
        testsupport::ReplyPacket r;
        r.commandCode = code;
        r.errorCode = returnCode;
        r.address = CapiControllerAddress(handle);
        return r;
    }

    std::string EventLog() const { return root.ReadFile("eventlog/Application.log"); }
    size_t EventRecords() const {
        std::string log = EventLog();
        return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
    }

    testsupport::TestRoot root;
    platform::ScopedVirtualClock clock;
    testsupport::FakeControllerTable table;
    testsupport::FakeTransport fake;
    std::vector<Delivery> deliveries;
    std::function<void()> onDelivery;

    static inline CapiLibraryTest* s_current = nullptr;
    static inline bool s_discoveryEnabled = false;
    static inline bool s_discoveryRunning = false;  // a database rebuild is under way
    static inline size_t s_payloadBytesToKeep = 64;
    const CapiDiscoveryHooks hooks = {[] { return s_discoveryEnabled; }, [] { return s_discoveryRunning; },
                                      [] {}};
};
