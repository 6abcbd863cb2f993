// The commands that list a controller's arrays and partitions and change the settings of existing arrays
// and partitions: names, LUN, description, size, preferred owner, verification and revival.
#pragma once

#include "corlink/handlers/handler_frame.h"

void capiGetArrayPartition(Rre* pRre, const RreCommandInfo& info);

extern const FramedCommand kGetArrayList;
extern const FramedCommand kSetPartName;
extern const FramedCommand kSetArrayName;
extern const FramedCommand kExpandPart;
extern const FramedCommand kChangePartLun;
extern const FramedCommand kVerifyArray;
extern const FramedCommand kSetPreferredOwner;
extern const FramedCommand kReviveArray;
extern const FramedCommand kChangePartitionDescription;
