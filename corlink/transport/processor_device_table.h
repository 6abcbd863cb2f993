// The processor device table: every controller management LUN that the last discovery found and
// committed. Discovery rebuilds it from empty; the transport's enumeration and the controller database
// read it between discoveries. Used only on the serialised discovery and command path.
#pragma once

#include <cstdint>

#include "corlink/capi/processor_device.h"

constexpr uint32_t PROCESSOR_DEVICE_TABLE_CAPACITY = 1024;

extern PROCESSOR_DEVICE processorDeviceTable[PROCESSOR_DEVICE_TABLE_CAPACITY];
// The number of committed records; the record at this index is the one being probed.
extern uint32_t processorDeviceTableSize;

// Empties the table (every record zeroed).
void ClearProcessorDeviceTable();
// The index of the first committed record with this controller serial number, else -1.
int32_t FindProcessorDeviceBySerialNumber(const uint8_t serial[PROCESSOR_DEVICE_SERIAL_LENGTH]);
// Writes the table to the console capture.
void DumpProcessorDeviceTable();
