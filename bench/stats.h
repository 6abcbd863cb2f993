// Figures of a set of measured latencies.
#pragma once

#include <vector>

namespace bench {

struct LatencySummary {
    double medianUs = 0;
    double p99Us = 0;
    double requestsPerSecond = 0;
};

// latenciesUs is sorted in place; wallSeconds is the time all of them took together.
LatencySummary Summarize(std::vector<double>& latenciesUs, double wallSeconds);

// The median of a few values (the figure reported over several rounds).
double Median(std::vector<double> values);

}  // namespace bench
