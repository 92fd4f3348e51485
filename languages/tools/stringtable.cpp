#include "stringtable.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace stringtable {

namespace {

std::string unescape(const std::string &s, bool &ok)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (++i >= s.size()) {
            ok = false;
            return out;
        }
        switch (s[i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        default: ok = false; return out;
        }
    }
    return out;
}

} // namespace

bool parse(const std::string &content, std::map<unsigned, std::string> &texts, std::string &error)
{
    std::istringstream in(content);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::size_t eq = line.find('=');
        std::string idText = line.substr(0, eq == std::string::npos ? 0 : eq);
        char *end = nullptr;
        unsigned long id = std::strtoul(idText.c_str(), &end, 10);
        bool ok = eq != std::string::npos && !idText.empty() && *end == '\0' && id <= 65535;
        std::string text = ok ? unescape(line.substr(eq + 1), ok) : std::string();
        if (!ok) {
            error = std::to_string(lineNo) + ": expected ID=text";
            return false;
        }
        if (texts.count(id)) {
            error = std::to_string(lineNo) + ": ID " + std::to_string(id) + " given twice";
            return false;
        }
        texts[id] = text;
    }
    return true;
}

std::string cLiteral(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

} // namespace stringtable
