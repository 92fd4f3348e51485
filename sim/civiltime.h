// Calendar arithmetic for the device clock: a count of milliseconds since
// 1970-01-01 00:00 in civil time (the device has no time zone and no daylight
// saving; it shows what it was set to).
#ifndef RQ60SIM_CIVILTIME_H
#define RQ60SIM_CIVILTIME_H

#include <cstdint>

namespace rq60 {
namespace civil {

struct DateTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

std::int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(std::int64_t days, int *year, int *month, int *day);
bool validDate(int year, int month, int day);

std::int64_t toMs(const DateTime &t);
DateTime fromMs(std::int64_t ms);

// The host's local time now, as a civil clock value.
std::int64_t localNowMs();

} // namespace civil
} // namespace rq60

#endif
