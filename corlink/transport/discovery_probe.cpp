// Probing one LUN that may be a controller management LUN, and the readiness check of a recorded one.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "corlink/capi/controller_handles.h"
#include "corlink/capi_wire/management_lun.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/event_reporting.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/log_switches.h"
#include "corlink/foundation/utilities.h"
#include "corlink/transport/discovery.h"
#include "corlink/transport/host_adapters.h"
#include "corlink/transport/processor_device_table.h"
#include "corlink/transport/sas_addresses.h"
#include "corlink/transport/scsi_command.h"

namespace {

constexpr int kCaptureOnly = 7;
constexpr uint32_t kPageLength = 252;
constexpr uint32_t kInquiryStringOffset = 8;
constexpr uint32_t kVolumeSerialLength = 16;
constexpr int kTestUnitReadyTries = 6;
constexpr int kReadyCheckTries = 3;

bool g_LunZeroWarningWritten = false;

bool IsManagementLun(const uint8_t* inquiry) {
    const uint8_t* identity = inquiry + MANAGEMENT_LUN_ID_OFFSET;
    if (std::memcmp(identity, MANAGEMENT_LUN_ID_PASS_THROUGH, sizeof MANAGEMENT_LUN_ID_PASS_THROUGH - 1) == 0)
        return true;
    const uint8_t type = inquiry[0] & 0x1F;
    return std::memcmp(identity, MANAGEMENT_LUN_ID_PLAIN, sizeof MANAGEMENT_LUN_ID_PLAIN - 1) == 0 &&
           (type == MANAGEMENT_LUN_PROBED_TYPE_DISK || type == MANAGEMENT_LUN_TYPE_PROCESSOR);
}

// The controller letter as the inquiry string gives it: from a ':' up to the next white space, or from a
// '(' to the end; empty otherwise.
void FindIdInfo(const char* inquiryString, char* idInfo, size_t size) {
    idInfo[0] = '\0';
    if (const char* colon = std::strchr(inquiryString, ':')) {
        size_t n = 0;
        while (colon[n] != '\0' && !std::isspace(static_cast<unsigned char>(colon[n])) && n + 1 < size) {
            idInfo[n] = colon[n];
            ++n;
        }
        idInfo[n] = '\0';
        ConsolePrint(kCaptureOnly, "sscanf':' string1 '%s', IdInfo '%s'\n", inquiryString, idInfo);
    } else if (const char* paren = std::strchr(inquiryString, '(')) {
        std::snprintf(idInfo, size, "%s", paren);
        ConsolePrint(kCaptureOnly, "strchr'(' string1 '%s'\n", inquiryString);
        ConsolePrint(kCaptureOnly, "IdInfo'%s'\n", idInfo);
    } else if (g_ScsiVerbose) {
        ConsolePrint(kCaptureOnly, "sscanf found neither character.\n");
    }
}

uint8_t ControllerFromLetter(char letter) {
    if (letter == 'A') return PROCESSOR_DEVICE_ID_A;
    if (letter == 'B') return PROCESSOR_DEVICE_ID_B;
    ConsolePrint(kCaptureOnly, "main: set id: IdInfo[1] does NOT match; has '%c' or %d\n", letter, letter);
    return PROCESSOR_DEVICE_ID_UNKNOWN;
}

// Which controller of the pair answers: from "CAPIPTA"/"CAPIPTB" at byte 44, else from IdInfo
// (idInfo holds at least 4 bytes, zero past its end).
uint8_t ControllerId(const uint8_t* inquiry, const char* idInfo) {
    const uint8_t* identity = inquiry + MANAGEMENT_LUN_ID_OFFSET;
    if (std::memcmp(identity, MANAGEMENT_LUN_ID_CONTROLLER_A, sizeof MANAGEMENT_LUN_ID_CONTROLLER_A - 1) == 0)
        return PROCESSOR_DEVICE_ID_A;
    if (std::memcmp(identity, MANAGEMENT_LUN_ID_CONTROLLER_B, sizeof MANAGEMENT_LUN_ID_CONTROLLER_B - 1) == 0)
        return PROCESSOR_DEVICE_ID_B;
    if (idInfo[0] == ':') {
        const uint8_t id = ControllerFromLetter(idInfo[1]);
        if (idInfo[3] < '0' || idInfo[3] > '3') {
            ConsolePrint(kCaptureOnly, "main: set id: IdInfo[3] is not a valid number: %d\n", idInfo[3]);
        }
        return id;
    }
    if (idInfo[0] == '(') {
        ConsolePrint(kCaptureOnly, "Entered ballpark: found IdInfo[0] has (.\n");
        return ControllerFromLetter(idInfo[1]);
    }
    ConsolePrint(kCaptureOnly, "main: set id: IdInfo[0] has '%c'\n", idInfo[0]);
    return PROCESSOR_DEVICE_ID_A;
}

void FillRecord(PROCESSOR_DEVICE& device, const char* deviceName, uint32_t adapter, uint32_t bus,
                uint8_t target, uint8_t lun, const uint8_t* sasAddress, const uint8_t* inquiry) {
    device = PROCESSOR_DEVICE{};
    device.adapter = adapter;
    device.bus = bus;
    device.target = target;
    device.lun = lun;
    if (inquiry[kInquiryStringOffset] != 0) {
        std::memcpy(device.inquiryString, inquiry + kInquiryStringOffset,
                    PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH);
    }
    std::snprintf(device.deviceName, sizeof device.deviceName, "%s", deviceName);
    if (sasAddress != nullptr) {
        device.hasSasAddress = 1;
        std::memcpy(device.sasAddress, sasAddress, sizeof device.sasAddress);
    }
    device.id = PROCESSOR_DEVICE_ID_UNKNOWN;
}

// TEST UNIT READY until the result asks for no further try.
void TestUntilSettled(PROCESSOR_DEVICE& device) {
    for (int attempt = 0; attempt < kTestUnitReadyTries; ++attempt) {
        DebugPrint("FindProcessorDevices: Sending Test Unit Ready, try #%d\n", attempt);
        if (MapTestUnitReadyResult(sendTestUnitReady(&device), 1, &device) == 0) return;
    }
}

// Page 0x83 and the database: true when this responding controller is not yet known.
bool IsNewController(PROCESSOR_DEVICE& device) {
    if (device.responds == 0) return false;
    uint8_t port = 0;
    if (sendInquiry_page83(&device, &port) != SCSI_RESULT_GOOD) return false;
    device.port = port;
    const int32_t index = CapiFindControllerBySerialNumber(device.controllerSerialNumber);
    if (index == -1) return true;
    DebugPrint("GetControllerBySerialNumber() returned %d\n", index);
    return false;
}

void ReadVolumeSerial(PROCESSOR_DEVICE& device) {
    DebugPrint("ProbeProcessorDevice: retrieving inquiry page 0x80 serial number for %s\n",
               device.deviceName);
    uint8_t page[kPageLength] = {};
    uint32_t returned = 0;
    const int result = sendScsiCommand(
        SCSI_CMD_INQUIRY_PAGE_80, device.deviceName, static_cast<uint8_t>(device.bus), device.target,
        device.lun, device.hasSasAddress ? device.sasAddress : nullptr, page, kPageLength, &returned);
    if (result != SCSI_RESULT_GOOD) {
        DebugPrint("sendScsiCommand(pg80) failed with return code %d (0x%x)", result,
                   static_cast<unsigned>(result));
        return;
    }
    const char* pageText = reinterpret_cast<const char*>(page + MANAGEMENT_LUN_SERIAL_OFFSET);
    DebugPrint("%s VPD page 80 = %.80s\n", device.deviceName, pageText);
    char text[MANAGEMENT_LUN_SERIAL_LENGTH + 1] = {};
    std::memcpy(text, pageText, MANAGEMENT_LUN_SERIAL_LENGTH);
    const uint8_t* s = device.volumeSerialNumber;
    if (HexStringToBytes(text, kVolumeSerialLength, device.volumeSerialNumber) == 0) {
        DebugPrint(
            "ProbeProcessorDevice: Failed to convert inq pg80 to serial number (buffer contains \"%s\")\n",
            text);
        std::memset(device.volumeSerialNumber, 0, sizeof device.volumeSerialNumber);
        return;
    }
    DebugPrint(
        "ProbeProcessorDevice: found serial number "
        "%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X for device %s (%p) on lun %d\n",
        s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11], s[12], s[13], s[14], s[15],
        device.deviceName, static_cast<const void*>(&device), device.lun);
    if (device.lun == 0 && !g_LunZeroWarningWritten) {
        g_LunZeroWarningWritten = true;
        std::string warning = FormatString(
            "Device %s (volume S/N %02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X%02X) should "
            "be "
            "mapped to a non-zero LUN to prevent possible problems with the VDS/VSS hardware providers.",
            device.deviceName, s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11],
            s[12], s[13], s[14], s[15]);
        EventLogWarning(warning.data(), 0);
    }
}

