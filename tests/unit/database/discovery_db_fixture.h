// A controller database built entry by entry as enumeration appends controllers: each real entry owns
// its receive buffers and its transport context. Emptied before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corlink/capi/controller_handles.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/database/storage_system.h"
#include "corlink/foundation/nt_os.h"
#include "tests/support/state_reset.h"

struct Found {
    std::string serial;
    std::string mateSerial;
    uint8_t failoverId = 1;  // 1 controller A, 0 controller B
    uint8_t responds = 1;
    uint8_t lun = 0;
};

class DiscoveryDbTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kRawBufferSize = 262231;

    DiscoveryDbTest() { testsupport::ResetDatabaseState(); }
    ~DiscoveryDbTest() override { testsupport::ResetDatabaseState(); }

    // Between the cases of one test.
    static void Empty() {
        EmptyControllerDb();
        ClearStorageSystems();
        g_CurrentController = -1;
    }

    // Appends a controller as enumeration does.
    static RAID_CONTROLLER& Append(const Found& found) {
        const uint32_t index = g_NumControllers++;
        RAID_CONTROLLER& entry = g_ControllerDb[index];
        std::memset(static_cast<void*>(&entry), 0, sizeof(entry));
        std::memcpy(entry.controller.serialNumber, found.serial.data(), found.serial.size());
        std::memcpy(entry.controller.failover.otherSerialNumber, found.mateSerial.data(),
                    found.mateSerial.size());
        entry.controller.failover.failoverId = found.failoverId;
        PROCESSOR_DEVICE& device = ProcessorDeviceOf(entry);
        device.responds = found.responds;
        device.lun = found.lun;
        device.id = found.failoverId;
        entry.rawCapiBuffer = static_cast<uint8_t*>(safe_malloc(kRawBufferSize));
        entry.rawEventBuffer = static_cast<uint8_t*>(safe_malloc(kRawBufferSize));
        entry.pCapiBuffer = entry.controllerContext.pCapiBuffer = entry.rawCapiBuffer;
        entry.pEventBuffer = entry.controllerContext.pEventBuffer = entry.rawEventBuffer;
        PointIoBlockAt(entry, &entry.controllerContext);
        entry.controllerHandle = Context2Handle(&entry.controllerContext);
        return entry;
    }

    static RAID_CONTROLLER& At(uint32_t index) { return g_ControllerDb[index]; }
    static std::string Serial(uint32_t index) {
        const auto* text = reinterpret_cast<const char*>(At(index).controller.serialNumber);
        return std::string(text, strnlen(text, sizeof(At(index).controller.serialNumber)));
    }
    static CAPI_CONTROLLER_CONTEXT* IoTarget(uint32_t index) {
        return At(index).controllerContext.lmxIob.pControllerContext;
    }
};
