#include "cp1252.h"

namespace {

// The characters of the bytes 0x80 to 0x9F.
const char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString fromCp1252(const QByteArray &bytes)
{
    QString s;
    s.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        s.append(QChar(b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : char16_t(b)));
    }
    return s;
}

int cp1252Byte(char32_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u < 0x100))
        return int(u);
    for (int i = 0; i < 32; ++i)
        if (cp1252High[i] == u)
            return 0x80 + i;
    return -1;
}

QByteArray toCp1252(const QString &text, bool *ok)
{
    QByteArray out;
    out.reserve(text.size());
    *ok = true;
    for (const QChar c : text) {
        const int byte = cp1252Byte(c.unicode());
        if (byte < 0) {
            *ok = false;
            return QByteArray();
        }
        out.append(char(byte));
    }
    return out;
}
