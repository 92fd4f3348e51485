// The change log reader over any file content (the log lies in a folder the
// whole group writes): it pairs what it can and counts the rest. Whatever it
// reads, writing the entries again and reading that gives the same entries,
// and a line built from any fields is one line that reads back as them.
#include "changelogreader.h"
#include "csv.h"
#include "fuzzcheck.h"

#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const ChangeLogContent content = parseChangeLog(bytes);
    const QList<ChangeLogEntry> shown = filterChangeLog(content.entries, {});
    FUZZ_CHECK(shown.size() == content.entries.size());
    for (const ChangeLogEntry &e : shown)
        FUZZ_CHECK(e.intent || e.outcome);

    const ChangeLogContent again = parseChangeLog(changeLogBytes(content.entries));
    FUZZ_CHECK(again.unreadLines == 0);
    FUZZ_CHECK(again.entries.size() == content.entries.size());

    // The input's lines as fields: one written line, the same fields back.
    QStringList fields = QString::fromUtf8(bytes).split(QLatin1Char('\n')).mid(0, 20);
    const QByteArray line = csvLine(fields);
    FUZZ_CHECK(line.count('\n') == 1 && line.endsWith('\n') && !line.contains('\r'));
    // Decoded as it stands: a byte order mark at the start of a line is
    // part of the first field here (only the file's own one is skipped).
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QList<QStringList> back = csvRecords(utf8.decode(line));
    for (QString &f : fields)
        for (QChar &c : f)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                c = QLatin1Char('?');
    // An all-empty record is no record.
    if (!(fields.size() == 1 && fields.first().isEmpty())) {
        FUZZ_CHECK(back.size() == 1);
        FUZZ_CHECK(back.first() == fields);
    }
    return 0;
}
