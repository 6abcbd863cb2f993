// REINIT_CONTROLLER: the configuration of a controller and its mate wiped (partitions, orphaned cache
// data, arrays, host nicknames, spares, the metadata of leftover drives) and files of the install
// directory deleted.
#pragma once

#include <cstdint>

#include "corlink/commands/handler_frame.h"

constexpr uint32_t REINIT_FILE_COUNT_AT = 16;
constexpr uint32_t REINIT_FILE_NAMES_AT = 20;
constexpr uint32_t REINIT_FILE_NAME_SIZE = 512;
constexpr uint32_t REINIT_MOST_FILES = 32;

extern const FramedCommand kReinitController;
