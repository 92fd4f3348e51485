#include "devicemodel.h"

#include "civiltime.h"
#include "valuerules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace rq60 {

namespace {

enum Gen { V1 = 1, V2 = 2, Both = 3 };
enum class Access { ReadOnly, ReadWrite, WriteOnly, Command };
enum class Lock { None, Calibration, User, SupplierLock, CustomerLock };
enum class Kind {
    Fixed,      // read-only text that never changes
    Computed,   // read-only, computed from the device's state
    Decimal,    // lo..hi with at most `decimals` decimals, stored with exactly that many
    Substitute, // decimal lo..hi, one decimal, stored in the "##.0" form
    Items,      // one of the texts in `items`, separated by "|"
    Integer,    // lo..hi, stored in plain decimal
    Digits12,   // exactly twelve digits
    Key,        // exactly eight digits, write-only
    LockKey,    // eight digits sent to open a lock; stores the lock's state
    Counter,    // counter with `decimals` decimals, taken as a new reading
    Date,
    Time,
    MonthEnd,
    TempRange,
    Cycle,
    Capacity,
    ClearStatus,
    ResetCounters,
};

struct Rule {
    const char *address;
    int gens;
    Access access;
    Lock lock;
    Kind kind;
    double lo = 0, hi = 0;
    int decimals = 0;
    const char *items = nullptr;
};

const char *const PulseValues = "0.01|0.1|1|10|100";

// What the device has and how it takes each value. The classes follow the
// device's locks: calibration-lock values change the conversion or the
// official counters; user-lock values (V1x only) are the customer's own.
const Rule Table[] = {
    {"H1", Both, Access::ReadWrite, Lock::Calibration, Kind::Counter, 0, 0, 2},
    {"H2", Both, Access::ReadWrite, Lock::Calibration, Kind::Counter, 0, 0, 4},
    {"H4", Both, Access::ReadWrite, Lock::Calibration, Kind::Counter, 0, 0, 4},
    {"H6", Both, Access::ReadWrite, Lock::Calibration, Kind::Counter, 0, 0, 4},
    {"H7", Both, Access::ReadOnly, Lock::None, Kind::Computed},
    {"H8", Both, Access::ReadOnly, Lock::None, Kind::Computed},
    {"H23", Both, Access::ReadWrite, Lock::User, Kind::Counter, 0, 0, 2},
    {"L2", Both, Access::ReadOnly, Lock::None, Kind::Computed},
    {"L4", Both, Access::ReadWrite, Lock::None, Kind::ClearStatus},
    {"L7", Both, Access::ReadWrite, Lock::User, Kind::Date},
    {"L8", Both, Access::ReadWrite, Lock::User, Kind::Time},
    {"L12", Both, Access::ReadWrite, Lock::User, Kind::MonthEnd},
    {"L18", Both, Access::ReadWrite, Lock::Calibration, Kind::Digits12},
    {"L27", V2, Access::ReadWrite, Lock::Calibration, Kind::TempRange, -30, 50},
    {"L33", Both, Access::ReadOnly, Lock::None, Kind::Fixed},
    {"L34", Both, Access::ReadOnly, Lock::None, Kind::Fixed},
    {"L35", Both, Access::ReadWrite, Lock::None, Kind::Capacity},
    {"L123", Both, Access::ReadWrite, Lock::User, Kind::Digits12},
    {"L124", Both, Access::ReadWrite, Lock::User, Kind::Digits12},
    {"L156", Both, Access::ReadWrite, Lock::Calibration, Kind::Decimal, 0.99, 1.05, 5},
    {"L157", Both, Access::ReadWrite, Lock::Calibration, Kind::Decimal, 223.15, 323.15, 2},
    {"P0", V1, Access::ReadWrite, Lock::None, Kind::LockKey},
    {"P1", Both, Access::ReadWrite, Lock::Calibration, Kind::Decimal, 0.5, 1.5, 4},
    {"P2", Both, Access::ReadWrite, Lock::Calibration, Kind::Decimal, 0.5, 6.5535, 5},
    {"P3", Both, Access::ReadWrite, Lock::Calibration, Kind::Substitute, -35, 55},
    {"P4", Both, Access::ReadWrite, Lock::Calibration, Kind::Items, 0, 0, 0, PulseValues},
    {"P9", V1, Access::WriteOnly, Lock::SupplierLock, Kind::Key},
    {"P10", V1, Access::ReadWrite, Lock::None, Kind::LockKey},
    {"P11", V1, Access::WriteOnly, Lock::CustomerLock, Kind::Key},
    {"P13", Both, Access::ReadWrite, Lock::Calibration, Kind::Integer, 0, 1},
    {"P14", Both, Access::ReadWrite, Lock::Calibration, Kind::Cycle, 0, 255},
    {"P16", V1, Access::ReadWrite, Lock::User, Kind::Integer, 0, 5},
    {"P17", V1, Access::ReadWrite, Lock::User, Kind::Items, 0, 0, 0, PulseValues},
    {"P28", V1, Access::ReadOnly, Lock::None, Kind::Computed},
    {"P37", V1, Access::ReadWrite, Lock::Calibration, Kind::Integer, 1, 2},
    {"P38", Both, Access::ReadWrite, Lock::Calibration, Kind::Integer, 0, 4},
    {"P48", Both, Access::Command, Lock::Calibration, Kind::ResetCounters},
    {"P147", Both, Access::ReadWrite, Lock::Calibration, Kind::Integer, 0, 4095},
    {"P148", Both, Access::ReadWrite, Lock::Calibration, Kind::Integer, 0, 4095},
    {"P170", V2, Access::ReadOnly, Lock::None, Kind::Computed},
    {"P171", V2, Access::ReadOnly, Lock::None, Kind::Computed},
    {"P310", V2, Access::ReadWrite, Lock::User, Kind::Integer, 0, 9},
    {"P311", V2, Access::ReadWrite, Lock::User, Kind::Items, 0, 0, 0, PulseValues},
};

const Rule ArchiveRule = {"H2xx", V2, Access::ReadOnly, Lock::None, Kind::Computed};

// The temperature sensor: the device computes T[K] = P148 * x + P147 / 10
// from the sensor's quantity x. This sensor would read true with offset 2720
// and gradient 2050; the device leaves the works with 2725 and 2040, so it
// reads a little high until the technician calibrates it.
constexpr double SensorOffsetK = 272.0;
constexpr double SensorGradient = 2050.0;

// The battery: 9.5 Ah last 120 months.
constexpr double AhPerMonth = 9.5 / 120.0;
constexpr double MsPerMonth = 30.436875 * 86400000.0;
constexpr double CounterWrap = 100000000.0; // eight integer digits

int archiveIndex(const std::string &address)
{
    if (address.size() != 4 || address.compare(0, 2, "H2") != 0)
        return 0;
    int n = std::atoi(address.c_str() + 1);
    return n >= 201 && n <= 215 && address[1] >= '0' ? n - 200 : 0;
}

const Rule *findRule(const std::string &address, int generation)
{
    int bit = generation == 1 ? V1 : V2;
    if (archiveIndex(address))
        return (ArchiveRule.gens & bit) ? &ArchiveRule : nullptr;
    for (const Rule &r : Table)
        if (address == r.address)
            return (r.gens & bit) ? &r : nullptr;
    return nullptr;
}

bool inRange(double v, double lo, double hi)
{
    const double eps = 1e-9;
    return v >= lo - eps && v <= hi + eps;
}

bool isItem(const char *items, const std::string &value)
{
    std::string all = std::string("|") + items + "|";
    return !value.empty() && value.find('|') == std::string::npos &&
           all.find("|" + value + "|") != std::string::npos;
}

// "dd.mm.yy" / "hh:mm:ss": three two-digit numbers with a separator.
bool splitThree(const std::string &text, char sep, int *a, int *b, int *c)
{
    if (text.size() != 8 || text[2] != sep || text[5] != sep)
        return false;
    std::string digits = text.substr(0, 2) + text.substr(3, 2) + text.substr(6, 2);
    if (!rules::allDigits(digits, 6))
        return false;
    *a = std::atoi(digits.substr(0, 2).c_str());
    *b = std::atoi(digits.substr(2, 2).c_str());
    *c = std::atoi(digits.substr(4, 2).c_str());
    return true;
}

} // namespace

