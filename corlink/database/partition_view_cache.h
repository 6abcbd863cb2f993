// The partition views a controller's database entry keeps: the views of all its partitions as
// GET_ALL_PART_VIEW read them, valid while the controller's configuration sequence number is the one they
// were read under.
#pragma once

#include <cstdint>

#include "corlink/controller_entry/raid_controller.h"

bool PartViewCacheValid(const RAID_CONTROLLER& entry);
// Keeps a copy of n views read under this sequence number, in place of what was kept.
void KeepPartViews(RAID_CONTROLLER& entry, const uint8_t* views, uint32_t n, int32_t sequence);
void DropPartViewCache(RAID_CONTROLLER& entry);
