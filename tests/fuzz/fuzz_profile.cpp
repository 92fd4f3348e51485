// The settings profile reader and key writer over any file content: what is
// written reads back the same, and every other line keeps its bytes.
#include "fuzzcheck.h"
#include "profile.h"

#include <QString>
#include <QStringList>

namespace {

// Section, key and value as the program writes them: no line ends, no
// brackets or "=" in names, no blanks around them (the reader trims).
QString name(const QByteArray &bytes, bool allowEmpty)
{
    QString out;
    for (char c : bytes)
        if (c > 0x20 && c < 0x7f && c != '[' && c != ']' && c != '=' && c != ';')
            out += QLatin1Char(c);
    if (out.isEmpty() && !allowEmpty)
        out = QStringLiteral("K");
    return out;
}

// The file's lines as the reader takes them: CR LF and LF end a line, and
// so does a lone CR where the reader takes it as a line end (files saved by
// old editors): the writer must keep every line the reader sees.
QStringList lines(const QString &content)
{
    static const bool crEndsLine =
        profileLookup(QStringLiteral("[a]\rk=1\r"), QStringLiteral("a"), QStringLiteral("k"),
                      QString()) == QLatin1String("1");
    QString c = content;
    c.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (crEndsLine)
        c.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList l = c.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    // A CR at the very end of the file, with no LF after it, ends its line.
    if (content.endsWith(QLatin1Char('\r')) && !l.isEmpty() && l.last().endsWith(QLatin1Char('\r')))
        l.last().chop(1);
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
    FUZZ_CHECK(written.endsWith(QStringLiteral("\r\n")));

    // Other keys read as before.
    const QString other = key + QStringLiteral("X");
    FUZZ_CHECK(profileLookup(written, section, other, QStringLiteral("\x01")) ==
               profileLookup(content, section, other, QStringLiteral("\x01")));

    // Line by line: the old lines in their order, with one changed to the
    // entry or the entry (and perhaps its section) added.
    const QStringList a = lines(content);
    QStringList b = written.split(QStringLiteral("\r\n"));
    b.removeLast(); // after the last line end
    const QString entry = key + QLatin1Char('=') + value;
    int diff = 0;
    while (diff < a.size() && diff < b.size() && a[diff] == b[diff])
        ++diff;
    if (b.size() == a.size()) {
        FUZZ_CHECK(diff == a.size() || (b[diff] == entry && a.mid(diff + 1) == b.mid(diff + 1)));
    } else if (b.size() == a.size() + 1) {
        FUZZ_CHECK(b[diff] == entry && a.mid(diff) == b.mid(diff + 1));
    } else {
        // A new section at the end, after a blank line when the file did not
        // end with one.
        FUZZ_CHECK(before == QStringLiteral("\x01"));
        FUZZ_CHECK(b.mid(0, a.size()) == a);
        const QStringList tail = b.mid(a.size());
        FUZZ_CHECK(tail.size() == 2 || (tail.size() == 3 && tail[0].isEmpty()));
        FUZZ_CHECK(tail.last() == entry &&
                   tail[tail.size() - 2] == QLatin1Char('[') + section + QLatin1Char(']'));
    }
    return 0;
}
