// Scenarios: small INI files that describe a fabric (sim/scenarios/). Sections "system.<n>",
// "array.<n>" and "volume.<n>"; an array names its system, a volume its array, by section name.
//   [system.*]  name (required), product, revision (INQUIRY's firmware revision), drives, unique_sn,
//               enclosure_wwn, target, management_lun, management_lun_type, interface, host_channels, and
//               per controller (suffix _a / _b): serial, unique_id, adapter, port, host_port, port_wwpn,
//               port_wwnn (hexadecimal of their full length); enclosures and per enclosure (k = 1 ...)
//               enclosure_<k>_serial, _name, _location, _rack, _rack_position
//   [array.*]   system, name (required), raid, drives
//   [volume.*]  array, name (required), description, size_mb, lun (0 or missing: no default mapping),
//               serial
//   [host]      fc_port_1 to fc_port_4 (besides the controllers' host ports), iscsi_name,
//               serial_text_length
//   [local_disk.*]  vendor, product, adapter, target, serial: a disk of the host's own
#pragma once

#include <string>

#include "sim/fabric_model.h"

namespace sim {

// Reads a scenario from INI text. False with a reason in *error when a value is missing or malformed.
bool ParseScenario(const std::string& text, FabricModel* model, std::string* error);
// Reads a scenario file (a plain POSIX path: the simulator is not part of the Windows program).
bool LoadScenarioFile(const std::string& path, FabricModel* model, std::string* error);

}  // namespace sim
