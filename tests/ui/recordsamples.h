// Sample data of one service visit for the service record's windows: an
// archive of fifteen months, a change log with every kind of outcome, a
// parameter set and a device that differs from it, and the report's data.
// Shared by the window test and the program that shows the windows.
#ifndef PXRQ60_TESTS_RECORDSAMPLES_H
#define PXRQ60_TESTS_RECORDSAMPLES_H

#include "changelog.h"
#include "parameterset.h"
#include "servicereportdata.h"

#include <QDateTime>

namespace samples {

inline DeviceIdentity device()
{
    return {"RQ60 RQ-60", "2.05", "000000123456", "000012345678", "000000009876"};
}

inline QDateTime visit()
{
    return QDateTime(QDate(2024, 12, 3), QTime(9, 12, 0));
}

// Month ends of a year and a quarter, as H201..H215 list them (newest
// first); one garbled entry.
inline QList<ArchiveEntry> archive()
{
    QList<ArchiveEntry> entries;
    qint64 value = 401876;
    QDate month(2024, 11, 30);
    for (int i = 0; i < 15; ++i) {
        entries << ArchiveEntry{month.toString("dd.MM.yy"),
                                QStringLiteral("%1").arg(value, 8, 10, QLatin1Char('0'))};
        value -= 1800 + (i % 4) * 900 + (i % 3 == 0 ? 2500 : 0);
        month = QDate(month.year(), month.month(), 1).addDays(-1);
    }
    entries[9].date = "3?.0?.24";
    return entries;
}

// The values of device A (V2x) as read.
inline DeviceTexts deviceValues()
{
    return {{"L2", "12.3"},
            {"L4", ".3"},
            {"L7", "03.12.24"},
            {"L8", "09:12:00"},
            {"L12", "06:00"},
            {"L18", "000000123456"},
            {"L27", "-20;40"},
            {"L33", "RQ60 RQ-60"},
            {"L34", "2.05"},
            {"L35", "5.2;031"},
            {"L123", "000000009876"},
            {"L124", "000012345678"},
            {"L156", "1.01325"},
            {"L157", "273.15"},
            {"P1", "1.0000"},
            {"P2", "1.05000"},
            {"P3", "15.0"},
            {"P4", "1"},
            {"P13", "1"},
            {"P14", "20.0"},
            {"P38", "0"},
            {"P147", "2725"},
            {"P148", "2040"},
            {"P310", "1"},
            {"P311", "1"}};
}

// Device B: other numbers and calibration, and other settings.
inline DeviceTexts otherDeviceValues()
{
    DeviceTexts v = deviceValues();
    const DeviceTexts changes{{"L18", "000000654321"}, {"L123", "000000000042"},
                              {"P147", "2000"},        {"P148", "2100"},
                              {"P4", "0.1"},           {"L156", "1.00000"},
                              {"P14", "30.1"},         {"L27", "-10;30"},
                              {"P310", "9"},           {"P3", ""}};
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        v.insert(it.key(), it.value());
    return v;
}

// Logs one visit's writes into `folder` and returns its connection id:
// edits confirmed and refused, a calibration, a counter reset, a key and a
// write cut off before its answer.
inline QString logVisit(const QString &folder, int extraEdits = 0)
{
    ChangeRecorder log(device(), QStringLiteral("Jörg Weiß"), folder);
    QDateTime now = visit();
    log.setClock([&now] { return now; });
    auto write = [&](ChangeOperation op, const char *address, const char *old, const char *written,
                     int status, const char *confirmed) {
        now = now.addSecs(37);
        const int n = log.intent(op, QString::fromLatin1(address), QString::fromLatin1(old),
                                 QString::fromLatin1(written));
        if (status != 1)
            log.outcome(n, status, QString::fromLatin1(confirmed));
    };
    write(ChangeOperation::Edit, "P4", "0.1", "1", 0, "1");
    write(ChangeOperation::Edit, "L156", "1.00000", "1.01325", 0, "1.01325");
    write(ChangeOperation::Edit, "P2", "1.05000", "7.00000", -103, "");
    write(ChangeOperation::Calibration, "P147", "2725", "2731", 0, "2731");
    write(ChangeOperation::Calibration, "P148", "2040", "2046", 0, "2046");
    write(ChangeOperation::Edit, "P1", "1.0000", "0.9500", -13, "");
    write(ChangeOperation::Key, "P11", "********", "13572468", 0, "********");
    write(ChangeOperation::CounterReset, "P48", "", "1", 0, "1");
    for (int i = 0; i < extraEdits; ++i)
        write(ChangeOperation::Edit, "P38", "0", QByteArray::number(i % 5).constData(), 0,
              QByteArray::number(i % 5).constData());
    write(ChangeOperation::Edit, "P3", "15.0", "12.5", 1, ""); // no answer logged
    return log.connection();
}

inline ServiceReportData report(const QList<ChangeLogEntry> &changes)
{
    ServiceReportData d;
    d.device = device();
    d.reader = QStringLiteral("Jörg Weiß");
    d.created = visit().addSecs(3600);
    d.connectedAt = visit();
    const DeviceTexts values = deviceValues();
    for (const char *a : {"L7", "L8", "L12", "L18",  "L124", "L123", "L35",  "P311", "P310",
                          "P4", "P1", "P38", "L157", "P3",   "P13",  "L27",  "P14",  "L156",
                          "P2", "H1", "H2",  "H4",   "H6",   "H23",  "P147", "P148"})
        d.valuesAtConnect << ReportValue{QString::fromLatin1(a),
                                         values.value(a, QStringLiteral("00412345.67"))};
    d.changes = changes;
    d.calibration =
        ReportCalibration{"-20.0", "-19.6", "40.0", "40.9", "2725", "2731", "2040", "2046"};
    d.archive = archive();
    return d;
}

} // namespace samples

#endif
