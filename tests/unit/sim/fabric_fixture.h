// A host on the default scenario's fabric: the fabric behind the platform's devices, and SCSI commands
// sent as the product sends them (CreateFileA, then IOCTL_SCSI_PASS_THROUGH_DIRECT).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_packet_header.h"
#include "sim/fabric.h"
#include "sim/fabric_backend.h"
#include "sim/fabric_server.h"
#include "sim/wmi_answers.h"

namespace simtest {

struct ScsiResult {
    bool ok = false;  // the I/O control succeeded
    DWORD error = 0;  // its error when it failed
    uint8_t status = 0;
    std::vector<uint8_t> sense;
    uint32_t transferred = 0;
    uint8_t senseKey() const { return sense.size() > 2 ? sense[2] & 0x0F : 0xFF; }
    uint8_t asc() const { return sense.size() > 12 ? sense[12] : 0xFF; }
    uint8_t ascq() const { return sense.size() > 13 ? sense[13] : 0xFF; }
};

// The default scenario's controller A management LUN: adapter 2, bus 0, target 0, LUN 0.
inline constexpr sim::ScsiAddress kLunA{2, 0, 0, 0};
inline constexpr sim::ScsiAddress kLunB{3, 0, 0, 0};

// How the test reaches the fabric: installed in the process, or served on a socket to the platform's
// fabric client, as the proxy reaches arraysim.
enum class Reach { InProcess, ThroughSocket };
std::string ReachName(const ::testing::TestParamInfo<Reach>& info);

class FabricTest : public ::testing::TestWithParam<Reach> {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the fabric the process's WMI provider (in process, or through the socket's client).
    void InstallWmi();

    ScsiResult Scsi(const std::string& device, const sim::ScsiAddress& address, std::vector<uint8_t> cdb,
                    bool dataIn, uint8_t* data, uint32_t length);
    ScsiResult Inquiry(const sim::ScsiAddress& address, bool evpd, uint8_t page, std::vector<uint8_t>* data);
    ScsiResult WriteBuffer(const sim::ScsiAddress& address, const std::vector<uint8_t>& packet);
    // READ BUFFER of up to 0x40050 bytes; the reply bytes in *packet.
    ScsiResult ReadBuffer(const sim::ScsiAddress& address, std::vector<uint8_t>* packet);
    // WRITE BUFFER then READ BUFFER; the reply packet, empty when either failed.
    std::vector<uint8_t> Exchange(const sim::ScsiAddress& address, const std::vector<uint8_t>& request);

    std::unique_ptr<sim::Fabric> fabric_;
    std::unique_ptr<sim::FabricBackend> backend_;
    std::unique_ptr<sim::FabricServer> server_;
    std::unique_ptr<platform::DeviceBackend> client_;
    std::unique_ptr<sim::FabricWmi> wmi_;
    std::unique_ptr<platform::WmiProvider> wmiClient_;
};

std::string AdapterName(uint8_t adapter);
// A request packet with no include, as the product builds it.
std::vector<uint8_t> RequestPacket(uint32_t commandCode, uint32_t param5 = 0, uint16_t partCount = 0,
                                   uint16_t partIndex = 0);
// A request carrying an include of this type.
std::vector<uint8_t> IncludeRequest(uint32_t commandCode, uint32_t includeType, const void* include,
                                    size_t length, uint32_t param1);
// A request naming an object: a CAPI_OBJECT_ID (include type 21) that starts with `id`.
std::vector<uint8_t> ObjectRequest(uint32_t commandCode, const uint8_t* id, size_t length);
CAPI_PACKET_HEADER HeaderOf(const std::vector<uint8_t>& packet);

}  // namespace simtest
