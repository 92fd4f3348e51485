// Parsing and formatting of value texts as the RQ-60 reads and writes them.
// Parsers are strict (they are the device's syntax check); formatters give
// the device's own forms.
#ifndef RQ60SIM_VALUERULES_H
#define RQ60SIM_VALUERULES_H

#include <cstdint>
#include <string>

namespace rq60 {
namespace rules {

// [-]digits[.digits] or [-].digits; *decimals = digits after the point.
bool parseDecimal(const std::string &text, double *value, int *decimals = nullptr);
// [-]digits, at most 9 digits.
bool parseInt(const std::string &text, long long *value);
// Exactly `count` decimal digits.
bool allDigits(const std::string &text, std::size_t count);

// Fixed point with `decimals` decimals; never "-0.0".
std::string fixed(double value, int decimals);
// Integer digits when not zero, ".", one decimal: 20 -> "20.0", -5.5 -> "-5.5",
// 0.5 -> ".5" (the device's form of the substitute temperature).
std::string hashPoint0(double value);
// Counter form: eight integer digits with leading zeros, ".", decimals.
std::string counter(double value, int decimals);
// Two digits with a leading zero.
std::string twoDigits(int n);

} // namespace rules
} // namespace rq60

#endif