DeviceModel::DeviceModel(int generation) : m_generation(generation == 1 ? 1 : 2)
{
    bool v1 = m_generation == 1;
    m_values = {
        {"L12", "06:00"},
        {"L18", "000000123456"},
        {"L27", "-20;40"},
        {"L33", "RQ60 RQ-60"},
        {"L34", v1 ? "1.22" : "2.05"},
        {"L123", "000000009876"},
        {"L124", "000012345678"},
        {"L156", "1.01325"},
        {"L157", "273.15"},
        {"P0", "0"},
        {"P1", "1.0000"},
        {"P2", "1.05000"},
        {"P3", "15.0"},
        {"P4", "1"},
        {"P9", "12345678"},
        {"P10", "0"},
        {"P11", "87654321"},
        {"P13", "1"},
        {"P14", "20.0"},
        {"P16", "4"},
        {"P17", "1"},
        {"P37", "1"},
        {"P38", "0"},
        {"P147", "2725"},
        {"P148", "2040"},
        {"P310", "1"},
        {"P311", "1"},
    };
    m_statusEvents = {3}; // the power-up event, until someone clears the register

    m_clockMs = civil::localNowMs();
    m_count.h1 = 412345.67;
    m_count.h2 = 401876.5432;
    m_count.h4 = 1234.5678;
    m_count.h23 = 12345.67;

    // Month-end values and archive as if the device had run at the present
    // flow and temperature since long before.
    bool disturbed = false;
    double vbPerMs = m_flow / 3.6e6;
    double vnPerVb = number("P2", 1.05) / number("L156", 1.01325) * number("L157", 273.15) /
                     (gasTemperatureForConversion(&disturbed) + 273.15) / number("P1", 1.0);
    std::int64_t boundary = previousMonthEnd(m_clockMs);
    double since = static_cast<double>(m_clockMs - boundary);
    m_monthEnd = m_count;
    m_monthEnd.h1 -= vbPerMs * since;
    m_monthEnd.h23 -= vbPerMs * since;
    m_monthEnd.h2 -= vbPerMs * vnPerVb * since;
    for (int k = 0; k < 15; ++k) {
        double back = static_cast<double>(m_clockMs - boundary);
        double vn = m_count.h2 + m_count.h4 - vbPerMs * vnPerVb * back;
        m_archive.push_back({static_cast<std::int64_t>(std::max(0.0, std::floor(vn))), boundary});
        boundary = previousMonthEnd(boundary - 1);
    }
}

