// Storage-system authentication: a command that does not come from a trusted caller may use a controller
// only when the controller's storage system was authenticated by its password.
#pragma once

#include <cstdint>

#include "corlink/commands/command_table.h"

// VERIFY_PASSWORD (97) and SET_PASSWORD (98): 76 bytes in and out; only status and code are converted.
constexpr uint32_t PASSWORD_REQUEST_LENGTH = 76;
constexpr uint32_t PASSWORD_REQUEST_UNIQUE_SN_OFFSET = 12;
constexpr uint32_t PASSWORD_REQUEST_PASSWORD_OFFSET = 44;
constexpr uint32_t PASSWORD_REQUEST_TEXT_SIZE = 32;

// 1 when no storage system holds the entry's handle or the one that holds it is authenticated, else 0.
int IsControllerAuthorized(int32_t index);
// Authenticates the first storage system in table order with this UniqueSN whose password is the given
// one: 0, or -1 when none matches.
int VerifyStorageSystemPassword(const char* uniqueSN, const char* password);

void capiVerifyPassword(Rre* pRre, const RreCommandInfo& info);
void capiSetPassword(Rre* pRre, const RreCommandInfo& info);
