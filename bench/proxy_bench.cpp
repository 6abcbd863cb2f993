// proxy_bench: whole-process benchmarks of corlink4 on the simulated fabric, each figure beside the same
// work done by a bare loopback peer in one run.
//
//   proxy_bench [round-trip|transfer|discovery|memory|idle-connections|all] [--rounds N]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_context.h"

namespace {

struct Benchmark {
    const char* name;
    int (*run)(const bench::BenchContext&);
};
constexpr Benchmark kBenchmarks[] = {
    // clang-format off
    {"round-trip", bench::RunRoundTrip},
    {"transfer", bench::RunControllerTransfer},
    {"discovery", bench::RunDiscoveryScaling},
    {"memory", bench::RunProxyMemory},
    {"idle-connections", bench::RunIdleConnections},
    // clang-format on
};

int Usage() {
    std::fprintf(
        stderr,
        "usage: proxy_bench [round-trip|transfer|discovery|memory|idle-connections|all] [--rounds N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);  // a peer that has gone is an error of the send, not the end of the run
    bench::BenchContext context;
    context.programs = {CORLINK4_PROGRAM, ARRAYSIM_PROGRAM};
    context.defaultScenario = DEFAULT_SCENARIO;
    context.scenarioScript = SCENARIO_SCRIPT;
    std::string which = "all";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            context.rounds = std::atoi(argv[++i]);
            if (context.rounds < 1 || context.rounds > 100) return Usage();
        } else if (argv[i][0] != '-') {
            which = argv[i];
        } else {
            return Usage();
        }
    }
    bool known = which == "all";
    int failures = 0;
    for (const Benchmark& b : kBenchmarks) {
        if (which != "all" && which != b.name) continue;
        known = true;
        std::printf("== %s (%d rounds)\n", b.name, context.rounds);
        std::fflush(stdout);
        failures += b.run(context) != 0 ? 1 : 0;
    }
    if (!known) return Usage();
    return failures == 0 ? 0 : 1;
}
