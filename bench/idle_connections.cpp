// (e) One logged-in session's GET_STORAGESYSTEMS round trip while 4,000 connections that never log in are
// open, against the same session's round trip without them; each beside the bare loopback peer.
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "bench/bare_peer.h"
#include "bench/bench_commands.h"
#include "bench/bench_context.h"
#include "bench/session_load.h"

namespace bench {

namespace {

constexpr int kIdleConnections = 4000;

// Lets this process hold the idle connections' descriptors.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Connections to the proxy that send nothing; as many as could be opened.
std::vector<int> OpenIdleConnections(uint16_t port, int count) {
    std::vector<int> sockets;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < count; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) break;
        if (::connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
            ::close(s);
            break;
        }
        sockets.push_back(s);
    }
    return sockets;
}

void CloseAll(std::vector<int>& sockets) {
    for (int s : sockets) ::close(s);
    sockets.clear();
}

}  // namespace

int RunIdleConnections(const BenchContext& context) {
    RaiseDescriptorLimit();
    ProxyUnderTest proxy(context.programs, context.defaultScenario);
    if (!proxy.Start()) return 1;
    BarePeer bare(kStorageSystemsLength);
    LoadPlan plan;
    plan.opCode = kGetStorageSystems;
    plan.request.assign(kStorageSystemsLength, 0);
    plan.replyLength = kStorageSystemsLength;
    std::vector<double> quiet, crowded, bareMedians;
    for (int round = 1; round <= context.rounds; ++round) {
        LatencySummary p, b;
        if (!RunSideBySide(plan, proxy, bare, &p, &b)) return 1;
        quiet.push_back(p.medianUs);
        bareMedians.push_back(b.medianUs);
        // The session logs in first; then the connections that never log in arrive, and the load runs.
        std::vector<int> idle;
        LoadPlan crowdedPlan = plan;
        crowdedPlan.open = [&](ProxyClientSession* session) {
            if (!proxy.OpenSession(session)) return false;
            idle = OpenIdleConnections(proxy.port(), kIdleConnections);
            return true;
        };
        const LoadResult result = RunLoad(crowdedPlan);
        const size_t opened = idle.size();
        CloseAll(idle);
        if (!result.ok) {
            std::printf("  failed: %s\n", result.error.c_str());
            return 1;
        }
        crowded.push_back(result.summary.medianUs);
        std::printf(" round %d: median %.1f us alone, %.1f us beside %zu connections that never log in\n",
                    round, quiet.back(), crowded.back(), opened);
        std::fflush(stdout);
    }
    const double without = Median(quiet), with = Median(crowded), onBare = Median(bareMedians);
    std::printf(" medians of %d rounds\n", context.rounds);
    std::printf("  alone:                        median %8.1f us (proxy/bare %.2f)\n", without,
                without / onBare);
    std::printf("  beside %d idle connections: median %8.1f us (proxy/bare %.2f)\n", kIdleConnections, with,
                with / onBare);
    const double ratio = with / without;
    std::printf(" targets\n");
    std::printf("  round trip with / without idle connections %6.2f  (at most 2)     %s\n", ratio,
                ratio <= 2 ? "met" : "MISSED");
    return proxy.Stop() ? 0 : 1;
}

}  // namespace bench
