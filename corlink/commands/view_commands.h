// The partition view commands: one partition's view, the views of all partitions of a controller (kept
// in the controller's database entry until its configuration changes), and custom views that map
// partitions to host ports.
#pragma once

#include "corlink/commands/handler_frame.h"

extern const FramedCommand kGetPartitionView;
extern const FramedCommand kGetAllPartView;
extern const FramedCommand kCreateCustomView;
