#include "changelogreader.h"

#include "csv.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <algorithm>

namespace {

QDateTime timeOf(const QString &utc, const QString &local)
{
    QDateTime t = QDateTime::fromString(utc, QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    if (t.isValid()) {
        t.setTimeSpec(Qt::UTC);
        return t;
    }
    return QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// A record by the header's column names, so that a later version may add
// columns or move them.
std::optional<ChangeRecord> recordOf(const QStringList &fields, const QHash<QString, int> &column)
{
    auto field = [&](const char *name) { return fields.value(column.value(name, -1)); };
    ChangeRecord r;
    const QString phase = field("phase");
    if (phase == QLatin1String("intent"))
        r.phase = ChangePhase::Intent;
    else if (phase == QLatin1String("outcome"))
        r.phase = ChangePhase::Outcome;
    else
        return std::nullopt;
    r.time = timeOf(field("utc_time"), field("local_time"));
    bool ok = false;
    r.exchange = field("exchange").toInt(&ok);
    if (!r.time.isValid() || !ok || field("address").isEmpty())
        return std::nullopt;
    r.reader = field("reader");
    r.device.type = field("device_type");
    r.device.softwareVersion = field("software_version");
    r.device.number = field("device_number");
    r.connection = field("connection");
    r.operation = changeOperationFromWord(field("operation"));
    r.address = field("address");
    r.oldValue = field("old_value");
    r.written = field("written_value");
    r.key = isKeyAddress(r.address) || r.written == QLatin1String(MaskedKey);
    if (r.phase == ChangePhase::Outcome) {
        r.status = field("status").toInt(&ok);
        if (!ok)
            return std::nullopt;
        r.confirmed = field("confirmed_value");
    }
    return r;
}

} // namespace

ChangeLogContent parseChangeLog(const QByteArray &bytes)
{
    ChangeLogContent content;
    content.exists = true;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QList<QStringList> records = csvRecords(text);
    if (records.isEmpty())
        return content;
    QHash<QString, int> column;
    for (int i = 0; i < records.first().size(); ++i)
        column.insert(records.first().at(i).trimmed(), i);
    int first = 1;
    if (!column.contains(QStringLiteral("phase")) || !column.contains(QStringLiteral("address"))) {
        // No header (a file cut at its start): the columns of this version.
        column.clear();
        for (int i = 0; i < changeLogColumns().size(); ++i)
            column.insert(changeLogColumns().at(i), i);
        first = 0;
    }
    // An outcome line finds its intent by connection and exchange.
    QHash<QString, int> openIntent;
    for (int i = first; i < records.size(); ++i) {
        const std::optional<ChangeRecord> r = recordOf(records.at(i), column);
        if (!r) {
            ++content.unreadLines;
            continue;
        }
        const QString pair = r->connection + QLatin1Char('/') + QString::number(r->exchange);
        if (r->phase == ChangePhase::Intent) {
            ChangeLogEntry e;
            e.intent = *r;
            e.line = i;
            openIntent.insert(pair, int(content.entries.size()));
            content.entries << e;
            continue;
        }
        const auto it = openIntent.constFind(pair);
        if (it != openIntent.constEnd()) {
            content.entries[*it].outcome = *r;
            openIntent.erase(it);
        } else {
            // Its intent is gone (a file cut short or edited by hand): the
            // outcome still tells what the device holds.
            ChangeLogEntry e;
            e.outcome = *r;
            e.line = i;
            content.entries << e;
        }
    }
    return content;
}

ChangeLogContent readChangeLog(const QString &path)
{
    QByteArray bytes;
    bool exists = false;
    FileProblem problem;
    if (!readPlainFile(path, ChangeLogMaxBytes, &bytes, &exists, &problem)) {
        ChangeLogContent c;
        c.exists = exists;
        c.problem = problem;
        return c;
    }
    if (!exists)
        return ChangeLogContent();
    return parseChangeLog(bytes);
}

QList<ChangeLogEntry> filterChangeLog(const QList<ChangeLogEntry> &entries,
                                      const ChangeLogFilter &filter)
{
    QList<ChangeLogEntry> out;
    const QString address = filter.address.trimmed();
    for (const ChangeLogEntry &e : entries) {
        const ChangeRecord &r = e.first();
        if (!address.isEmpty() && r.address.compare(address, Qt::CaseInsensitive) != 0)
            continue;
        const QDate day = r.time.toLocalTime().date();
        if ((filter.from.isValid() && day < filter.from) ||
            (filter.to.isValid() && day > filter.to))
            continue;
        if (!filter.connection.isEmpty() && r.connection != filter.connection)
            continue;
        out << e;
    }
    std::stable_sort(out.begin(), out.end(), [](const ChangeLogEntry &a, const ChangeLogEntry &b) {
        const QDateTime ta = a.first().time, tb = b.first().time;
        return ta != tb ? ta > tb : a.line > b.line;
    });
    return out;
}

QByteArray changeLogBytes(const QList<ChangeLogEntry> &entries)
{
    QByteArray bytes = QByteArray("\xEF\xBB\xBF") + csvLine(changeLogColumns());
    for (const ChangeLogEntry &e : entries) {
        if (e.intent)
            bytes += csvLine(changeLogFields(*e.intent));
        if (e.outcome)
            bytes += csvLine(changeLogFields(*e.outcome));
    }
    return bytes;
}

bool saveChangeLogEntries(const QString &path, const QList<ChangeLogEntry> &entries, QString *error)
{
    // In the order of the log, oldest first: the file is an excerpt of the
    // log, and reads back in the order it was shown.
    QList<ChangeLogEntry> ordered = entries;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const ChangeLogEntry &a, const ChangeLogEntry &b) {
                         const QDateTime ta = a.first().time, tb = b.first().time;
                         return ta != tb ? ta < tb : a.line < b.line;
                     });
    QSaveFile out(path);
    const QByteArray bytes = changeLogBytes(ordered);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

QStringList loggedDeviceNumbers(const QString &folder)
{
    QList<qint64> numbers;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.csv")}, QDir::Files);
    for (const QString &f : files) {
        bool ok = false;
        const qint64 n = f.chopped(4).toLongLong(&ok);
        if (ok && n >= 0 && QString::number(n) == f.chopped(4))
            numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    QStringList out;
    for (qint64 n : numbers)
        out << QString::number(n);
    return out;
}
