#include "bench/session_load.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "bench/bare_peer.h"
#include "bench/proxy_under_test.h"

namespace bench {

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kWarmUpRequests = 20;
}  // namespace

LoadResult RunLoad(const LoadPlan& plan) {
    std::vector<std::unique_ptr<ProxyClientSession>> sessions;
    for (int i = 0; i < plan.sessions; ++i) {
        sessions.push_back(std::make_unique<ProxyClientSession>(30000));
        if (!plan.open(sessions.back().get())) return {false, "session: " + sessions.back()->Error(), {}};
    }
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::mutex resultLock;
    std::vector<double> latencies;
    std::string error;
    Clock::time_point start;
    Clock::time_point deadline;
    std::vector<std::thread> threads;
    for (auto& session : sessions) {
        threads.emplace_back([&, s = session.get()] {
            std::vector<double> mine;
            ProxyReply reply;
            std::string failure;
            auto once = [&]() {
                if (!s->Request(plan.opCode, plan.request, &reply)) {
                    failure = s->Error();
                } else if (reply.data.size() != plan.replyLength) {
                    failure = "a reply of " + std::to_string(reply.data.size()) + " bytes";
                }
                return failure.empty();
            };
            for (int i = 0; i < kWarmUpRequests && once(); ++i) {
            }
            ++ready;
            while (!go) std::this_thread::yield();
            while (failure.empty() && Clock::now() < deadline) {
                const auto t0 = Clock::now();
                if (!once()) break;
                mine.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            }
            std::lock_guard<std::mutex> g(resultLock);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
            if (!failure.empty()) error = failure;
        });
    }
    while (ready < plan.sessions) std::this_thread::yield();
    start = Clock::now();
    deadline = start + plan.duration;
    go = true;
    for (std::thread& t : threads) t.join();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    for (auto& session : sessions) session->Close();
    if (!error.empty()) return {false, error, {}};
    return {true, {}, Summarize(latencies, wall)};
}

bool RunSideBySide(LoadPlan plan, const ProxyUnderTest& proxy, const BarePeer& bare, LatencySummary* onProxy,
                   LatencySummary* onBare) {
    plan.open = [&](ProxyClientSession* s) { return proxy.OpenSession(s); };
    const LoadResult p = RunLoad(plan);
    plan.open = [&](ProxyClientSession* s) { return s->Connect(bare.port()); };
    const LoadResult b = RunLoad(plan);
    if (!p.ok || !b.ok) {
        std::printf("  failed: %s%s\n", p.error.c_str(), b.error.c_str());
        return false;
    }
    *onProxy = p.summary;
    *onBare = b.summary;
    return true;
}

}  // namespace bench
