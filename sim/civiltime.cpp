#include "civiltime.h"

#include <ctime>
#include <sys/time.h>

namespace rq60 {
namespace civil {

namespace {
constexpr std::int64_t MsPerDay = 86400000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
} // namespace

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
std::int64_t daysFromCivil(int year, int month, int day)
{
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = floorDiv(y, 400);
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t days, int *year, int *month, int *day)
{
    days += 719468;
    std::int64_t era = floorDiv(days, 146097);
    std::int64_t doe = days - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    *month = m;
    *day = d;
}

bool validDate(int year, int month, int day)
{
    if (month < 1 || month > 12 || day < 1)
        return false;
    static const int length[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int max = length[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= max;
}

std::int64_t toMs(const DateTime &t)
{
    return daysFromCivil(t.year, t.month, t.day) * MsPerDay +
           (t.hour * 3600 + t.minute * 60 + t.second) * std::int64_t(1000);
}

DateTime fromMs(std::int64_t ms)
{
    DateTime t;
    std::int64_t days = floorDiv(ms, MsPerDay);
    std::int64_t rest = (ms - days * MsPerDay) / 1000;
    civilFromDays(days, &t.year, &t.month, &t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

std::int64_t localNowMs()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::time_t secs = tv.tv_sec;
    std::tm local{};
    localtime_r(&secs, &local);
    DateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    return toMs(t) + tv.tv_usec / 1000;
}

} // namespace civil
} // namespace rq60
