// What the two password commands share: their request, read with bounds, and the controller that
// speaks for a storage system.
#pragma once

#include <cstdint>
#include <cstring>

#include "corlink/database/storage_system.h"
#include "corlink/handlers/rre.h"
#include "corlink/proxy_wire/password_requests.h"

// The request's two texts, terminated even when the client filled the whole field.
struct PasswordRequest {
    char uniqueSN[PASSWORD_REQUEST_TEXT_SIZE + 1];
    char password[PASSWORD_REQUEST_TEXT_SIZE + 1];
};

// The caller has checked that the request is PASSWORD_REQUEST_LENGTH bytes long.
inline PasswordRequest ReadPasswordRequest(const Rre& rre) {
    PasswordRequest request{};
    const auto* buffer = rre_wire::BufferAs<RRE_PASSWORD_BUFFER>(rre.Buffer);
    std::memcpy(request.uniqueSN, buffer->UniqueSN, sizeof buffer->UniqueSN);
    std::memcpy(request.password, buffer->password, sizeof buffer->password);
    return request;
}

// The database index of the storage system's first-listed controller, else of its mate, else -1.
int32_t StorageSystemController(const STORAGE_SYSTEM& system);
