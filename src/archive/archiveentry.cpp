#include "archiveentry.h"

#include "devicevalues.h"
#include "helpers.h"

namespace {

const QLatin1String RecordMarker("FFA");
const QLatin1String EndMarker("FF1");
constexpr int RecordLength = 36; // twelve 3-character fields

// Two characters of `text` at the 1-based position `pos`; positions outside
// the text contribute nothing.
QString pairAt(const QString &text, int pos)
{
    QString out;
    for (int p = pos; p < pos + 2; ++p)
        if (p >= 1 && p <= text.size())
            out += text.at(p - 1);
    return out;
}

// The entry whose marker starts at the 1-based position q: the last two
// characters of the fields before the marker, nearest first, are year,
// month, day, hour, minute and the value's four digit pairs, most
// significant first.
ArchiveEntry entryBefore(const QString &d, int q)
{
    ArchiveEntry e;
    e.date = pairAt(d, q - 8) + QLatin1Char('.') + pairAt(d, q - 5) + QLatin1Char('.') +
             pairAt(d, q - 2);
    const QString digits =
        pairAt(d, q - 17) + pairAt(d, q - 20) + pairAt(d, q - 23) + pairAt(d, q - 26);
    e.value = TrimLeftChars(digits, QStringLiteral("0"));
    return e;
}

} // namespace

ArchiveEntry parseV2xEntry(const QString &text)
{
    const int semicolon = text.indexOf(QLatin1Char(';'));
    // mid(0) for a text without ";": its start is the date.
    return {text.mid(semicolon + 1, 8), text.left(qMax(0, semicolon))};
}

QList<ArchiveEntry> parseV1xDump(const QString &dump)
{
    QList<ArchiveEntry> entries;
    QString d = dump;
    while (entries.size() < ArchiveEntryCount) {
        const int index = d.indexOf(RecordMarker);
        if (index < 0)
            break;
        entries.append(entryBefore(d, index + 1));
        d = d.mid(index + RecordMarker.size());
        // The next record must lie whole before the end marker.
        const int end = d.indexOf(EndMarker);
        if (d.size() < RecordLength || end < RecordLength)
            break;
    }
    return entries;
}

ArchiveCell archiveCell(int index, const ArchiveEntry &entry)
{
    if (index < 7)
        return {1, index + 1, entry};
    return {2, index - 7, entry};
}

QList<ArchiveCell> archiveListing(Generation gen, const TVCVal &values, const QString &dump)
{
    QList<ArchiveCell> cells;
    if (gen == Generation::V2x) {
        for (int k = 1; k <= ArchiveEntryCount; ++k)
            cells.append(archiveCell(k - 1, parseV2xEntry(values.H[200 + k])));
        return cells;
    }
    const QList<ArchiveEntry> entries = parseV1xDump(dump);
    for (int i = 0; i < entries.size(); ++i)
        cells.append(archiveCell(i, entries.at(i)));
    return cells;
}
