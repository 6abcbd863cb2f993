// The commands that discovery and the transport send, over sendScsiCommand.
#include <cstring>
#include <iterator>

#include "corlink/capi_wire/management_lun.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/transport/scsi_command.h"

namespace {

constexpr uint32_t kPage83Length = 252;
constexpr uint32_t kDescriptorsStart = 4;
constexpr uint32_t kDescriptorSpan = 36;  // a descriptor is looked at only when this much of it fits
constexpr uint8_t kCodeSetBinary = 1;
constexpr uint8_t kIdentifierVendorSpecific = 0;
constexpr uint8_t kMinIdentifierLength = 32;

const uint8_t* SasAddressOf(const PROCESSOR_DEVICE* device) {
    return device->hasSasAddress ? device->sasAddress : nullptr;
}

// The identifier of the first vendor-specific binary descriptor of at least 32 bytes, or null.
const uint8_t* FindControllerIdentifier(const uint8_t* page) {
    for (uint32_t start = kDescriptorsStart; start + kDescriptorSpan <= kPage83Length;) {
        const uint8_t* descriptor = page + start;
        const uint8_t length = descriptor[3];
        if ((descriptor[0] & 0x0F) == kCodeSetBinary && (descriptor[1] & 0x0F) == kIdentifierVendorSpecific &&
            length >= kMinIdentifierLength && start + 4 + length <= kPage83Length) {
            return descriptor + 4;
        }
        start += 4 + length;
    }
    return nullptr;
}

struct TestUnitReadyOutcome {
    int8_t responds;  // -1: unchanged
    int8_t ready;
    int tryAgain;
};

// Indexed by result code.
constexpr TestUnitReadyOutcome kTestUnitReadyOutcomes[] = {
    {1, 1, 0}, {1, 0, 0}, {1, 0, 1}, {1, 0, 1}, {1, 0, 1}, {0, 0, 1}, {0, 0, 0}, {-1, -1, 0},
};

}  // namespace

int sendTestUnitReady(const PROCESSOR_DEVICE* device) {
    if (g_ScsiVerbose) DebugPrint("sendTestUnitReady: Entered\n");
    uint32_t returned = 0;
    int result =
        sendScsiCommand(SCSI_CMD_TEST_UNIT_READY, device->deviceName, static_cast<uint8_t>(device->bus),
                        device->target, device->lun, SasAddressOf(device), nullptr, 0, &returned);
    if (g_ScsiVerbose) DebugPrint("sendTestUnitReady: Leaving\n");
    return result;
}

int sendWriteBuf(const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun, const uint8_t* sasAddress,
                 void* buffer, uint32_t length) {
    if (g_StopFlag == 1) return SCSI_RESULT_BAD_COMMAND;
    if (g_ScsiVerbose) DebugPrint("sendWriteBuf: Entered\n");
    uint32_t returned = 0;
    int result = sendScsiCommand(SCSI_CMD_WRITE_BUFFER, deviceName, bus, target, lun, sasAddress, buffer,
                                 length, &returned);
    if (g_ScsiVerbose) DebugPrint("sendWriteBuf: Leaving\n");
    return result;
}

int sendReadBuf(const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun, const uint8_t* sasAddress,
                void* buffer, uint32_t length, uint32_t* received) {
    if (g_ScsiVerbose) DebugPrint("sendReadBuf: Entered\n");
    uint32_t returned = 0;
    int result = sendScsiCommand(SCSI_CMD_READ_BUFFER, deviceName, bus, target, lun, sasAddress, buffer,
                                 length, &returned);
    if (received != nullptr) *received = returned;
    if (result != SCSI_RESULT_GOOD) {
        DebugPrint("sendReadBuf: Leaving\n");
    } else {
        DebugPrint("sendReadBuf: Leaving, number of bytes received = %ld\n", static_cast<long>(returned));
    }
    return result;
}

int sendInquiry_page83(PROCESSOR_DEVICE* device, uint8_t* port) {
    uint8_t page[kPage83Length] = {};
    uint32_t returned = 0;
    int result =
        sendScsiCommand(SCSI_CMD_INQUIRY_PAGE_83, device->deviceName, static_cast<uint8_t>(device->bus),
                        device->target, device->lun, SasAddressOf(device), page, sizeof page, &returned);
    if (result != SCSI_RESULT_GOOD) return result;
    if (port != nullptr) *port = page[MANAGEMENT_LUN_CONTROLLER_PORT_OFFSET];
    DebugPrint("sendInquiry_page83: Good: port = %d\n", page[MANAGEMENT_LUN_CONTROLLER_PORT_OFFSET]);
    const uint8_t* identifier = FindControllerIdentifier(page);
    if (identifier != nullptr) {
        std::memcpy(device->controllerSerialNumber, identifier + 8, PROCESSOR_DEVICE_SERIAL_LENGTH);
        std::memcpy(device->controllerUniqueId, identifier + 1, PROCESSOR_DEVICE_SERIAL_LENGTH);
    } else {
        std::memset(device->controllerSerialNumber, 0, PROCESSOR_DEVICE_SERIAL_LENGTH);
        std::memset(device->controllerUniqueId, 0, PROCESSOR_DEVICE_SERIAL_LENGTH);
    }
    return result;
}

int MapTestUnitReadyResult(int result, int apply, PROCESSOR_DEVICE* device) {
    if (result < 0 || static_cast<size_t>(result) >= std::size(kTestUnitReadyOutcomes)) return 0;
    const TestUnitReadyOutcome& outcome = kTestUnitReadyOutcomes[result];
    if (apply && device != nullptr && outcome.responds >= 0) {
        device->responds = static_cast<uint8_t>(outcome.responds);
        device->ready = static_cast<uint8_t>(outcome.ready);
    }
    return outcome.tryAgain;
}
