// Controller LUN discovery: walks the host's SCSI adapters 0 to 31, probes every LUN that may be an
// array controller's management LUN and records the newly found, responding controllers in the processor
// device table. Runs inside the transport's initialise function, under the proxy's state-change mutex.
#pragma once

#include <cstdint>

#include "corlink/capi/processor_device.h"

constexpr uint32_t DISCOVERY_ADAPTER_COUNT = 32;
constexpr uint32_t ADAPTER_INQUIRY_BUFFER_SIZE = 0xC000;

// Inquiry_To_HBA results.
constexpr int ADAPTER_INQUIRY_OK = 0;
constexpr int ADAPTER_INQUIRY_FAILED = 5;
constexpr int ADAPTER_ABSENT = 6;

// Rebuilds the processor device table (and the host adapter list) from the host's adapters.
void DiscoverProcessorDevices();

// Reads the inquiry listing of one adapter into `inquiryBuffer` (ADAPTER_INQUIRY_BUFFER_SIZE bytes) and
// names it in `adapterName` (at least 16 bytes); returns ADAPTER_INQUIRY_OK, _FAILED or ADAPTER_ABSENT.
int Inquiry_To_HBA(uint32_t adapter, uint8_t* inquiryBuffer, char* adapterName);
// Filters the adapter's LUNs in its inquiry listing and probes the candidates.
void FindProcessorDevices(uint32_t adapter, const uint8_t* inquiryBuffer, const char* adapterName);
// Probes one LUN; a new, responding controller management LUN is committed to the table.
void ProbeProcessorDevice(const char* deviceName, uint32_t adapter, uint32_t bus, uint8_t target, uint8_t lun,
                          const uint8_t* sasAddress);
// Reads ManagementLunMax from the service's Parameters key (kept when missing or not a REG_DWORD).
void ReadManagementLunMax();
uint32_t ManagementLunMax();
// Up to 3 TEST UNIT READY commands; sets the device's responds and ready flags and returns 1 when the
// caller should try again.
int CheckProcessorDeviceReady(PROCESSOR_DEVICE* device);