bool DeviceModel::exists(const std::string &address) const
{
    return findRule(address, m_generation) != nullptr;
}

std::vector<std::string> DeviceModel::addresses() const
{
    std::vector<std::string> out;
    for (const Rule &r : Table)
        if (exists(r.address))
            out.push_back(r.address);
    if (m_generation == 2)
        for (int k = 201; k <= 215; ++k)
            out.push_back("H" + std::to_string(k));
    auto key = [](const std::string &a) {
        return std::make_pair(std::string("HLP").find(a[0]), std::atoi(a.c_str() + 1));
    };
    std::sort(out.begin(), out.end(),
              [&](const std::string &a, const std::string &b) { return key(a) < key(b); });
    return out;
}

bool DeviceModel::userLockOpen() const
{
    if (m_generation != 1)
        return false;
    auto at = [this](const char *a) { return m_values.at(a) == "1"; };
    return at("P0") || at("P10");
}

// V2x devices have no user lock; on V1x the open calibration lock opens the
// user-class values too (the technician with the seal open may change anything).
bool DeviceModel::userClassOpen() const
{
    return m_generation != 1 || m_calibrationOpen || userLockOpen();
}

int DeviceModel::lockClassError(const std::string &address) const
{
    const Rule *r = findRule(address, m_generation);
    switch (r->lock) {
    case Lock::None: return NoError;
    case Lock::Calibration: return m_calibrationOpen ? NoError : ErLocked;
    case Lock::User: return userClassOpen() ? NoError : ErLocked;
    case Lock::SupplierLock: return m_values.at("P0") == "1" ? NoError : ErLocked;
    case Lock::CustomerLock: return m_values.at("P10") == "1" ? NoError : ErLocked;
    }
    return NoError;
}

