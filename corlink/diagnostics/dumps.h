// Diagnostic dumps of controller structures into "corlink.dat" in the install directory, written only
// while IsDumpEnabled() holds: a controller database entry, and an advanced enclosure record.
#pragma once

struct RAID_CONTROLLER;
struct CAPI_ADVANCED_DRIVE_ENCLOSURE;

int DumpRaidController(const RAID_CONTROLLER* controller);
int DumpCapiAdvancedDriveEnclosure(const CAPI_ADVANCED_DRIVE_ENCLOSURE* enclosure);
