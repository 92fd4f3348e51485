// Turns a translator-editable string table (stringtable.h) into the C++
// source of a language library: a sorted table and the LangString entry of
// the library contract.
#include "stringtable.h"

#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

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
    std::ostringstream content;
    content << in.rdbuf();
    std::map<unsigned, std::string> texts;
    std::string error;
    if (!stringtable::parse(content.str(), texts, error)) {
        std::cerr << argv[1] << ":" << error << "\n";
        return 1;
    }
    std::ostringstream o;
    o << "// Generated from " << argv[1] << " by langgen. Do not edit.\n"
      << "#include <cstdint>\n#include <cstring>\n\n"
      << "namespace {\nstruct Entry { uint16_t id; const char *text; };\n"
      << "const Entry entries[] = {\n";
    for (const auto &e : texts)
        o << "    {" << e.first << ", " << stringtable::cLiteral(e.second) << "},\n";
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