double DeviceModel::number(const std::string &address, double fallback) const
{
    auto it = m_values.find(address);
    double v = 0;
    if (it == m_values.end() || !rules::parseDecimal(it->second, &v))
        return fallback;
    return v;
}

double DeviceModel::measuredTemperature() const
{
    double x = (m_sensorC + 273.15 - SensorOffsetK) / SensorGradient;
    return number("P148", 2040) * x + number("P147", 2725) / 10.0 - 273.15;
}

std::string DeviceModel::temperatureText(double celsius) const
{
    return rules::fixed(celsius, 1);
}

// The temperature the conversion uses: the measured one in mode "Messung"
// (P13 = 1) while it lies in the measuring range, else the substitute value P3.
// A measured temperature outside the range is a disturbance: base volume then
// counts into H4 instead of H2.
double DeviceModel::gasTemperatureForConversion(bool *disturbed) const
{
    double substitute = number("P3", 15.0);
    *disturbed = m_forcedDisturbance;
    if (m_values.at("P13") != "1")
        return substitute;
    double lo = -30, hi = 50;
    if (m_generation == 2) {
        const std::string &range = m_values.at("L27");
        std::size_t semi = range.find(';');
        double a = 0, b = 0;
        if (semi != std::string::npos && rules::parseDecimal(range.substr(0, semi), &a) &&
            rules::parseDecimal(range.substr(semi + 1), &b)) {
            lo = a;
            hi = b;
        }
    }
    double t = measuredTemperature();
    if (t < lo || t > hi) {
        *disturbed = true;
        return substitute;
    }
    return t;
}

int DeviceModel::monthEndHour() const
{
    return std::atoi(m_values.at("L12").substr(0, 2).c_str());
}

int DeviceModel::monthEndMinute() const
{
    const std::string &t = m_values.at("L12");
    return t.size() >= 5 ? std::atoi(t.substr(3, 2).c_str()) : 0;
}

std::int64_t DeviceModel::previousMonthEnd(std::int64_t atOrBeforeMs) const
{
    civil::DateTime now = civil::fromMs(atOrBeforeMs);
    civil::DateTime b;
    b.year = now.year;
    b.month = now.month;
    b.hour = monthEndHour();
    b.minute = monthEndMinute();
    if (civil::toMs(b) > atOrBeforeMs) {
        if (--b.month == 0) {
            b.month = 12;
            --b.year;
        }
    }
    return civil::toMs(b);
}

std::int64_t DeviceModel::nextMonthEnd(std::int64_t afterMs) const
{
    civil::DateTime b = civil::fromMs(previousMonthEnd(afterMs));
    if (++b.month == 13) {
        b.month = 1;
        ++b.year;
    }
    return civil::toMs(b);
}

void DeviceModel::run(std::int64_t ms)
{
    if (ms <= 0)
        return;
    bool disturbed = false;
    double t = gasTemperatureForConversion(&disturbed);
    double vb = m_flow * static_cast<double>(ms) / 3.6e6;
    double vn = vb * number("P2", 1.05) / number("L156", 1.01325) * number("L157", 273.15) /
                (t + 273.15) / number("P1", 1.0);
    auto add = [](double &c, double v) { c = std::fmod(c + v, CounterWrap); };
    add(m_count.h1, vb);
    add(m_count.h23, vb);
    add(disturbed ? m_count.h4 : m_count.h2, vn);
    m_batteryAh = std::max(0.0, m_batteryAh - AhPerMonth * static_cast<double>(ms) / MsPerMonth);
    m_clockMs += ms;
}

