// Diagnostic dumps of controller structures into "corlink.dat" in the install directory, written only
// while IsDumpEnabled() holds.
#pragma once

struct RAID_CONTROLLER;
struct CAPI_ADVANCED_DRIVE_ENCLOSURE;

// Until the field-by-field dumps are built, an enabled dump appends only the structure's title line.
int DumpRaidController(const RAID_CONTROLLER* controller);
int DumpCapiAdvancedDriveEnclosure(const CAPI_ADVANCED_DRIVE_ENCLOSURE* enclosure);
