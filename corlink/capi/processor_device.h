// One controller management LUN as discovery found it. The transport hands a copy of it to the CAPI
// library in each controller's transport context; the controller database reads `responds` and `id`
// there and sets `responds`.
#pragma once

#include <cstdint>

// Values of PROCESSOR_DEVICE::id: which controller of the pair answers at this LUN.
constexpr uint8_t PROCESSOR_DEVICE_ID_B = 0;
constexpr uint8_t PROCESSOR_DEVICE_ID_A = 1;
constexpr uint8_t PROCESSOR_DEVICE_ID_UNKNOWN = 3;

constexpr uint32_t PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH = 28;
constexpr uint32_t PROCESSOR_DEVICE_NAME_LENGTH = 80;
constexpr uint32_t PROCESSOR_DEVICE_SERIAL_LENGTH = 6;

struct PROCESSOR_DEVICE {
    uint32_t adapter;  // N of "\\.\Scsi%d:"
    uint32_t bus;      // path id
    uint8_t target;
    uint8_t lun;
    // INQUIRY bytes 8-35; not terminated when full
    char inquiryString[PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH];
    char deviceName[PROCESSOR_DEVICE_NAME_LENGTH];  // NUL-terminated name that commands open
    uint8_t responds;
    uint8_t ready;
    uint8_t port;  // controller port number (byte 31 of VPD page 0x83)
    uint8_t id;    // PROCESSOR_DEVICE_ID_*
    uint8_t controllerSerialNumber[PROCESSOR_DEVICE_SERIAL_LENGTH];
    uint8_t controllerUniqueId[PROCESSOR_DEVICE_SERIAL_LENGTH];
    uint8_t hasSasAddress;
    uint8_t sasAddress[8];           // zero unless the device was reached by SAS address
    uint8_t deviceType;              // INQUIRY byte 0
    uint8_t volumeSerialNumber[16];  // from VPD page 0x80 for device type 0, else zero
};
