// The partition view commands: one partition's view, and the views of all partitions of a controller
// (kept in the controller's database entry until its configuration changes).
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kGetPartitionView;
extern const FramedCommand kGetAllPartView;
