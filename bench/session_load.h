// Many sessions sending the same request over and over at once, each round trip timed.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bench/stats.h"
#include "tools/proxy_client_session.h"

namespace bench {

struct LoadPlan {
    int sessions = 1;
    uint32_t opCode = 0;
    std::vector<uint8_t> request;
    uint32_t replyLength = 0;  // every reply must carry this many bytes
    std::chrono::milliseconds duration{1000};
    std::function<bool(ProxyClientSession*)> open;  // connects (and logs in) one session
};

struct LoadResult {
    bool ok = false;
    std::string error;
    LatencySummary summary;
};

LoadResult RunLoad(const LoadPlan& plan);

class BarePeer;
class ProxyUnderTest;

// The same load on the proxy (logged-in sessions) and then on the bare peer; false, with the reason
// printed, when either failed.
bool RunSideBySide(LoadPlan plan, const ProxyUnderTest& proxy, const BarePeer& bare, LatencySummary* onProxy,
                   LatencySummary* onBare);

}  // namespace bench