// Page 0xD0: the host port this LUN is seen through and the controller port it reaches.
void RecordPorts(const PROCESSOR_DEVICE& device) {
    uint8_t page[kPageLength] = {};
    uint32_t returned = 0;
    if (sendScsiCommand(SCSI_CMD_INQUIRY_PAGE_D0, device.deviceName, static_cast<uint8_t>(device.bus),
                        device.target, device.lun, device.hasSasAddress ? device.sasAddress : nullptr, page,
                        kPageLength, &returned) != SCSI_RESULT_GOOD) {
        return;
    }
    static const uint8_t kNoNodeName[8] = {};
    AddHostSasAddress(page + VPD_D0_HOST_PORT_ADDRESS);
    InsertHBAInfoGlobalList(page + VPD_D0_HOST_PORT_ADDRESS, kNoNodeName, page[VPD_D0_HOST_INTERFACE_TYPE],
                            static_cast<uint8_t>(device.adapter), static_cast<uint8_t>(device.bus),
                            device.target, device.lun, device.controllerSerialNumber,
                            device.controllerUniqueId, page + VPD_D0_CONTROLLER_PORT_WWPN,
                            page + VPD_D0_CONTROLLER_PORT_WWNN);
}

// One host adapter entry for each address the outside adapter's tool reported.
void AddSupplementalHbaEntries() {
    const uint32_t count = g_SupplementalSasAddresses.count < SAS_ADDRESS_LIST_CAPACITY
                               ? g_SupplementalSasAddresses.count
                               : SAS_ADDRESS_LIST_CAPACITY;
    for (uint32_t i = 0; i < count; ++i) {
        InsertHBAInfoGlobalList(g_SupplementalSasAddresses.addresses[i], nullptr, HBA_INFO_TYPE_SUPPLEMENTAL,
                                0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }
}

// Fills the next record of the table for a management LUN; true when it is a new, responding controller.
bool ProbeManagementLun(PROCESSOR_DEVICE& device, const char* deviceName, uint32_t adapter, uint32_t bus,
                        uint8_t target, uint8_t lun, const uint8_t* sasAddress, const uint8_t* inquiry) {
    FillRecord(device, deviceName, adapter, bus, target, lun, sasAddress, inquiry);
    char inquiryString[PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH + 1] = {};
    std::memcpy(inquiryString, device.inquiryString, PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH);
    char idInfo[PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH + 4] =
        {};  // zero past the text: IdInfo[3] is readable
    FindIdInfo(inquiryString, idInfo, PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH + 1);
    device.id = ControllerId(inquiry, idInfo);
    TestUntilSettled(device);
    const bool isNew = IsNewController(device);
    device.deviceType = inquiry[0];
    if (device.deviceType == 0) ReadVolumeSerial(device);
    RecordPorts(device);
    return isNew;
}

}  // namespace

