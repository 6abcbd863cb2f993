// The SCSI command layer: every command the proxy sends to a controller's management LUN is built, issued
// (plain, multipath or by SAS address) and folded into one result code (SCSI_RESULT_*, sense.h) here.
#pragma once

#include <cstdint>

#include "corlink/capi/processor_device.h"
#include "corlink/transport/scsi_cdb.h"
#include "corlink/transport/sense.h"

// The bytes moved by the most recent command, as the request block reported them (never more than asked).
extern uint32_t g_LastTransferLength;

// One command of type commandType (SCSI_CMD_*) on deviceName ("\\.\Scsi%d:" or "\\.\PhysicalDrive%d", at
// most 79 characters used) at bus/target/lun, or at sasAddress (8 bytes) when one is given. bytesReturned
// receives the I/O control's byte count.
int sendScsiCommand(uint32_t commandType, const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun,
                    const uint8_t* sasAddress, void* dataBuffer, uint32_t dataLength,
                    uint32_t* bytesReturned);

int sendTestUnitReady(const PROCESSOR_DEVICE* device);
// SCSI_RESULT_BAD_COMMAND without touching the device while the service is stopping.
int sendWriteBuf(const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun, const uint8_t* sasAddress,
                 void* buffer, uint32_t length);
int sendReadBuf(const char* deviceName, uint8_t bus, uint8_t target, uint8_t lun, const uint8_t* sasAddress,
                void* buffer, uint32_t length, uint32_t* received);
// VPD page 0x83: on success the device's controller serial and unique id, and *port the controller port.
int sendInquiry_page83(PROCESSOR_DEVICE* device, uint8_t* port);

// Turns a TEST UNIT READY result into the device's responds/ready flags (only when apply is non-zero);
// returns 1 when the caller should try again.
int MapTestUnitReadyResult(int result, int apply, PROCESSOR_DEVICE* device);
