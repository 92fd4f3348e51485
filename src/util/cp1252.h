// Windows-1252, the 8-bit code page of settings files written on Windows and
// of the text the evaluation program reads from the export files. It is
// Latin-1 except for the bytes 0x80 to 0x9F, which hold "€", "Š", "Œ", the
// typographic quotes and a few more instead of control characters.
#ifndef PXRQ60_UTIL_CP1252_H
#define PXRQ60_UTIL_CP1252_H

#include <QByteArray>
#include <QString>

// Every byte reads as a character: the five bytes the code page leaves free
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the control characters of the same
// number, so a file read and written back keeps its bytes.
QString fromCp1252(const QByteArray &bytes);
// The byte for one character, or -1 when the code page has none for it.
int cp1252Byte(char32_t character);
// The whole text, or an empty array and *ok false when a character has no
// byte.
QByteArray toCp1252(const QString &text, bool *ok);

#endif
