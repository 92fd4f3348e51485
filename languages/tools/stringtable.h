// The translators' string table: lines "ID=text" (text to the end of the
// line, blanks kept; \n, \t and \\ escapes), "#" comments, empty lines, LF
// or CR LF line ends. Read by the language library generator at build time.
#ifndef PXRQ60_LANGUAGES_STRINGTABLE_H
#define PXRQ60_LANGUAGES_STRINGTABLE_H

#include <map>
#include <string>

namespace stringtable {

// Reads the whole table. On the first bad line returns false with `error`
// naming the line ("12: expected ID=text"); `texts` then holds the lines
// before it.
bool parse(const std::string &content, std::map<unsigned, std::string> &texts, std::string &error);

// A C++ string literal of `text` that the compiler reads back as the same
// bytes: printable ASCII as it stands, everything else as octal escapes.
std::string cLiteral(const std::string &text);

} // namespace stringtable

#endif
