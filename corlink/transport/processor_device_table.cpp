#include "corlink/transport/processor_device_table.h"

#include <cstring>

#include "corlink/foundation/console.h"

PROCESSOR_DEVICE processorDeviceTable[PROCESSOR_DEVICE_TABLE_CAPACITY];
uint32_t processorDeviceTableSize = 0;

namespace {

constexpr int kCaptureOnly = 7;  // console message type written only to the list capture

const char* YesNo(uint8_t flag) { return flag != 0 ? "Yes" : "No "; }

const char* ControllerLetter(uint8_t id) {
    if (id == PROCESSOR_DEVICE_ID_A) return "A";
    if (id == PROCESSOR_DEVICE_ID_B) return "B";
    return "X";
}

}  // namespace

void ClearProcessorDeviceTable() {
    std::memset(static_cast<void*>(processorDeviceTable), 0, sizeof processorDeviceTable);
    processorDeviceTableSize = 0;
}

int32_t FindProcessorDeviceBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]) {
    for (uint32_t i = 0; i < processorDeviceTableSize && i < PROCESSOR_DEVICE_TABLE_CAPACITY; ++i) {
        if (std::memcmp(processorDeviceTable[i].controllerSerialNumber, serial,
                        PROCESSOR_DEVICE_SERIAL_LENGTH) == 0) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void DumpProcessorDeviceTable() {
    ConsolePrint(kCaptureOnly, "processor device table size = %d\n",
                 static_cast<int>(processorDeviceTableSize));
    ConsolePrint(kCaptureOnly,
                 "adpt bus tar lun : string(28)                    DeviceName rspd rdy port Id\n");
    for (uint32_t i = 0; i < processorDeviceTableSize && i < PROCESSOR_DEVICE_TABLE_CAPACITY; ++i) {
        const PROCESSOR_DEVICE& device = processorDeviceTable[i];
        char inquiry[PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH + 1] = {};
        std::memcpy(inquiry, device.inquiryString, PROCESSOR_DEVICE_INQUIRY_STRING_LENGTH);
        char serial[2 * PROCESSOR_DEVICE_SERIAL_LENGTH + 1] = {};
        for (uint32_t b = 0; b < PROCESSOR_DEVICE_SERIAL_LENGTH; ++b) {
            static const char kHex[] = "0123456789ABCDEF";
            serial[2 * b] = kHex[device.controllerSerialNumber[b] >> 4];
            serial[2 * b + 1] = kHex[device.controllerSerialNumber[b] & 0x0F];
        }
        ConsolePrint(kCaptureOnly, "%4.2d%4.2d%4.2d%4.2d : %28s  %.*s %-5s%-3s %4.d  %s %s\n",
                     static_cast<int>(device.adapter), static_cast<int>(device.bus), device.target,
                     device.lun, inquiry,
                     static_cast<int>(strnlen(device.deviceName, PROCESSOR_DEVICE_NAME_LENGTH)),
                     device.deviceName, YesNo(device.responds), YesNo(device.ready), device.port,
                     ControllerLetter(device.id), serial);
    }
    ConsolePrint(kCaptureOnly, "\n");
}
