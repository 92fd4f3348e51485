// Turns a translator-editable string table into the C++ source of a
// language library. Input lines: "ID=text" (text to the end of the line,
// blanks kept; \n, \t and \\ escapes), "#" comments, empty lines. Output: a
// sorted table and the LangString entry of the library contract.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

static std::string unescape(const std::string &s, bool &ok)
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

static std::string cLiteral(const std::string &s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
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

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: langgen TABLE OUTPUT.cpp\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot open\n";
        return 1;
    }
    std::map<unsigned, std::string> texts;
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
            std::cerr << argv[1] << ":" << lineNo << ": expected ID=text\n";
            return 1;
        }
        if (texts.count(id)) {
            std::cerr << argv[1] << ":" << lineNo << ": ID " << id << " given twice\n";
            return 1;
        }
        texts[id] = text;
    }
    std::ostringstream o;
    o << "// Generated from " << argv[1] << " by langgen. Do not edit.\n"
      << "#include <cstdint>\n#include <cstring>\n\n"
      << "namespace {\nstruct Entry { uint16_t id; const char *text; };\n"
      << "const Entry entries[] = {\n";
    for (const auto &e : texts)
        o << "    {" << e.first << ", " << cLiteral(e.second) << "},\n";
    o << "    {0, nullptr}\n};\nconst int entryCount = " << texts.size() << ";\n}\n\n"
      << R"(extern "C" __attribute__((visibility("default")))
int32_t LangString(uint16_t id, char *buffer, int32_t capacity)
{
    int lo = 0, hi = entryCount - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        if (entries[mid].id == id) {
            const char *t = entries[mid].text;
            int32_t n = int32_t(std::strlen(t));
            if (!buffer || capacity <= 0)
                return n;
            if (n > capacity - 1) {
                // Cut at a character boundary: never end inside a UTF-8
                // sequence.
                n = capacity - 1;
                while (n > 0 && (static_cast<unsigned char>(t[n]) & 0xC0) == 0x80)
                    --n;
            }
            std::memcpy(buffer, t, size_t(n));
            buffer[n] = '\0';
            return n;
        }
        if (entries[mid].id < id)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    if (buffer && capacity > 0)
        buffer[0] = '\0';
    return 0;
}
)";
    std::ofstream out(argv[2], std::ios::binary);
    out << o.str();
    return out ? 0 : 1;
}
