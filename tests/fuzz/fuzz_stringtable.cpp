// The string-table reader of the language library generator over any
// table a translator might save: it accepts or names the bad line, and for
// every text it accepts the C++ literal it generates reads back as the
// same bytes.
#include "fuzzcheck.h"
#include "stringtable.h"

#include <map>
#include <string>

namespace {

// Reads a literal as the compiler does for the escapes cLiteral writes.
bool readLiteral(const std::string &lit, std::string &out)
{
    if (lit.size() < 2 || lit.front() != '"' || lit.back() != '"')
        return false;
    out.clear();
    for (std::size_t i = 1; i + 1 < lit.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(lit[i]);
        if (c < 0x20 || c >= 0x7f || c == '"')
            return false; // would end or break the literal
        if (c != '\\') {
            out += char(c);
            continue;
        }
        if (++i + 1 >= lit.size())
            return false;
        if (lit[i] == '"' || lit[i] == '\\') {
            out += lit[i];
            continue;
        }
        int v = 0, digits = 0;
        while (digits < 3 && i + 1 < lit.size() && lit[i] >= '0' && lit[i] <= '7') {
            v = v * 8 + (lit[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0 || v > 255)
            return false;
        --i;
        out += char(v);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char *>(data), size);
    std::map<unsigned, std::string> texts;
    std::string error;
    if (!stringtable::parse(content, texts, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    for (const auto &e : texts) {
        FUZZ_CHECK(e.first <= 65535);
        std::string back;
        FUZZ_CHECK(readLiteral(stringtable::cLiteral(e.second), back));
        FUZZ_CHECK(back == e.second);
    }
    return 0;
}
