#include "iecframe.h"

#include <algorithm>

namespace iec {

char bcc(const std::string &bytes)
{
    unsigned char x = 0;
    for (unsigned char c : bytes)
        x ^= c;
    return static_cast<char>(x);
}

std::string commandFrame(const std::string &cmd, const std::string &data)
{
    std::string body = cmd + STX + data + ETX;
    return std::string(1, SOH) + body + bcc(body);
}

std::string bareCommandFrame(const std::string &cmd)
{
    std::string body = cmd + ETX;
    return std::string(1, SOH) + body + bcc(body);
}

std::string dataFrame(const std::string &text)
{
    std::string body = text + ETX;
    return std::string(1, STX) + body + bcc(body);
}

Scan scanFrame(const std::string &in, std::size_t maxData)
{
    Scan s;
    std::size_t start = 0;
    while (start < in.size()) {
        char c = in[start];
        if (c == ACK || c == NAK) {
            s.kind = c == ACK ? Scan::Ack : Scan::Nak;
            s.consumed = start + 1;
            return s;
        }
        if (c == SOH || c == STX)
            break;
        ++start;
    }
    if (start >= in.size()) {
        s.consumed = in.size(); // all garbage: drop it
        return s;
    }
    s.lead = in[start];
    std::size_t pos = start + 1;
    if (s.lead == SOH) {
        if (in.size() < pos + 2) {
            s.consumed = start;
            return s;
        }
        s.command = in.substr(pos, 2);
        pos += 2;
        if (pos < in.size() && in[pos] == STX)
            ++pos;
    }
    std::size_t etx = in.find(ETX, pos);
    if (etx == std::string::npos) {
        if (in.size() - pos > maxData) {
            s.kind = Scan::BadBcc;
            s.consumed = in.size();
            return s;
        }
        s.consumed = start; // keep the frame's start for the next bytes
        return s;
    }
    if (etx - pos > maxData) {
        // A complete frame is held to the limit too, not only one that is
        // still growing.
        s.kind = Scan::BadBcc;
        s.consumed = std::min(etx + 2, in.size());
        return s;
    }
    if (etx + 1 >= in.size()) {
        s.consumed = start;
        return s;
    }
    s.data = in.substr(pos, etx - pos);
    std::string checked = in.substr(start + 1, etx - start);
    s.kind = bcc(checked) == in[etx + 1] ? Scan::Frame : Scan::BadBcc;
    s.consumed = etx + 2;
    return s;
}

bool splitAddressValue(const std::string &text, std::string &address, std::string &value)
{
    std::size_t open = text.find('(');
    if (open == std::string::npos || open == 0 || text.empty() || text.back() != ')')
        return false;
    address = text.substr(0, open);
    value = text.substr(open + 1, text.size() - open - 2);
    return true;
}

int deviceErrorNumber(const std::string &text)
{
    if (text.size() != 6 || text.compare(0, 3, "(ER") != 0 || text[5] != ')')
        return -1;
    char a = text[3], b = text[4];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

} // namespace iec
