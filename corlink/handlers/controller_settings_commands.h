// The commands that read or set a controller as a whole through one controller command each: its status,
// clock, channel, enclosure and controller parameters, its alarm and the rescan of its buses.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kSilenceAlarm;
extern const FramedCommand kSetChannelParam;
extern const FramedCommand kSetDriveEnclosure;
extern const FramedCommand kSetControllerTimeDate;
extern const FramedCommand kGetControllerTimeDate;
extern const FramedCommand kSetControllerParams;
extern const FramedCommand kGetControllerStatus;
extern const FramedCommand kRescanAllBus;
