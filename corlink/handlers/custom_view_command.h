// CREATE_CUSTOM_VIEW: maps partitions to host ports, each mapping request with its own controller, its
// channel flags merged with the partition's current view.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kCreateCustomView;
