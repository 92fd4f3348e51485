// The archive as points of a chart: the value of each listed entry over its
// date, oldest first. Both generations give the date as day, month and a
// two-digit year ("dd.mm.yy"); the device counts from 2000.
#ifndef PXRQ60_RECORD_ARCHIVESERIES_H
#define PXRQ60_RECORD_ARCHIVESERIES_H

#include "archiveentry.h"

#include <QDate>
#include <QList>
#include <optional>

struct ArchivePoint {
    QDate date;
    double value = 0;
};

struct ArchiveSeries {
    QList<ArchivePoint> points; // by date, oldest first
    // Entries that hold something but no readable date or no number: not
    // drawn, and the chart says how many, so that a missing point is never
    // taken for a month without gas.
    int unreadable = 0;
};

std::optional<QDate> archiveDate(const QString &text);
ArchiveSeries archiveSeries(const QList<ArchiveEntry> &entries);

#endif
