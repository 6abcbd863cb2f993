// Words for the coded fields of controller events: status and state codes, module and enclosure
// elements, SCSI sense data and CDBs, and the critical-error text of event 107. Pure functions; a code
// that a table does not list gets the table's default text.
#pragma once

#include <cstdint>
#include <string>

class EventRecord;

// ---- SCSI
// The failed command: "Rd"/"Wr" with LBA and length for READ(10)/WRITE(10), else its bytes in hex.
std::string GetCdbText(const uint8_t cdb[16]);
std::string GetSenseKeyText(uint32_t senseKey);
// The text of ASC x 256 + ASCQ; empty for a key not listed and for any value outside 0 to 0xFFFF.
std::string GetAscAscqText(int32_t key);
// Always 9 characters, padded with blanks.
std::string GetMaintenanceOpText(uint32_t operation);
std::string GetIobStatusText(uint32_t status);

// ---- controller
std::string GetBatteryStatusText(uint32_t status);
std::string GetBatteryStateText(uint32_t state);
std::string GetModuleNameText(uint32_t moduleType, uint32_t unit);
std::string GetModuleStatusText(uint32_t status);
std::string GetConfigChangeReasonText(uint32_t reason);
std::string GetFailoverReasonText(uint32_t reason);
std::string GetUtilityText(int32_t utility);
std::string GetFormatTypeText(uint8_t formatType);
std::string GetShutdownTypeText(uint8_t shutdownType);
std::string GetStorageControllerText();

// ---- drive enclosures
std::string GetEnclosureSeverityText(uint8_t severity);
std::string GetEnclosureElementText(uint8_t element);
std::string GetFanStatusText(uint8_t status);
std::string GetTempSensorStatusText(uint8_t status);
// " " followed by the words of the set bits, comma-separated.
std::string GetPowerSupplyStatusText(uint8_t bits);

// The whole text of event 107 (a critical error of the controller firmware).
std::string FormatCriticalErrorText(const EventRecord& record);
