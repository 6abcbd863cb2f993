// REINIT_CONTROLLER: the configuration of a controller and its mate wiped (partitions, orphaned cache
// data, arrays, host nicknames, spares, the metadata of leftover drives) and files of the install
// directory deleted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/buffers_controller.h"

constexpr uint32_t REINIT_FILE_COUNT_AT = offsetof(RRE_REINIT_BUFFER, fileCount);
constexpr uint32_t REINIT_FILE_NAMES_AT = offsetof(RRE_REINIT_BUFFER, fileNames);
constexpr uint32_t REINIT_FILE_NAME_SIZE = sizeof(RRE_FILE_NAME);
constexpr uint32_t REINIT_MOST_FILES = RRE_REINIT_MAX_FILES;

extern const FramedCommand kReinitController;