void DeviceModel::monthEnd()
{
    m_monthEnd = m_count;
    double vn = std::floor(m_count.h2 + m_count.h4);
    m_archive.insert(m_archive.begin(),
                     {static_cast<std::int64_t>(std::fmod(vn, CounterWrap)), m_clockMs});
    if (m_archive.size() > 15)
        m_archive.resize(15);
}

void DeviceModel::advance(std::int64_t ms)
{
    // Step from month boundary to month boundary, so that each month-end
    // value is the counter reading at that moment. A jump of many years is
    // cut short rather than looping without end.
    for (int guard = 0; ms > 0 && guard < 1200; ++guard) {
        std::int64_t next = nextMonthEnd(m_clockMs);
        if (m_clockMs + ms < next) {
            run(ms);
            return;
        }
        std::int64_t step = next - m_clockMs;
        run(step);
        monthEnd();
        ms -= step;
    }
}

std::string DeviceModel::statusText() const
{
    std::vector<int> bits = m_statusEvents;
    if (m_calibrationOpen)
        bits.push_back(30);
    std::sort(bits.begin(), bits.end());
    bits.erase(std::unique(bits.begin(), bits.end()), bits.end());
    if (bits.empty())
        return "0";
    std::string s;
    for (int b : bits)
        s += "." + std::to_string(b);
    return s;
}

// Remaining capacity (one decimal, cut) ";" the months it lasts (three digits).
std::string DeviceModel::batteryText() const
{
    double tenths = std::floor(m_batteryAh * 10 + 1e-6);
    double ah = std::min(99.0, tenths) / 10.0;
    long months = std::lround(ah / AhPerMonth);
    char buf[24];
    std::snprintf(buf, sizeof buf, ";%03ld", std::clamp(months, 0L, 999L));
    return rules::fixed(ah, 1) + buf;
}

void DeviceModel::keepArchive(int n)
{
    if (n >= 0 && n < static_cast<int>(m_archive.size()))
        m_archive.resize(static_cast<std::size_t>(n));
}

std::string DeviceModel::archiveEntry(int k) const
{
    if (k < 1 || k > static_cast<int>(m_archive.size()))
        return "00000000;00.00.00";
    const ArchiveItem &a = m_archive[k - 1];
    civil::DateTime d = civil::fromMs(a.whenMs);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08lld;%02d.%02d.%02d", static_cast<long long>(a.value), d.day,
                  d.month, d.year % 100);
    return buf;
}

std::string DeviceModel::dynamicValue(const std::string &address, bool *handled) const
{
    *handled = true;
    civil::DateTime now = civil::fromMs(m_clockMs);
    char buf[40];
    if (int k = archiveIndex(address))
        return archiveEntry(k);
    if (address == "H1")
        return rules::counter(m_count.h1, 2);
    if (address == "H2")
        return rules::counter(m_count.h2, 4);
    if (address == "H4")
        return rules::counter(m_count.h4, 4);
    if (address == "H6") // the sum of the shown parts, so H6 = H2 + H4 holds in the texts too
        return rules::counter(std::floor(m_count.h2 * 1e4 + 1e-6) / 1e4 +
                                  std::floor(m_count.h4 * 1e4 + 1e-6) / 1e4,
                              4);
    if (address == "H7")
        return rules::counter(m_monthEnd.h1, 2);
    if (address == "H8")
        return rules::counter(std::floor(m_monthEnd.h2 * 1e4 + 1e-6) / 1e4 +
                                  std::floor(m_monthEnd.h4 * 1e4 + 1e-6) / 1e4,
                              4);
    if (address == "H23")
        return rules::counter(m_count.h23, 2);
    if (address == "L2") {
        bool disturbed = false;
        return m_values.at("P13") == "1" ? temperatureText(measuredTemperature())
                                         : temperatureText(gasTemperatureForConversion(&disturbed));
    }
    if (address == "P28" || address == "P170" || address == "P171")
        return temperatureText(measuredTemperature());
    if (address == "L4")
        return statusText();
    if (address == "L7") {
        std::snprintf(buf, sizeof buf, "%02d.%02d.%02d", now.day, now.month, now.year % 100);
        return buf;
    }
    if (address == "L8") {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", now.hour, now.minute, now.second);
        return buf;
    }
    if (address == "L35")
        return batteryText();
    if (address == "P48")
        return "0";
    *handled = false;
    return std::string();
}

