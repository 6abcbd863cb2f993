// The cookie that every request of a logged-in proxy session carries: the session's random base plus
// the request's sequence number plus an entry of a fixed 64-entry table, modulo 2^32.
#pragma once

#include <cstdint>

uint32_t ProxyRequestCookie(uint32_t base, uint32_t sequence);
