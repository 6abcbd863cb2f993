#include "corlink/transport/csmi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/unit/transport/scsi_fixture.h"

namespace {

using testsupport::ScriptedReply;

class CsmiTest : public ScsiFixture {
  protected:
    // An answer with count phys, phy i attached to address byte 7 = addressOf(i).
    static ScriptedReply Phys(uint8_t count, std::function<uint8_t(int)> addressOf) {
        ScriptedReply reply;
        reply.edit = [count, addressOf](uint8_t* out, DWORD size) {
            ASSERT_EQ(size, sizeof(CSMI_SAS_PHY_INFO_BUFFER));
            auto* info = reinterpret_cast<CSMI_SAS_PHY_INFO_BUFFER*>(out);
            info->Information.bNumberOfPhys = count;
            for (int i = 0; i < 32; ++i) {
                info->Information.Phy[i].Identify.bPhyIdentifier = static_cast<uint8_t>(i);
                info->Information.Phy[i].Attached.bSASAddress[0] = 0x50;
                info->Information.Phy[i].Attached.bSASAddress[7] = addressOf(i);
            }
        };
        return reply;
    }
};

TEST_F(CsmiTest, PhyQueryRunsOnlyWhileSwitchedOn) {
    gDisableCSMI = false;
    CsmiQueryAdapters();
    EXPECT_TRUE(CsmiPhyRecords().empty());
    EXPECT_TRUE(devices.Opens().empty());

    gDisableCSMI = true;
    devices.Queue(kAdapter, Phys(40, [](int i) { return static_cast<uint8_t>(i); }));
    CsmiQueryAdapters();
    ASSERT_EQ(CsmiPhyRecords().size(), 1u);  // only adapter 2 exists
    const CSMI_PHY_RECORD& record = CsmiPhyRecords()[0];
    EXPECT_EQ(record.adapter, 2u);
    EXPECT_STREQ(record.adapterName, kAdapter);
    EXPECT_EQ(record.phyInfo.bNumberOfPhys, 32);  // a count above the table is clamped
    auto call = devices.Calls().at(0);
    EXPECT_EQ(call.code, IOCTL_SCSI_MINIPORT);
    SRB_IO_CONTROL header;
    std::memcpy(&header, call.in.data(), sizeof header);
    EXPECT_EQ(header.ControlCode, 20u);
    EXPECT_EQ(header.Length, 2052u);
    EXPECT_EQ(devices.Opens().size(), 32u);
    EXPECT_TRUE(Logged("CC_CSMI_SAS_GET_PHY_INFO: success=1 bytesReturned=0\n")) << log.Text();
}

TEST_F(CsmiTest, WalkProbesEachAttachedAddressOnce) {
    gDisableCSMI = true;
    devices.Queue(kAdapter, Phys(4, [](int i) { return static_cast<uint8_t>(i < 2 ? 0xA : 0xB); }));
    CsmiQueryAdapters();
    std::vector<std::string> probes;
    auto probe = [&](const char* name, uint32_t adapter, uint8_t bus, uint8_t target, uint8_t lun,
                     const uint8_t* sas) {
        probes.push_back(std::string(name) + " " + std::to_string(adapter) + " " + std::to_string(bus) + " " +
                         std::to_string(target) + " " + std::to_string(lun) + " " + std::to_string(sas[7]));
    };
    EXPECT_FALSE(CsmiFindProcessorDevices(2, probe, [](uint32_t) { return true; }));
    EXPECT_EQ(probes, (std::vector<std::string>{"\\\\.\\Scsi2: 2 0 0 0 10", "\\\\.\\Scsi2: 2 2 0 0 11"}));
    EXPECT_TRUE(
        Logged("FindProcessorDevices: phy 1, destSASAddress 500000000000000A\n"
               "FindProcessorDevices: skip the dest SAS Address!\n"))
        << log.Text();
    EXPECT_TRUE(Logged("FindProcessorDevices: End with CSMI.\n"));
    EXPECT_TRUE(CsmiFindProcessorDevices(2, probe, [](uint32_t) { return false; }));
    EXPECT_TRUE(CsmiFindProcessorDevices(3, probe, [](uint32_t) { return true; }));  // no record: SCSI walk
}

}  // namespace
