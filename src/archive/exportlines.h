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

#include "devicetypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct TVCVal;
struct TDSData;

using ExportClock = std::function<QDateTime()>;

// Why the builders refuse a file: a value it needs as a number is none,
// or a value is not certainly the device's. The evaluation program bills
// whatever the file holds, so a file of that export is not written: a
// logarithm of zero would reach it as "inf", an old or empty text as a
// reading of zeros or of another device.
struct ExportValueError {
    enum Kind {
        NotPositive,          // E(x): zero, negative or no number
        NotAFactor,           // the twelve-character pulse factor of a DS record
        ReadFailed,           // the last read of an address the file takes failed
        RecordNotFromReadout, // the DS record was not read whole by this readout
        RecordIncomplete      // the DS record holds fewer data blocks than it announced
    };
    Kind kind = NotPositive;
    QString address;         // "P4" for a V2x value; empty for a record field
    QString recordKind;      // "00" or "01" for a record field or record
    QChar command;           // the field's DS command letter ("n", "T")
    QString text;            // the text that is no number
    QStringList addresses;   // ReadFailed: the addresses, in the order the file takes them
    int blocksRead = 0;      // RecordIncomplete: data blocks read
    int blocksAnnounced = 0; // ... and announced by the record's "b"
};

struct ExportLines {
    QStringList lines;
    std::optional<ExportValueError> error;
};

// What the readout knows about a DS record it hands to the export. A record
// is exported only when this readout of the connected device read it whole;
// the default (nothing known) is refused.
struct DSRecordState {
    bool fromThisReadout = false; // read by the last readout of the connected device, every field
    int blocksAnnounced = 0;      // kind "01": data blocks its "b" announced
    int blocksRead = 0;           // ... and data blocks read
    static DSRecordState whole(int blocks = 0) { return {true, blocks, blocks}; }
};

// The current date as "dd.mm.yy" and time as "hh:mm:ss", whatever the
// locale: the evaluation program reads this one form (a locale's own short
// date, such as "2026-12-09" or one with month names, would not be read, and
// a form the date helpers cannot read would leave the date empty).
QString exportDate(const QDateTime &now);
QString exportTime(const QDateTime &now);

// E(x): x read with "." as decimal point, its common logarithm plus 2,
// rounded to a whole number. Nothing for a text that is no positive finite
// number. The rule and its effect are described beside the code.
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

// Lines 1..24 of a V2x file. `failedReads` holds the addresses ("L4",
// "H205") whose last read failed; when the file takes any of them, it is
// refused (ReadFailed, naming them all).
ExportLines ListRQV2xData(const TVCVal &values, const QString &reader, const ExportClock &now,
                          const QSet<QString> &failedReads = {});
// Lines 1..8 from the record of the pass (0: DSData00, 1: DSData01), and
// for pass 1 the archive lines of the record's data from line 9 on. Refused
// when an address the file takes is in `failedReads`, or when `state` says
// the record is not this readout's whole record.
ExportLines ListRQV1xData(const TVCVal &values, const TDSData &record, int pass,
                          const QString &reader, const ExportClock &now,
                          const QSet<QString> &failedReads, const DSRecordState &state);
// The same without what the readout knows: the record is taken as it is.
// For callers that do not know yet; a readout that knows passes it.
ExportLines ListRQV1xData(const TVCVal &values, const TDSData &record, int pass,
                          const QString &reader, const ExportClock &now);

// Everything one export writes, from the device's values and records as the
// session holds them.
struct ExportSource {
    Generation generation = Generation::V2x;
    const TVCVal *values = nullptr;
    QSet<QString> failedReads;        // addresses whose last read failed
    const TDSData *current = nullptr; // V1x: DSData00 (current values)
    DSRecordState currentState;
    const TDSData *archive = nullptr; // V1x: DSData01 (the archive)
    DSRecordState archiveState;
    QString reader; // READER of the settings
    ExportClock now;
};

// The contents of the files of one export, in the order they are numbered:
// one for V2x, two for V1x (current values, then the archive). When any
// file is refused, none is given (a V1x pair is written whole or not at
// all): `files` is empty, `error` says why and `fileIndex` which file.
struct ExportContents {
    QList<QByteArray> files;
    std::optional<ExportValueError> error;
    int fileIndex = -1;
};
ExportContents buildExportContents(const ExportSource &source);

#endif
