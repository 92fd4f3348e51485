// The lines of the export files ("TEMP files") that the separate
// evaluation program reads. The bytes are its contract: every field, every
// comma and the order of the lines are fixed.
//
// The builders are pure: they take the value store, the DS record of the
// pass and the reader's name, and a clock for the date and time of line 1
// (asked anew at each use, as the line's two time stamps may differ by a
// second). Lines come without their line end; exportFileBytes adds CR LF.
#ifndef PXRQ60_ARCHIVE_EXPORTLINES_H
#define PXRQ60_ARCHIVE_EXPORTLINES_H

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct TVCVal;
struct TDSData;

using ExportClock = std::function<QDateTime()>;

// A value the file needs as a number and that is none. The file of that
// pass is not written: a logarithm of zero or a factor that is no number
// would reach the evaluation program as "inf", "nan" or garbage.
struct ExportValueError {
    enum Kind {
        NotPositive, // E(x): zero, negative or no number
        NotAFactor   // the twelve-character pulse factor of a DS record
    };
    Kind kind = NotPositive;
    QString address;    // "P4" for a V2x value; empty for a record field
    QString recordKind; // "00" or "01" for a record field
    QChar command;      // the field's DS command letter ("n", "T")
    QString text;       // the text that is no number
};

struct ExportLines {
    QStringList lines;
    std::optional<ExportValueError> error;
};

// The current date as "dd.mm.yy" and time as "hh:nn:ss" (the system's time
// separator), by way of the program's date and time helpers.
QString exportDate(const QDateTime &now);
QString exportTime(const QDateTime &now);

// E(x): x read with "." as decimal point as a single-precision number, its
// common logarithm plus 2, rounded to a whole number. Nothing for a text
// that is no positive number.
std::optional<QString> exponentField(const QString &x);

// F: a field of exactly twelve characters "dddddddd" "ss" "ee" stands for
// 0.dddddddd E(+ when ss is "00", else -)ee and is written in the shortest
// general form (up to 15 significant digits, "." as separator); any other
// length is taken unchanged. Nothing for twelve characters that give no
// number.
std::optional<QString> pulseFactorField(const QString &r6);

// One archive line of a V2x file for the entry text x ("value;dd.mm.yy")
// with the month-end time of L12 ("hh:mm"): the marker, year, month, day,
// hour, minute, the value's four digit pairs and the fixed fields 098, 0FF.
QString v2xArchiveLine(const QString &entry, const QString &l12);

// The archive lines of a V1x file from the dump, read from its end in
// 3-character fields: the first line starts with the dump's last field, each
// later one with a field holding "FF", followed by the fields before it,
// nearest first. The fields before the dump's first "FF" field (its first
// record) make the last line. One or two characters left at the start are
// ignored.
QStringList convertArchiveDump(const QString &dump);

// Lines 1..24 of a V2x file.
ExportLines ListRQV2xData(const TVCVal &values, const QString &reader, const ExportClock &now);
// Lines 1..8 from the record of the pass (0: DSData00, 1: DSData01), and
// for pass 1 the archive lines of the record's data from line 9 on.
ExportLines ListRQV1xData(const TVCVal &values, const TDSData &record, int pass,
                          const QString &reader, const ExportClock &now);

#endif
