// The settings profile reader and key writer over any file content: what is
// written reads back the same, and every other line keeps its bytes.
#include "fuzzcheck.h"
#include "profile.h"

#include <QString>
#include <QStringList>

namespace {

// Section, key and value as the program writes them: no line ends, no
// brackets, "=" or comment marks (";", "#") in names, no blanks around
// them (the reader trims). The writer refuses the others.
QString name(const QByteArray &bytes, bool allowEmpty)
{
    QString out;
    for (char c : bytes)
        if (c > 0x20 && c < 0x7f && c != '[' && c != ']' && c != '=' && c != ';' && c != '#')
            out += QLatin1Char(c);
    if (out.isEmpty() && !allowEmpty)
        out = QStringLiteral("K");
    return out;
}

// The file's lines without their ends: CR LF, LF and a lone CR each end a
// line.
QStringList lines(const QString &content)
{
    QString c = content;
    c.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    c.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList l = c.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    // Input: section NUL key NUL value NUL file content.
    const QByteArray all(reinterpret_cast<const char *>(data), int(size));
    const QList<QByteArray> parts = all.split('\0');
    if (parts.size() < 4)
        return 0;
    const QString section = name(parts[0], false);
    const QString key = name(parts[1], false);
    const QString value = name(parts[2], true);
    const QString content =
        QString::fromUtf8(all.mid(parts[0].size() + parts[1].size() + parts[2].size() + 3));

    const QString before = profileLookup(content, section, key, QStringLiteral("\x01"));
    const QString written = profileReplace(content, section, key, value);
    FUZZ_CHECK(profileLookup(written, section, key, QStringLiteral("\x01")) == value);

    // Other keys read as before.
    const QString other = key + QStringLiteral("X");
    FUZZ_CHECK(profileLookup(written, section, other, QStringLiteral("\x01")) ==
               profileLookup(content, section, other, QStringLiteral("\x01")));

    // Line by line: the old lines in their order, except at most one (the
    // entry changed in place), and at most the entry, its section header and
    // a blank line before it added.
    const QStringList a = lines(content);
    const QStringList b = lines(written);
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const QStringList removed = a.mid(head, a.size() - head - tail);
    const QStringList added = b.mid(head, b.size() - head - tail);
    FUZZ_CHECK(removed.size() <= 1 && added.size() <= 3);
    for (const QString &l : added)
        FUZZ_CHECK(l == entry || l.isEmpty() || l == QLatin1Char('[') + section + QLatin1Char(']'));
    if (added.size() > 1)
        FUZZ_CHECK(before == QStringLiteral("\x01"));
    return 0;
}
