// What the two password commands share: their request, read with bounds, and the controller that
// speaks for a storage system.
#pragma once

#include <cstdint>
#include <cstring>

#include "corlink/commands/authentication.h"
#include "corlink/commands/rre.h"
#include "corlink/commands/storage_system.h"

// The request's two texts, terminated even when the client filled the whole field.
struct PasswordRequest {
    char uniqueSN[PASSWORD_REQUEST_TEXT_SIZE + 1];
    char password[PASSWORD_REQUEST_TEXT_SIZE + 1];
};

// The caller has checked that the request is PASSWORD_REQUEST_LENGTH bytes long.
inline PasswordRequest ReadPasswordRequest(const Rre& rre) {
    PasswordRequest request{};
    std::memcpy(request.uniqueSN, rre.Buffer + PASSWORD_REQUEST_UNIQUE_SN_OFFSET, PASSWORD_REQUEST_TEXT_SIZE);
    std::memcpy(request.password, rre.Buffer + PASSWORD_REQUEST_PASSWORD_OFFSET, PASSWORD_REQUEST_TEXT_SIZE);
    return request;
}

// The database index of the storage system's first-listed controller, else of its mate, else -1.
int32_t StorageSystemController(const STORAGE_SYSTEM& system);
