// Commands that name an object by the serial number (or WWN) at the start of their CAPI_OBJECT_ID include.
#pragma once

#include <cstdint>
#include <cstring>

#include "corlink/capi_wire/capi_shared.h"
#include "sim/capi/call.h"

namespace sim {

inline constexpr uint32_t kIncludeObjectId = 21;
inline constexpr uint32_t kObjectIdSize = sizeof(CAPI_OBJECT_ID);

// Whether the include names the object whose id is these bytes.
inline bool NamesObject(const Call& call, const uint8_t* id, size_t length) {
    const uint8_t* named = call.IncludeAt(0, static_cast<uint32_t>(length));
    return named != nullptr && std::memcmp(named, id, length) == 0;
}

}  // namespace sim
