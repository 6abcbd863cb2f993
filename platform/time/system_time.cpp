#include "platform/time/system_time.h"

#include <ctime>

#include "platform/time/clock.h"

namespace {

void FromMilliseconds(int64_t ms, SYSTEMTIME* out) {
    time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm tm {};
    gmtime_r(&seconds, &tm);
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(ms % 1000);
}

int64_t ToMilliseconds(const SYSTEMTIME& t) {
    struct tm tm {};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay;
    tm.tm_hour = t.wHour;
    tm.tm_min = t.wMinute;
    tm.tm_sec = t.wSecond;
    return static_cast<int64_t>(timegm(&tm)) * 1000 + t.wMilliseconds;
}

// Minutes to add to UTC for local time at the given instant.
long LocalOffsetMinutes(int64_t ms) {
    time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm tm {};
    localtime_r(&seconds, &tm);
    return tm.tm_gmtoff / 60;
}

}  // namespace

void GetSystemTime(SYSTEMTIME* time) {
    FromMilliseconds(static_cast<int64_t>(platform::GetClock().NowMs()), time);
}

void GetLocalTime(SYSTEMTIME* time) {
    int64_t now = static_cast<int64_t>(platform::GetClock().NowMs());
    FromMilliseconds(now + LocalOffsetMinutes(now) * 60000, time);
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* zone) {
    zone->Bias = static_cast<LONG>(-LocalOffsetMinutes(static_cast<int64_t>(platform::GetClock().NowMs())));
    return TIME_ZONE_ID_UNKNOWN;
}

BOOL SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION* zone, const SYSTEMTIME* universal,
                                     SYSTEMTIME* local) {
    if (universal == nullptr || local == nullptr) return FALSE;
    int64_t ms = ToMilliseconds(*universal);
    long bias = zone != nullptr ? zone->Bias : -LocalOffsetMinutes(ms);
    FromMilliseconds(ms - static_cast<int64_t>(bias) * 60000, local);
    return TRUE;
}
