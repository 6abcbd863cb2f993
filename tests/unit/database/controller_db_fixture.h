// A controller database filled entry by entry: real controllers with their own receive buffers and
// transport context, and placeholders sharing their mate's. Emptied before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corlink/capi/controller_handles.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/database_state.h"
#include "corlink/foundation/nt_os.h"
#include "tests/support/state_reset.h"

struct EntryFields {
    std::string serial;
    std::string mateSerial;
    uint8_t failoverId = 1;
    uint8_t responds = 1;
    int partnerOf = -1;  // a placeholder of the entry at this index
};

class ControllerDbTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kRawBufferSize = 262231;

    ControllerDbTest() { Reset(); }
    ~ControllerDbTest() override { Reset(); }

    static void Reset() { testsupport::ResetDatabaseState(); }

    // Appends an entry as discovery would make it: a real controller with its own receive buffers and
    // transport context, or a placeholder sharing its mate's.
    RAID_CONTROLLER& Add(const EntryFields& fields) {
        const uint32_t index = g_NumControllers++;
        RAID_CONTROLLER& entry = g_ControllerDb[index];
        std::memcpy(entry.controller.serialNumber, fields.serial.data(), fields.serial.size());
        entry.controller.serialNumberLength = static_cast<uint8_t>(fields.serial.size());
        std::memcpy(entry.controller.failover.otherSerialNumber, fields.mateSerial.data(),
                    fields.mateSerial.size());
        entry.controller.failover.failoverId = fields.failoverId;
        ProcessorDeviceOf(entry).responds = fields.responds;
        if (fields.partnerOf < 0) {
            entry.rawCapiBuffer = static_cast<uint8_t*>(safe_malloc(kRawBufferSize));
            entry.rawEventBuffer = static_cast<uint8_t*>(safe_malloc(kRawBufferSize));
            entry.pCapiBuffer = entry.rawCapiBuffer;
            entry.pEventBuffer = entry.rawEventBuffer;
            entry.controllerContext.pCapiBuffer = entry.pCapiBuffer;
            entry.controllerContext.pEventBuffer = entry.pEventBuffer;
            PointIoBlockAt(entry, &entry.controllerContext);
            entry.controllerHandle = (index + 1) * 256;
        } else {
            RAID_CONTROLLER& mate = g_ControllerDb[static_cast<uint32_t>(fields.partnerOf)];
            entry.isPartner = 1;
            entry.controllerHandle = mate.controllerHandle;
            entry.pCapiBuffer = mate.pCapiBuffer;
            entry.pEventBuffer = mate.pEventBuffer;
            entry.controllerContext.pCapiBuffer = mate.pCapiBuffer;
            entry.controllerContext.pEventBuffer = mate.pEventBuffer;
            PointIoBlockAt(entry, &mate.controllerContext);
        }
        return entry;
    }

    static RAID_CONTROLLER& At(uint32_t index) { return g_ControllerDb[index]; }
    static CAPI_CONTROLLER_CONTEXT* IoTarget(uint32_t index) {
        return At(index).controllerContext.lmxIob.pControllerContext;
    }
};
