// The names the provider gives the snapshots and full copies it creates: a prefix and the UTC time of
// creation to the millisecond, read on the platform clock, with a counter for further names made within the
// same millisecond.
#include <cstdio>
#include <mutex>

#include "platform/time/system_time.h"
#include "provider/controllers/capi_raid_controller.h"
#include "provider/controllers/function_trace.h"

namespace {

struct NameClock {
    std::mutex lock;
    bool started = false;  // no name made yet: the first name never carries a counter
    SYSTEMTIME previous{};
    uint32_t counter = 0;
};

NameClock& Names() {
    static NameClock clock;
    return clock;
}

bool SameMillisecond(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

}  // namespace

int BVSS_CapiRaidController::makeSnapshotName(const char* prefix, char* out, size_t size) {
    BVSS_FunctionTrace trace(L"BVSS_CapiRaidController::makeSnapshotName");
    SYSTEMTIME now;
    GetSystemTime(&now);
    NameClock& names = Names();
    std::lock_guard<std::mutex> locked(names.lock);
    if (!names.started || !SameMillisecond(now, names.previous)) names.counter = 0;
    names.started = true;
    names.previous = now;
    if (out != nullptr && size > 0) {
        const int written =
            std::snprintf(out, size, "%s%02u%02u%02u%02u%02u%02u%03u", prefix, now.wYear % 100u,
                          unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour},
                          unsigned{now.wMinute}, unsigned{now.wSecond}, unsigned{now.wMilliseconds});
        if (names.counter != 0 && written >= 0 && static_cast<size_t>(written) < size)
            std::snprintf(out + written, size - static_cast<size_t>(written), "%u", names.counter);
    }
    ++names.counter;
    return 0;
}
