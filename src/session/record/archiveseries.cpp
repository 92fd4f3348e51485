#include "archiveseries.h"

#include "devicetypes.h"

#include <QRegularExpression>
#include <algorithm>

std::optional<QDate> archiveDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{2})\\.(\\d{2})\\.(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate d(2000 + m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

ArchiveSeries archiveSeries(const QList<ArchiveEntry> &entries)
{
    ArchiveSeries s;
    for (const ArchiveEntry &e : entries) {
        if (e.date.trimmed().isEmpty() && e.value.trimmed().isEmpty())
            continue; // a row the device did not fill
        const std::optional<QDate> date = archiveDate(e.date);
        // A V1x value of all zeros is listed as an empty text: it is 0.
        const QString text = e.value.trimmed().isEmpty() ? QStringLiteral("0") : e.value.trimmed();
        const std::optional<long double> value = decimalValue(text);
        if (!date || !value) {
            ++s.unreadable;
            continue;
        }
        s.points << ArchivePoint{*date, double(*value)};
    }
    std::stable_sort(s.points.begin(), s.points.end(),
                     [](const ArchivePoint &a, const ArchivePoint &b) { return a.date < b.date; });
    return s;
}
