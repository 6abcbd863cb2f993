// A scripted proxy's controller pair holding one volume of each kind, discovered into the controller set
// that LUN identification looks LUNs up in; the event log emptied after the discovery.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/system/application_event_log.h"
#include "provider/controllers/lun_identification.h"
#include "tests/support/test_root.h"
#include "tests/unit/provider/controller_set_fixture.h"
#include "tests/unit/provider/vds_lun_fixture.h"

namespace providertest {

constexpr uint8_t kStandard = 0x5A;
constexpr uint8_t kMaster = 0x6B;
constexpr uint8_t kPaged = 0x7C;
constexpr uint8_t kSnapshot = 0xAB;
constexpr uint8_t kUnknown = 0x99;

inline std::vector<Volume> PairVolumes() {
    return {{"std", kStandard, 0},
            {"master", kMaster, 0, 1, 2},
            {"paged", kPaged, 1, 0, 0, 1},
            {"snap", kSnapshot, 1, 1, 3}};
}

class LunIdentificationTest : public ControllerSetTest {
  protected:
    void SetUp() override {
        ControllerSetTest::SetUp();
        subsystems_ = {{"PAIR-1", 0x101, 0x102}};
        Pair("V1.2");
        ASSERT_EQ(set_->discoverRaidControllers(FALSE), S_OK);
        std::remove(platform::EventLogPath().c_str());
    }
    void Pair(const char* firmware, std::vector<Volume> volumes = PairVolumes()) {
        controllers_[0x101] = Controller("SN-A1").Firmware(firmware).With(volumes);
        controllers_[0x102] = Controller("SN-B1").B().Firmware(firmware).With(volumes);
    }
    HRESULT Identify(LunRecords& luns, DWORD standardVolumes, BOOL* supported) {
        providertest::DeviceNames names(static_cast<size_t>(luns.count()));
        return BVSS_IdentifyLuns(*set_, luns.count(), names.data(), luns.data(), standardVolumes, supported);
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }
    static size_t Occurrences(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }
};

}  // namespace providertest
