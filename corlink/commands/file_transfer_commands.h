// EXT_MASK_READFILE and EXT_MASK_WRITEFILE: a file of the install directory read in chunks, or written
// (created, emptied or appended to). The request's words are big-endian.
#pragma once

#include <cstdint>

#include "corlink/commands/handler_frame.h"

constexpr uint32_t FILE_TRANSFER_NAME_AT = 8;
constexpr uint32_t FILE_TRANSFER_NAME_SIZE = 512;
constexpr uint32_t READFILE_DATA_AT = 544;
constexpr uint32_t READFILE_DATA_SIZE = 131072;
// The reply carries the whole data area and as many bytes again as the chunk holds.
constexpr uint32_t READFILE_REPLY_BASE = READFILE_DATA_AT + READFILE_DATA_SIZE;
constexpr uint32_t READFILE_LARGEST_REPLY = READFILE_REPLY_BASE + READFILE_DATA_SIZE;
constexpr uint32_t WRITEFILE_DATA_AT = 548;
constexpr uint32_t WRITEFILE_REPLY_LENGTH = 12;

void capiExtMaskReadFile(Rre* pRre, const RreCommandInfo& info);
void capiExtMaskWriteFile(Rre* pRre, const RreCommandInfo& info);
