// (c) Start-up discovery for 1, 4, 16 and 32 controller pairs (scenarios written by make_scenario.py):
// the time until corlink4 listens, less that of an empty fabric, and the CAPI exchanges the fabric's
// journal counts, each per controller.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "bench/bench_context.h"
#include "bench/stats.h"

namespace bench {

namespace {

constexpr int kPairCounts[] = {0, 1, 4, 16, 32};

size_t CapiExchanges(const std::string& journal) {
    std::istringstream lines(journal);
    std::string line;
    size_t count = 0;
    while (std::getline(lines, line)) count += line.rfind("capi ", 0) == 0 ? 1 : 0;
    return count;
}

struct Run {
    double seconds = 0;
    size_t exchanges = 0;
};

bool Discover(const BenchContext& context, const std::string& scenario, Run* run) {
    ProxyUnderTest proxy(context.programs, scenario);
    if (!proxy.Start()) return false;
    run->seconds = proxy.secondsUntilListening();
    run->exchanges = CapiExchanges(proxy.Admin("journal"));
    return proxy.Stop();
}

}  // namespace

int RunDiscoveryScaling(const BenchContext& context) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("corlink-bench-scenarios-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory);
    std::map<int, std::string> scenarios;
    for (int pairs : kPairCounts) {
        scenarios[pairs] = (directory / ("pairs-" + std::to_string(pairs) + ".ini")).string();
        const std::string command = "python3 '" + context.scenarioScript + "' " + std::to_string(pairs) +
                                    " > '" + scenarios[pairs] + "'";
        if (std::system(command.c_str()) != 0) {
            std::printf("  %s failed\n", command.c_str());
            return 1;
        }
    }
    std::map<int, std::vector<double>> seconds;
    std::map<int, size_t> exchanges;
    for (int round = 1; round <= context.rounds; ++round) {
        std::printf(" round %d:", round);
        for (int pairs : kPairCounts) {
            Run run;
            if (!Discover(context, scenarios[pairs], &run)) return 1;
            seconds[pairs].push_back(run.seconds);
            exchanges[pairs] = run.exchanges;
            std::printf("  %d pairs %.3f s", pairs, run.seconds);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    std::filesystem::remove_all(directory);

    const double empty = Median(seconds[0]);
    std::printf(" medians of %d rounds (an empty fabric: %.3f s until listening)\n", context.rounds, empty);
    double first = 0;
    double worst = 0;
    for (int pairs : kPairCounts) {
        if (pairs == 0) continue;
        const double controllers = 2.0 * pairs;
        const double perController = (Median(seconds[pairs]) - empty) / controllers;
        if (first == 0) first = perController;
        if (perController / first > worst) worst = perController / first;
        std::printf(
            "  %2d pairs: discovery %.3f s, %.2f ms and %.1f exchanges per controller (%.2f x one pair)\n",
            pairs, Median(seconds[pairs]) - empty, 1000 * perController,
            static_cast<double>(exchanges[pairs]) / controllers, perController / first);
    }
    std::printf(" target\n  cost per controller, largest over one pair's  %.2f  (within 1.5)  %s\n", worst,
                worst <= 1.5 ? "met" : "MISSED");
    return 0;
}

}  // namespace bench
