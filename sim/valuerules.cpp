#include "valuerules.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace rq60 {
namespace rules {

bool parseDecimal(const std::string &text, double *value, int *decimals)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::size_t intStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    std::size_t intDigits = i - intStart;
    std::size_t fracDigits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        std::size_t fracStart = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        fracDigits = i - fracStart;
    }
    if (i != text.size() || intDigits + fracDigits == 0 || intDigits > 12)
        return false;
    // from_chars, not strtod: the numeric locale of a program that runs the
    // simulator in-process may use a decimal comma.
    double v = 0;
    const char *digits = text.data() + (negative || text[0] == '+' ? 1 : 0);
    std::from_chars(digits, text.data() + text.size(), v, std::chars_format::fixed);
    *value = negative && v > 0 ? -v : v;
    if (decimals)
        *decimals = static_cast<int>(fracDigits);
    return true;
}

bool parseInt(const std::string &text, long long *value)
{
    std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    if (i == text.size() || text.size() - i > 9)
        return false;
    long long v = 0;
    for (std::size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9')
            return false;
        v = v * 10 + (text[k] - '0');
    }
    *value = i ? -v : v;
    return true;
}

bool allDigits(const std::string &text, std::size_t count)
{
    if (text.size() != count)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string fixed(double value, int decimals)
{
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

std::string hashPoint0(double value)
{
    long long tenths = std::llround(value * 10);
    bool negative = tenths < 0;
    if (negative)
        tenths = -tenths;
    std::string s = negative ? "-" : "";
    if (tenths / 10 != 0)
        s += std::to_string(tenths / 10);
    return s + "." + std::to_string(tenths % 10);
}

std::string counter(double value, int decimals)
{
    // A counter shows what it has counted: cut, never rounded up.
    double scale = std::pow(10.0, decimals);
    double cut = std::floor((value < 0 ? 0.0 : value) * scale + 1e-6) / scale;
    std::string s = fixed(cut, decimals);
    const std::size_t width = 9 + static_cast<std::size_t>(decimals);
    return s.size() < width ? std::string(width - s.size(), '0') + s : s;
}

std::string twoDigits(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

} // namespace rules
} // namespace rq60
