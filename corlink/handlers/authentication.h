// Storage-system authentication: a command that does not come from a trusted caller may use a controller
// only when the controller's storage system was authenticated by its password.
#pragma once

#include <cstdint>

#include "corlink/handlers/command_row.h"

// 1 when no storage system holds the entry's handle or the one that holds it is authenticated, else 0.
int IsControllerAuthorized(int32_t index);
// Authenticates the first storage system in table order with this UniqueSN whose password is the given
// one: 0, or -1 when none matches.
int VerifyStorageSystemPassword(const char* uniqueSN, const char* password);

void capiVerifyPassword(Rre* pRre, const RreCommandInfo& info);
void capiSetPassword(Rre* pRre, const RreCommandInfo& info);