int DeviceModel::read(const std::string &address, std::string *value) const
{
    const Rule *r = findRule(address, m_generation);
    if (!r)
        return ErUnknownAddress;
    auto forced = m_verbatim.find(address);
    if (forced != m_verbatim.end()) {
        *value = forced->second;
        return NoError;
    }
    if (r->access == Access::WriteOnly) {
        *value = std::string(m_values.at(address).size(), '*');
        return NoError;
    }
    bool handled = false;
    std::string v = dynamicValue(address, &handled);
    *value = handled ? v : m_values.at(address);
    return NoError;
}

// Writes to the values the device computes or acts on. *handled is false for
// plain stored parameters.
int DeviceModel::writeDynamic(const std::string &address, const std::string &value,
                              std::string *stored, bool *handled)
{
    const Rule *r = findRule(address, m_generation);
    *handled = true;
    switch (r->kind) {
    case Kind::Counter: {
        double v = 0;
        int decimals = 0;
        if (!rules::parseDecimal(value, &v, &decimals) || v < 0 || decimals > r->decimals ||
            v >= CounterWrap)
            return ErBadValue;
        if (address == "H6") {
            // The total is no counter of its own: the device takes it only
            // when it equals the sum of its parts, as they are now or as
            // they were just written.
            double sum = 0;
            rules::parseDecimal(dynamicValue("H6", handled), &sum);
            const double h2 =
                m_h2Written ? m_written.h2 : std::floor(m_count.h2 * 1e4 + 1e-6) / 1e4;
            const double h4 =
                m_h4Written ? m_written.h4 : std::floor(m_count.h4 * 1e4 + 1e-6) / 1e4;
            if (std::fabs(sum - v) > 0.00005 && std::fabs(h2 + h4 - v) > 0.00005)
                return ErBadValue;
            m_h2Written = m_h4Written = false;
        } else {
            double &c = address == "H1"   ? m_count.h1
                        : address == "H2" ? m_count.h2
                        : address == "H4" ? m_count.h4
                                          : m_count.h23;
            c = v;
            if (address == "H2" || address == "H4") {
                (address == "H2" ? m_written.h2 : m_written.h4) = v;
                (address == "H2" ? m_h2Written : m_h4Written) = true;
            }
        }
        break;
    }
    case Kind::ClearStatus:
        if (value != "0")
            return ErBadValue;
        m_statusEvents.clear(); // bit 30 stays: it shows the lock, not an event
        break;
    case Kind::Date: {
        int d = 0, m = 0, y = 0;
        if (!splitThree(value, '.', &d, &m, &y) || !civil::validDate(2000 + y, m, d))
            return ErBadValue;
        civil::DateTime t = civil::fromMs(m_clockMs);
        std::int64_t msOfSecond = m_clockMs - civil::toMs(t);
        t.year = 2000 + y;
        t.month = m;
        t.day = d;
        m_clockMs = civil::toMs(t) + msOfSecond;
        break;
    }
    case Kind::Time: {
        int h = 0, mi = 0, s = 0;
        if (!splitThree(value, ':', &h, &mi, &s) || h > 23 || mi > 59 || s > 59)
            return ErBadValue;
        civil::DateTime t = civil::fromMs(m_clockMs);
        t.hour = h;
        t.minute = mi;
        t.second = s;
        m_clockMs = civil::toMs(t);
        break;
    }
    case Kind::Capacity: {
        double ah = 0;
        if (value.size() != 3 || value[1] != '.' || !rules::parseDecimal(value, &ah) || ah < 0)
            return ErBadValue;
        m_batteryAh = ah;
        break;
    }
    case Kind::ResetCounters:
        if (value != (m_generation == 1 ? "0" : "1"))
            return ErBadValue;
        m_count.h1 = m_count.h2 = m_count.h4 = 0;
        m_h2Written = m_h4Written = false;
        break;
    case Kind::LockKey: {
        if (!rules::allDigits(value, 8))
            return ErBadValue;
        // The right key opens the lock; any other key closes it (that is
        // how the technician locks the device again).
        const std::string &key = m_values.at(address == "P0" ? "P9" : "P11");
        m_values[address] = value == key ? "1" : "0";
        *stored = m_values[address];
        return NoError;
    }
    default: *handled = false; return NoError;
    }
    return read(address, stored);
}

