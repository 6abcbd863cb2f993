// (b) GET_CONTROLLER, request to last byte with its fabric exchanges, against a bare loopback transfer of
// the same byte count.
#include <cstdio>

#include "bench/bare_peer.h"
#include "bench/bench_commands.h"
#include "bench/bench_context.h"
#include "bench/session_load.h"

namespace bench {

namespace {

constexpr auto kDuration = std::chrono::milliseconds(2000);

double MegabytesPerSecond(const LatencySummary& s) {
    return s.medianUs > 0 ? kControllerReplyLength / s.medianUs : 0;  // bytes per microsecond = MB/s
}

}  // namespace

int RunControllerTransfer(const BenchContext& context) {
    ProxyUnderTest proxy(context.programs, context.defaultScenario);
    if (!proxy.Start()) return 1;
    ProxyClientSession session(30000);
    ProxyReply handles;
    if (!proxy.OpenSession(&session) || !session.Request(kGetControllerHandleDb, {}, &handles)) {
        std::printf("  GET_CONTROLLERHANDLEDB: %s\n", session.Error().c_str());
        return 1;
    }
    session.Close();

    BarePeer bare(kControllerReplyLength);
    LoadPlan plan;
    plan.opCode = kGetController;
    plan.request = ControllerRequest(FirstControllerId(handles));
    plan.replyLength = kControllerReplyLength;
    plan.duration = kDuration;
    std::vector<double> proxyRates, bareRates, shares;
    for (int round = 1; round <= context.rounds; ++round) {
        LatencySummary p, b;
        if (!RunSideBySide(plan, proxy, bare, &p, &b)) return 1;
        proxyRates.push_back(MegabytesPerSecond(p));
        bareRates.push_back(MegabytesPerSecond(b));
        shares.push_back(proxyRates.back() / bareRates.back());
        std::printf(
            " round %d: proxy %8.1f MB/s (median %7.0f us)  bare %8.1f MB/s (median %7.0f us)  %5.1f%%\n",
            round, proxyRates.back(), p.medianUs, bareRates.back(), b.medianUs, 100 * shares.back());
        std::fflush(stdout);
    }
    const double share = Median(shares);
    std::printf(" medians of %d rounds: proxy %.1f MB/s, bare loopback %.1f MB/s (%u bytes a reply)\n",
                context.rounds, Median(proxyRates), Median(bareRates), kControllerReplyLength);
    std::printf(" target\n  GET_CONTROLLER / bare loopback bandwidth  %5.1f%%  (at least 15%%)  %s\n",
                100 * share, share >= 0.15 ? "met" : "MISSED");
    return proxy.Stop() ? 0 : 1;
}

}  // namespace bench
