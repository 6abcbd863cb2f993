// (d) corlink4's resident memory idle (after start-up discovery) and after 64 sessions have come, each
// read the storage systems and a controller, and gone.
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "bench/bench_commands.h"
#include "bench/bench_context.h"
#include "bench/stats.h"

namespace bench {

namespace {

constexpr int kSessions = 64;
constexpr long kTargetKiB = 64 * 1024;

// Every session at once: logs in, sends its requests, says goodbye.
bool RunSessions(const ProxyUnderTest& proxy) {
    std::vector<std::unique_ptr<ProxyClientSession>> sessions;
    for (int i = 0; i < kSessions; ++i) {
        sessions.push_back(std::make_unique<ProxyClientSession>(30000));
        if (!proxy.OpenSession(sessions.back().get())) return false;
    }
    std::vector<std::thread> threads;
    std::vector<int> ok(kSessions, 0);
    for (int i = 0; i < kSessions; ++i) {
        threads.emplace_back([&, i] {
            ProxyClientSession& s = *sessions[i];
            ProxyReply reply;
            if (!s.Request(kGetControllerHandleDb, {}, &reply)) return;
            const std::vector<uint8_t> controller = ControllerRequest(FirstControllerId(reply));
            ok[i] = s.Request(kGetStorageSystems, std::vector<uint8_t>(kStorageSystemsLength, 0), &reply) &&
                    s.Request(kGetController, controller, &reply);
        });
    }
    for (std::thread& t : threads) t.join();
    for (auto& s : sessions) s->Close();
    for (int v : ok) {
        if (v == 0) return false;
    }
    return true;
}

}  // namespace

int RunProxyMemory(const BenchContext& context) {
    std::vector<double> idle, after;
    for (int round = 1; round <= context.rounds; ++round) {
        ProxyUnderTest proxy(context.programs, context.defaultScenario);
        if (!proxy.Start()) return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        idle.push_back(static_cast<double>(proxy.ResidentKiB()));
        if (!RunSessions(proxy)) {
            std::printf("  the sessions failed\n");
            return 1;
        }
        // The session threads end after their goodbye: let them go.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        after.push_back(static_cast<double>(proxy.ResidentKiB()));
        std::printf(" round %d: idle %6.1f MB, after %d sessions closed %6.1f MB\n", round,
                    idle.back() / 1024, kSessions, after.back() / 1024);
        std::fflush(stdout);
        if (!proxy.Stop()) return 1;
    }
    const double closed = Median(after);
    std::printf(" medians of %d rounds: idle %.1f MB, after %d sessions closed %.1f MB\n", context.rounds,
                Median(idle) / 1024, kSessions, closed / 1024);
    std::printf(" target\n  resident after %d closed sessions  %.1f MB  (under 64 MB)  %s\n", kSessions,
                closed / 1024, closed < kTargetKiB ? "met" : "MISSED");
    return 0;
}

}  // namespace bench
