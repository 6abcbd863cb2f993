// The controller list commands: which controller pairs and storage systems the proxy knows, whether a
// storage system's controllers were re-read, and a controller's unified record.
#pragma once

#include "corlink/commands/command_table.h"

// GET_CONTROLLERHANDLEDB (0): up to 64 records of a pair's UniqueSN and its two client ids.
constexpr uint32_t RRE_HANDLE_DB_LENGTH = 2576;
constexpr uint32_t RRE_HANDLE_DB_RECORD_OFFSET = 16;
constexpr uint32_t RRE_HANDLE_DB_RECORD_SIZE = 40;
constexpr uint32_t RRE_HANDLE_DB_MAX_RECORDS = 64;

void capiGetControllerHandleDb(Rre* pRre, const RreCommandInfo& info);
void capiGetStorageSystems(Rre* pRre, const RreCommandInfo& info);
void capiNeedUpdateController(Rre* pRre, const RreCommandInfo& info);
void capiGetUnifiedControllerData(Rre* pRre, const RreCommandInfo& info);
