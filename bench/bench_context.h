// What every whole-process benchmark of proxy_bench needs: the programs, the files of the source tree,
// and how many rounds to run (each figure is reported as the median of its rounds).
#pragma once

#include <string>

#include "bench/proxy_under_test.h"

namespace bench {

struct BenchContext {
    BenchPrograms programs;
    std::string defaultScenario;  // sim/scenarios/default.ini
    std::string scenarioScript;   // bench/make_scenario.py
    int rounds = 5;
};

// (a) GET_STORAGESYSTEMS round trips over 1, 16 and 64 logged-in sessions against a bare loopback peer.
int RunRoundTrip(const BenchContext& context);
// (b) GET_CONTROLLER bytes per second against a bare loopback transfer of the same byte count.
int RunControllerTransfer(const BenchContext& context);
// (c) Discovery time and fabric exchanges per controller for 1, 4, 16 and 32 controller pairs.
int RunDiscoveryScaling(const BenchContext& context);
// (d) corlink4's resident memory idle and after 64 sessions have closed.
int RunProxyMemory(const BenchContext& context);
// (e) One session's round trip while 4,000 connections that never log in are open, against it without them.
int RunIdleConnections(const BenchContext& context);

}  // namespace bench
