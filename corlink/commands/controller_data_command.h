// GET_CONTROLLER (1): one controller re-read and returned whole as API_RAID_CONTROLLER.
#pragma once

#include "corlink/commands/command_table.h"

void capiGetController(Rre* pRre, const RreCommandInfo& info);
