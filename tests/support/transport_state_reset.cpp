#include "corlink/transport/host_adapters.h"
#include "corlink/transport/multipath.h"
#include "corlink/transport/processor_device_table.h"
#include "corlink/transport/sas_addresses.h"
#include "corlink/transport/scsi_command.h"
#include "tests/support/state_reset.h"

namespace testsupport {

void ResetTransportState() {
    InvalidateMpioCache(nullptr);
    processorDeviceTableSize = 0;
    g_LastTransferLength = 0;
    ClearHBAInfoGlobalList();
    g_HostSasAddresses = {};
    g_SupplementalSasAddresses = {};
    ResetCapiState();
}

}  // namespace testsupport
