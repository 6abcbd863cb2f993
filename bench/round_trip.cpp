// (a) GET_STORAGESYSTEMS over logged-in sessions against a bare loopback request/reply of the same sizes.
#include <cstdio>
#include <map>

#include "bench/bare_peer.h"
#include "bench/bench_commands.h"
#include "bench/bench_context.h"
#include "bench/session_load.h"

namespace bench {

namespace {

constexpr int kSessionCounts[] = {1, 16, 64};

struct Figures {
    std::vector<double> medianUs, p99Us, requestsPerSecond;
    void Add(const LatencySummary& s) {
        medianUs.push_back(s.medianUs);
        p99Us.push_back(s.p99Us);
        requestsPerSecond.push_back(s.requestsPerSecond);
    }
};

void PrintLine(const char* what, int sessions, const LatencySummary& s) {
    std::printf("  %-6s %2d sessions: median %8.1f us  p99 %8.1f us  %9.0f requests/s\n", what, sessions,
                s.medianUs, s.p99Us, s.requestsPerSecond);
}

LatencySummary MedianOf(const Figures& f) {
    return {Median(f.medianUs), Median(f.p99Us), Median(f.requestsPerSecond)};
}

}  // namespace

int RunRoundTrip(const BenchContext& context) {
    ProxyUnderTest proxy(context.programs, context.defaultScenario);
    if (!proxy.Start()) return 1;
    BarePeer bare(kStorageSystemsLength);
    LoadPlan plan;
    plan.opCode = kGetStorageSystems;
    plan.request.assign(kStorageSystemsLength, 0);
    plan.replyLength = kStorageSystemsLength;
    std::map<int, Figures> proxyFigures, bareFigures;
    for (int round = 1; round <= context.rounds; ++round) {
        std::printf(" round %d\n", round);
        for (int sessions : kSessionCounts) {
            plan.sessions = sessions;
            LatencySummary p, b;
            if (!RunSideBySide(plan, proxy, bare, &p, &b)) return 1;
            PrintLine("proxy", sessions, p);
            PrintLine("bare", sessions, b);
            proxyFigures[sessions].Add(p);
            bareFigures[sessions].Add(b);
        }
        std::fflush(stdout);
    }
    std::printf(" medians of %d rounds\n", context.rounds);
    for (int sessions : kSessionCounts) {
        const LatencySummary p = MedianOf(proxyFigures[sessions]);
        const LatencySummary b = MedianOf(bareFigures[sessions]);
        PrintLine("proxy", sessions, p);
        PrintLine("bare", sessions, b);
        std::printf("  %2d sessions: proxy/bare median %.2f, p99 %.2f; proxy p99/median %.2f\n", sessions,
                    p.medianUs / b.medianUs, p.p99Us / b.p99Us, p.p99Us / p.medianUs);
    }
    const LatencySummary one = MedianOf(proxyFigures[1]);
    const LatencySummary sixteen = MedianOf(proxyFigures[16]);
    const LatencySummary sixtyFour = MedianOf(proxyFigures[64]);
    const double oneRatio = one.medianUs / MedianOf(bareFigures[1]).medianUs;
    std::printf(" targets\n");
    std::printf("  one session / bare loopback (median)     %6.2f  (at most 2)     %s\n", oneRatio,
                oneRatio <= 2 ? "met" : "MISSED");
    const double scaling = sixteen.requestsPerSecond / one.requestsPerSecond;
    std::printf("  16 sessions / one session (requests/s)   %6.2f  (at least 4)    %s\n", scaling,
                scaling >= 4 ? "met" : "MISSED");
    const double spread = sixtyFour.p99Us / sixtyFour.medianUs;
    std::printf("  64 sessions p99 / median                 %6.2f  (under 10)      %s\n", spread,
                spread < 10 ? "met" : "MISSED");
    return proxy.Stop() ? 0 : 1;
}

}  // namespace bench
