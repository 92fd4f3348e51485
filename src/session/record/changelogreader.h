// Reading the change log back: the lines of a device's file paired into one
// entry per write (intent and outcome), filtered by address and date,
// newest first; and the shown entries saved as a file of the same format.
#ifndef PXRQ60_RECORD_CHANGELOGREADER_H
#define PXRQ60_RECORD_CHANGELOGREADER_H

#include "changelog.h"

#include <QDate>
#include <QList>
#include <optional>

// One write: its intent line and, once the answer came, its outcome line.
struct ChangeLogEntry {
    std::optional<ChangeRecord> intent;
    std::optional<ChangeRecord> outcome;
    int line = 0; // the file line of its first record, for the order of equal times

    // The request may have left, but no answer was logged: the program
    // ended, the cable was pulled or the log could not be written between
    // the two lines. Whether the device took the value is unknown.
    bool interrupted() const { return intent && !outcome; }
    // The record that says most: the outcome when there is one.
    const ChangeRecord &last() const { return outcome ? *outcome : *intent; }
    const ChangeRecord &first() const { return intent ? *intent : *outcome; }
};

struct ChangeLogContent {
    QList<ChangeLogEntry> entries; // in the order of the file
    int unreadLines = 0;           // lines that are no record of the log (damaged, foreign)
    bool exists = false;
    FileProblem problem; // the file could not be read
};

// A log file is read whole; larger ones are refused rather than read in part.
constexpr qint64 ChangeLogMaxBytes = 64 * 1024 * 1024;

ChangeLogContent parseChangeLog(const QByteArray &bytes);
ChangeLogContent readChangeLog(const QString &path);

struct ChangeLogFilter {
    QString address; // empty: every address; else the address, letter case aside
    QDate from;      // local dates, each bound included; null: open
    QDate to;
    QString connection; // empty: every connection
};
// The entries that pass, newest first (by the intent's time; equal times:
// the later line first).
QList<ChangeLogEntry> filterChangeLog(const QList<ChangeLogEntry> &entries,
                                      const ChangeLogFilter &filter);

// The header and the lines of `entries` in the given order (each intent
// before its outcome), as the log writes them.
QByteArray changeLogBytes(const QList<ChangeLogEntry> &entries);
// Writes them to `path` in the log's order, oldest first (replaced whole,
// or left as it was). False with the system's words in `error`.
bool saveChangeLogEntries(const QString &path, const QList<ChangeLogEntry> &entries,
                          QString *error);

// The device numbers that have a log in `folder`, in ascending order.
QStringList loggedDeviceNumbers(const QString &folder = changeLogFolder());

#endif
