// EXT_MASK_READFILE and EXT_MASK_WRITEFILE: a file of the install directory read in chunks, or written
// (created, emptied or appended to). The request's words are big-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corlink/handlers/handler_frame.h"
#include "corlink/proxy_wire/buffers_events.h"

constexpr uint32_t FILE_TRANSFER_NAME_SIZE = sizeof(RRE_FILE_NAME);
constexpr uint32_t READFILE_DATA_AT = offsetof(RRE_READ_FILE_BUFFER, data);
constexpr uint32_t READFILE_DATA_SIZE = sizeof(RRE_READ_FILE_BUFFER::data);
// The reply carries the whole data area and as many bytes again as the chunk holds.
constexpr uint32_t READFILE_REPLY_BASE = READFILE_DATA_AT + READFILE_DATA_SIZE;
constexpr uint32_t READFILE_LARGEST_REPLY = READFILE_REPLY_BASE + READFILE_DATA_SIZE;
constexpr uint32_t WRITEFILE_DATA_AT = offsetof(RRE_WRITE_FILE_BUFFER, data);
constexpr uint32_t WRITEFILE_REPLY_LENGTH = sizeof(RRE_WRITE_FILE_REPLY);

void capiExtMaskReadFile(Rre* pRre, const RreCommandInfo& info);
void capiExtMaskWriteFile(Rre* pRre, const RreCommandInfo& info);
