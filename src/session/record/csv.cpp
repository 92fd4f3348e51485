#include "csv.h"

#include "devicetypes.h"

namespace {

bool needsGuard(const QString &field)
{
    if (field.isEmpty())
        return false;
    const QChar c = field.at(0);
    if (c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('@') ||
        c == QLatin1Char('\''))
        return true;
    // "-5.0" is a number to the spreadsheet too; "-1+2" would be a formula.
    return c == QLatin1Char('-') && !decimalValue(field);
}

QString cleaned(const QString &field)
{
    QString s = field;
    for (QChar &c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    return s;
}

} // namespace

QByteArray csvLine(const QStringList &fields, bool guardFormulas)
{
    QString line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += QLatin1Char(';');
        QString f = cleaned(fields.at(i));
        if (guardFormulas && needsGuard(f))
            f.prepend(QLatin1Char('\''));
        const bool quote = f.contains(QLatin1Char(';')) || f.contains(QLatin1Char('"')) ||
                           f.startsWith(QLatin1Char(' ')) || f.endsWith(QLatin1Char(' '));
        if (quote)
            f = QLatin1Char('"') + f.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                QLatin1Char('"');
        line += f;
    }
    line += QLatin1Char('\n');
    return line.toUtf8();
}

QList<QStringList> csvRecords(const QString &text, bool guardFormulas)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool fieldOpen = false; // something of the current record has been seen
    auto endField = [&] {
        if (guardFormulas && field.startsWith(QLatin1Char('\'')))
            field.remove(0, 1);
        record << field;
        field.clear();
    };
    auto endRecord = [&] {
        if (fieldOpen) {
            endField();
            records << record;
        }
        record.clear();
        fieldOpen = false;
    };
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            fieldOpen = true;
        } else if (c == QLatin1Char(';')) {
            fieldOpen = true;
            endField();
        } else if (c == QLatin1Char('\n')) {
            endRecord();
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 >= n || text.at(i + 1) != QLatin1Char('\n'))
                endRecord();
        } else {
            field += c;
            fieldOpen = true;
        }
    }
    endRecord();
    return records;
}
