// Printing one classified CAPI code with its name to the console.
#pragma once

#include <cstdint>

// What `Code` is: 0 good (no code), 1 library status, 2 reply, 3 event, 4 return code.
struct CAPI_RESPONSE {
    int32_t CodeType;
    int32_t Code;
};

inline constexpr int32_t CAPI_RESPONSE_GOOD = 0;
inline constexpr int32_t CAPI_RESPONSE_RETURN = 1;
inline constexpr int32_t CAPI_RESPONSE_REPLY = 2;
inline constexpr int32_t CAPI_RESPONSE_EVENT = 3;
inline constexpr int32_t CAPI_RESPONSE_ERROR = 4;

void PrintCapiResponse(const CAPI_RESPONSE* response);