int DeviceModel::write(const std::string &address, const std::string &value, std::string *stored)
{
    const Rule *r = findRule(address, m_generation);
    if (!r)
        return ErUnknownAddress;
    if (r->access == Access::ReadOnly)
        return ErReadOnly;
    if (int e = lockClassError(address))
        return e;

    bool handled = false;
    std::string result;
    m_verbatim.erase(address);
    int e = writeDynamic(address, value, &result, &handled);
    if (handled) {
        if (e == NoError && stored)
            *stored = result;
        return e;
    }

    std::string canonical;
    double v = 0;
    long long n = 0;
    int decimals = 0;
    switch (r->kind) {
    case Kind::Decimal:
        if (!rules::parseDecimal(value, &v, &decimals) || decimals > r->decimals ||
            !inRange(v, r->lo, r->hi))
            return ErBadValue;
        canonical = rules::fixed(v, r->decimals);
        break;
    case Kind::Substitute:
        if (!rules::parseDecimal(value, &v, &decimals) || decimals > 1 || !inRange(v, r->lo, r->hi))
            return ErBadValue;
        canonical = rules::hashPoint0(v);
        break;
    case Kind::Items:
        if (!isItem(r->items, value))
            return ErBadValue;
        canonical = value;
        break;
    case Kind::Integer:
        if (!rules::parseInt(value, &n) || n < r->lo || n > r->hi)
            return ErBadValue;
        canonical = std::to_string(n);
        break;
    case Kind::Digits12:
        if (!rules::allDigits(value, 12))
            return ErBadValue;
        canonical = value;
        break;
    case Kind::Key:
        if (!rules::allDigits(value, 8))
            return ErBadValue;
        canonical = value;
        break;
    case Kind::MonthEnd: {
        // "7", "07" or "07:30": the hour (and minute) of the month boundary.
        std::string h = value.substr(0, value.find(':'));
        std::string m =
            value.find(':') == std::string::npos ? "0" : value.substr(value.find(':') + 1);
        long long hh = 0, mm = 0;
        if (h.empty() || h.size() > 2 || m.size() > 2 || h[0] == '-' || m[0] == '-' ||
            !rules::parseInt(h, &hh) || !rules::parseInt(m, &mm) || hh > 23 || mm > 59)
            return ErBadValue;
        canonical =
            rules::twoDigits(static_cast<int>(hh)) + ":" + rules::twoDigits(static_cast<int>(mm));
        break;
    }
    case Kind::TempRange: {
        std::size_t semi = value.find(';');
        long long lo = 0, hi = 0;
        if (semi == std::string::npos || !rules::parseInt(value.substr(0, semi), &lo) ||
            !rules::parseInt(value.substr(semi + 1), &hi) || lo < r->lo || hi > r->hi || lo >= hi)
            return ErBadValue;
        canonical = std::to_string(lo) + ";" + std::to_string(hi);
        break;
    }
    case Kind::Cycle: {
        std::size_t dot = value.find('.');
        long long secs = 0;
        if (dot == std::string::npos || dot + 2 != value.size() ||
            !rules::parseInt(value.substr(0, dot), &secs) || secs < r->lo || secs > r->hi ||
            (value[dot + 1] != '0' && value[dot + 1] != '1'))
            return ErBadValue;
        canonical = std::to_string(secs) + "." + value[dot + 1];
        break;
    }
    default: return ErReadOnly;
    }
    m_values[address] = canonical;
    return read(address, stored ? stored : &canonical);
}

