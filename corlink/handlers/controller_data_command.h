// GET_CONTROLLER (1): one controller re-read and returned whole as API_RAID_CONTROLLER.
#pragma once

#include "corlink/handlers/command_row.h"

void capiGetController(Rre* pRre, const RreCommandInfo& info);
