// INQUIRY data of the simulated LUNs: the standard data and the vital product data pages.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/fabric_model.h"

namespace sim {

constexpr uint8_t VPD_SUPPORTED_PAGES = 0x00;
constexpr uint8_t VPD_UNIT_SERIAL = 0x80;
constexpr uint8_t VPD_DEVICE_ID = 0x83;

constexpr uint8_t kPeripheralDisk = 0x00;
constexpr uint32_t kStandardInquiryLength = 96;

// Standard INQUIRY data of a controller's management LUN ("CAPIPTA" / "CAPIPTB" at byte 44).
std::vector<uint8_t> ManagementLunInquiry(const StorageSystem& system, int controller);
// Standard INQUIRY data of a host disk (a mapped volume).
std::vector<uint8_t> HostDiskInquiry(const StorageSystem& system);
// A VPD page of the management LUN; empty for a page it does not answer.
std::vector<uint8_t> ManagementLunVpd(const StorageSystem& system, int controller, uint8_t page);
// Standard INQUIRY data of a disk of the host's own.
std::vector<uint8_t> LocalDiskInquiry(const LocalDisk& disk);
// A VPD page of a host disk with this serial; empty for a page it does not answer. A volume of the arrays
// (arrayVolume) also carries the arrays' own identifier on page 0x83.
std::vector<uint8_t> HostDiskVpd(const Serial16& serial, uint8_t page, bool arrayVolume);

// The volume serial the management LUN reports on page 0x80.
std::array<uint8_t, 16> ManagementLunVolumeSerial(const Controller& controller);

}  // namespace sim
