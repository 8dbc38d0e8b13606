// Local time, with a fixed clock for tests.
#include <ctime>
#include <mutex>

#include "velmora/system.h"

namespace {

std::mutex g_clockLock;
bool g_fixed = false;
SYSTEMTIME g_fixedTime{};

SYSTEMTIME ToSystemTime(const std::tm& tm, long nanoseconds) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(tm.tm_year + 1900);
    t.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    t.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    t.wDay = static_cast<WORD>(tm.tm_mday);
    t.wHour = static_cast<WORD>(tm.tm_hour);
    t.wMinute = static_cast<WORD>(tm.tm_min);
    // A leap second reads as the last second of its minute.
    t.wSecond = static_cast<WORD>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    t.wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
    return t;
}

}  // namespace

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    {
        std::lock_guard<std::mutex> lock(g_clockLock);
        if (g_fixed) {
            *time = g_fixedTime;
            return;
        }
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    localtime_r(&now.tv_sec, &tm);
    *time = ToSystemTime(tm, now.tv_nsec);
}

void SetLocalTimeOverride(const SYSTEMTIME* time) {
    std::lock_guard<std::mutex> lock(g_clockLock);
    g_fixed = time != nullptr;
    if (time) g_fixedTime = *time;
}
