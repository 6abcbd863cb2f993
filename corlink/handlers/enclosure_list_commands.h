// The commands that answer a controller's enclosures: their records, and their advanced records with the
// FRU data read at discovery.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kGetDriveEnclosures;
extern const FramedCommand kGetAdvDrvEnclosure;