void ProbeProcessorDevice(const char* deviceName, uint32_t adapter, uint32_t bus, uint8_t target, uint8_t lun,
                          const uint8_t* sasAddress) {
    uint8_t inquiry[kPageLength] = {};
    uint32_t returned = 0;
    const int result = sendScsiCommand(SCSI_CMD_INQUIRY, deviceName, static_cast<uint8_t>(bus), target, lun,
                                       sasAddress, inquiry, kPageLength, &returned);
    bool isNew = false;
    if (result != SCSI_RESULT_GOOD || !IsManagementLun(inquiry)) {
        if (g_ScsiVerbose) DebugPrint(" FindProcessorDevices: Not a Corbentin CAPI processor.  Skip it.\n");
    } else {
        DebugPrint(" CAPI device: add to processor table (processorDeviceTableSize=%d)\n",
                   static_cast<int>(processorDeviceTableSize));
        if (processorDeviceTableSize >= PROCESSOR_DEVICE_TABLE_CAPACITY) {
            DebugPrint("FindProcessorDevices: ERROR: Table of processor devices is full\n");
        } else {
            isNew = ProbeManagementLun(processorDeviceTable[processorDeviceTableSize], deviceName, adapter,
                                       bus, target, lun, sasAddress, inquiry);
        }
    }
    AddSupplementalHbaEntries();
    if (isNew) {
        ++processorDeviceTableSize;
        DebugPrint("ProbeProcessorDevice: returning with processorDeviceTableSize=%d\n",
                   static_cast<int>(processorDeviceTableSize));
    }
}

int CheckProcessorDeviceReady(PROCESSOR_DEVICE* device) {
    int result = SCSI_RESULT_GOOD;
    for (int attempt = 0; attempt < kReadyCheckTries; ++attempt) {
        result = sendTestUnitReady(device);
        if (result == SCSI_RESULT_GOOD) break;
    }
    return MapTestUnitReadyResult(result, 1, device);
}
