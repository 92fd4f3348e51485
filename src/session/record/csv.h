// The lines of the change log: fields separated by ";", UTF-8, one record a
// line ending in LF. A field is quoted ("...", a quote inside doubled) when
// it holds ";", a quote or a line break, or begins or ends with a blank.
//
// A spreadsheet takes a cell that begins with "=", "+", "-" or "@" for a
// formula and runs it; a device text or a reader's name must never do that.
// Such a field (other than a plain number such as "-5.0") and one that
// begins with "'" are written with one "'" in front, which the reader takes
// off again.
#ifndef PXRQ60_RECORD_CSV_H
#define PXRQ60_RECORD_CSV_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One line, LF included. Control characters (a CR or LF in a garbled device
// text) are written as "?", so one record is always one line.
QByteArray csvLine(const QStringList &fields, bool guardFormulas = true);

// The records of a text. Quoted fields may hold ";", doubled quotes and
// line breaks; CR LF and LF both end a record; empty lines are skipped.
// With guardFormulas the leading "'" of each field is taken off.
QList<QStringList> csvRecords(const QString &text, bool guardFormulas = true);

#endif
