// The archive readers and the export line builders over any device texts:
// the V2x entries and the V1x archive dump as the listing takes them, and
// the lines of both export files from a value store and a DS record filled
// with texts from the fuzz input. At most fifteen entries are listed, and the
// file's bytes carry no line end but the one after each line (the evaluation
// program reads the file line by line).
#include "archiveentry.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "exportfile.h"
#include "exportlines.h"
#include "fuzzcheck.h"

#include <QDateTime>
#include <QString>

namespace {

// The file holds exactly one CR LF per line and no other CR or LF.
void checkLines(const ExportLines &out)
{
    const QByteArray bytes = exportFileBytes(out.lines);
    FUZZ_CHECK(bytes.count("\r\n") == out.lines.size());
    FUZZ_CHECK(bytes.count('\r') == out.lines.size() && bytes.count('\n') == out.lines.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    // Input: texts separated by NUL; the first is the V1x dump.
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0');
    auto text = [&](int i) { return QString::fromLatin1(parts.value(i % parts.size())); };
    const QString dump = text(0);

    FUZZ_CHECK(parseV1xDump(dump).size() <= ArchiveEntryCount);
    parseV2xEntry(text(1));
    convertArchiveDump(dump);
    v2xArchiveLine(text(1), text(2));
    exponentField(text(3));
    pulseFactorField(text(4));
    if (const auto n = exportStartNumber(text(5)))
        FUZZ_CHECK(exportFileName(QStringLiteral("/tmp"), *n).startsWith(QStringLiteral("/tmp/")));

    static TVCVal values;
    int next = 1;
    for (QString &h : values.H)
        h = text(next++);
    for (QString &l : values.L)
        l = text(next++);
    for (QString &p : values.P)
        p = text(next++);
    for (Generation gen : {Generation::V1x, Generation::V2x})
        FUZZ_CHECK(archiveListing(gen, values, dump).size() <= ArchiveEntryCount);

    const auto now = [] { return QDateTime(QDate(2026, 5, 4), QTime(12, 30, 0)); };
    checkLines(ListRQV2xData(values, text(6), now));
    TDSData record;
    for (QString &f : record.Field)
        f = text(next++);
    record.Field[11] = dump;
    for (int pass : {0, 1})
        checkLines(ListRQV1xData(values, record, pass, text(7), now));
    return 0;
}
