// A fresh machine root, scripted devices and the captured debug log for tests of the SCSI command layer.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/transport/multipath.h"
#include "tests/support/scripted_devices.h"
#include "tests/support/state_reset.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

class ScsiFixture : public ::testing::Test {
  protected:
    static constexpr const char* kAdapter = "\\\\.\\Scsi2:";
    static constexpr const char* kDisk = "\\\\.\\PhysicalDrive1";

    void SetUp() override {
        testsupport::ResetTransportState();
        DebugConfig.ToDebugger = 1;
        devices.AddDevice(kAdapter);
        devices.AddDevice(kDisk);
        log.Clear();
    }
    void TearDown() override { testsupport::ResetTransportState(); }
    bool Logged(const std::string& text) { return log.Text().find(text) != std::string::npos; }

    testsupport::TestRoot root;
    testsupport::ScriptedDevices devices;
    DebuggerCapture log;
};
