#include "bench/stats.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {
double Percentile(const std::vector<double>& sorted, double fraction) {
    if (sorted.empty()) return 0;
    const size_t index = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}
}  // namespace

LatencySummary Summarize(std::vector<double>& latenciesUs, double wallSeconds) {
    std::sort(latenciesUs.begin(), latenciesUs.end());
    LatencySummary s;
    s.medianUs = Percentile(latenciesUs, 0.5);
    s.p99Us = Percentile(latenciesUs, 0.99);
    s.requestsPerSecond = wallSeconds > 0 ? static_cast<double>(latenciesUs.size()) / wallSeconds : 0;
    return s;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace bench
