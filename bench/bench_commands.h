// The proxy commands the benchmarks send, with their fixed sizes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/proxy_client_session.h"

namespace bench {

constexpr uint32_t kGetControllerHandleDb = 0;
constexpr uint32_t kGetController = 1;
constexpr uint32_t kGetStorageSystems = 96;
constexpr uint32_t kStorageSystemsLength = 25104;     // the request's fixed length and the reply's
constexpr uint32_t kControllerReplyLength = 3022008;  // API_RAID_CONTROLLER

// Controller A's client id in the first record of a GET_CONTROLLERHANDLEDB reply.
inline uint32_t FirstControllerId(const ProxyReply& handles) { return ProxyWord(handles.data, 48); }

// The GET_CONTROLLER request for a client id (big-endian).
inline std::vector<uint8_t> ControllerRequest(uint32_t id) {
    return {static_cast<uint8_t>(id >> 24), static_cast<uint8_t>(id >> 16), static_cast<uint8_t>(id >> 8),
            static_cast<uint8_t>(id)};
}

}  // namespace bench