bool DeviceModel::force(const std::string &address, const std::string &value)
{
    const Rule *r = findRule(address, m_generation);
    if (!r)
        return false;
    m_verbatim.erase(address);
    double v = 0;
    bool isNumber = rules::parseDecimal(value, &v);
    if (r->kind == Kind::Counter && address != "H6" && isNumber && v >= 0) {
        double &c = address == "H1"   ? m_count.h1
                    : address == "H2" ? m_count.h2
                    : address == "H4" ? m_count.h4
                                      : m_count.h23;
        c = std::fmod(v, CounterWrap);
        return true;
    }
    if (address == "L7" || address == "L8") {
        std::string dummy;
        bool handled = false;
        if (writeDynamic(address, value, &dummy, &handled) == NoError)
            return true; // a valid date or time sets the clock, which keeps running
    }
    if (address == "L35" && isNumber && v >= 0) {
        m_batteryAh = v;
        return true;
    }
    if (address == "L4" && (value == "0" || value.empty() || value[0] == '.')) {
        // ".3.17": set these event bits (30 follows the lock, not this list)
        m_statusEvents.clear();
        std::size_t pos = 0;
        while ((pos = value.find('.', pos)) != std::string::npos) {
            int bit = std::atoi(value.c_str() + pos + 1);
            if (bit != 30 && bit >= 0 && bit <= 32)
                m_statusEvents.push_back(bit);
            ++pos;
        }
        return true;
    }
    if (r->kind == Kind::Computed || r->kind == Kind::Counter || r->kind == Kind::Date ||
        r->kind == Kind::Time || r->kind == Kind::Capacity || r->kind == Kind::ClearStatus ||
        r->kind == Kind::ResetCounters) {
        m_verbatim[address] = value;
        return true;
    }
    m_values[address] = value; // a stored parameter takes any text, as if the device held it
    return true;
}

bool DeviceModel::recordField(int kind, char command, std::string *text) const
{
    std::string v;
    switch (command) {
    case 'l': read("L18", &v); break;
    case 'Y': v = kind == 0 ? "00" : "01"; break;
    case 'p': v = "98"; break;
    case '^': v = "m3"; break;
    case 'n': read("P4", &v); break;
    case 'V': v = "_z,Name"; break;
    case 'T': v = "100000000001"; break; // pulse factor 0.1E+01
    case 's': read(kind == 0 ? "H6" : "H8", &v); break;
    case 't':
        v = kind == 0 ? rules::counter(m_count.h2, 4) : rules::counter(m_monthEnd.h2, 4);
        break;
    case '|':
        read("H8", &v);
        v = v.substr(0, 11);
        break;
    case 'z': {
        std::string d, t;
        read("L7", &d);
        read("L8", &t);
        v = d + " " + t;
        break;
    }
    case 'a': read("L34", &v); break;
    default: return false;
    }
    *text = v;
    return true;
}

std::string DeviceModel::recordData(int kind) const
{
    if (kind != 1)
        return std::string();
    // Each entry: status, channel, the value's four digit pairs least
    // significant first, minute, hour, day, month, year, marker.
    std::string data;
    auto field = [&data](const std::string &two) { data += "0" + two; };
    for (const ArchiveItem &a : m_archive) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08lld", static_cast<long long>(a.value));
        civil::DateTime d = civil::fromMs(a.whenMs);
        data += "000";
        data += "098";
        for (int pair = 3; pair >= 0; --pair)
            field(std::string(digits + pair * 2, 2));
        field(rules::twoDigits(d.minute));
        field(rules::twoDigits(d.hour));
        field(rules::twoDigits(d.day));
        field(rules::twoDigits(d.month));
        field(rules::twoDigits(d.year % 100));
        data += "FFA";
    }
    return data + "FF1";
}

} // namespace rq60
