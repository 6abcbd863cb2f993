// How an array controller's management LUN is recognised and how packets travel through it.
#pragma once

#include <cstdint>

// Peripheral device types that discovery probes: direct access and enclosure services.
inline constexpr uint8_t MANAGEMENT_LUN_PROBED_TYPE_DISK = 0x00;
inline constexpr uint8_t MANAGEMENT_LUN_PROBED_TYPE_ENCLOSURE = 0x0D;
// A plain "CAPI" identity is accepted with device type 0 or 3 (processor).
inline constexpr uint8_t MANAGEMENT_LUN_TYPE_PROCESSOR = 0x03;

// Offset of the identity text in the standard INQUIRY data.
inline constexpr uint32_t MANAGEMENT_LUN_ID_OFFSET = 44;
inline constexpr char MANAGEMENT_LUN_ID_PASS_THROUGH[] = "CAPIPT";
inline constexpr char MANAGEMENT_LUN_ID_CONTROLLER_A[] = "CAPIPTA";
inline constexpr char MANAGEMENT_LUN_ID_CONTROLLER_B[] = "CAPIPTB";
inline constexpr char MANAGEMENT_LUN_ID_PLAIN[] = "CAPI";

// Vital product data pages the management LUN answers.
inline constexpr uint8_t MANAGEMENT_LUN_VPD_DEVICE_ID = 0x83;  // serial number, unique id; port at byte 31
inline constexpr uint8_t MANAGEMENT_LUN_VPD_SERIAL = 0x80;     // volume serial, 32 hex characters from byte 4
inline constexpr uint8_t MANAGEMENT_LUN_VPD_PORTS = 0xD0;      // host port and controller port addresses
inline constexpr uint32_t MANAGEMENT_LUN_CONTROLLER_PORT_OFFSET = 31;
// The places of the fields of page 0xD0 that discovery reads.
inline constexpr uint32_t VPD_D0_HOST_PORT_ADDRESS = 12;     // 8 bytes
inline constexpr uint32_t VPD_D0_CONTROLLER_PORT_WWNN = 28;  // 8 bytes
inline constexpr uint32_t VPD_D0_CONTROLLER_PORT_WWPN = 36;  // 8 bytes
inline constexpr uint32_t VPD_D0_HOST_INTERFACE_TYPE = 52;
inline constexpr uint32_t MANAGEMENT_LUN_SERIAL_OFFSET = 4;
inline constexpr uint32_t MANAGEMENT_LUN_SERIAL_LENGTH = 32;

// A request packet goes out in one WRITE BUFFER (mode 1, buffer 0, offset 0); its reply comes back in
// the next READ BUFFER of the same LUN.
inline constexpr uint8_t MANAGEMENT_LUN_WRITE_BUFFER_MODE = 1;
inline constexpr uint8_t MANAGEMENT_LUN_BUFFER_ID = 0;

// Sense data of a WRITE BUFFER that says a reply is still waiting to be read.
inline constexpr uint8_t MANAGEMENT_LUN_REPLY_WAITING_SENSE_KEY = 0x05;
inline constexpr uint8_t MANAGEMENT_LUN_REPLY_WAITING_ASC = 0x3B;
inline constexpr uint8_t MANAGEMENT_LUN_REPLY_WAITING_ASCQ = 0x05;
// Sense data of a reset or power-up.
inline constexpr uint8_t MANAGEMENT_LUN_RESET_SENSE_KEY = 0x06;
inline constexpr uint8_t MANAGEMENT_LUN_RESET_ASC = 0x29;
