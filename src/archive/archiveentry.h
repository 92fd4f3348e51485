// Archive entries as the grids of the archive page list them, taken from
// either form the device delivers its archive in.
//
// V2x devices give each entry as the text of one address H201..H215: the
// value, ";" and the date "dd.mm.yy". V1x devices give the whole archive
// memory as one text (the data field of the DS record of kind "01"): a run
// of 3-character fields, twelve per record, each record ending in the marker
// field "FFA", and "FF1" after the last record.
#ifndef PXRQ60_ARCHIVE_ARCHIVEENTRY_H
#define PXRQ60_ARCHIVE_ARCHIVEENTRY_H

#include "devicetypes.h"

#include <QList>
#include <QString>

struct TVCVal;

struct ArchiveEntry {
    QString date;
    QString value;
    bool operator==(const ArchiveEntry &o) const { return date == o.date && value == o.value; }
};

// The device keeps fifteen entries; the grids have room for exactly these.
constexpr int ArchiveEntryCount = 15;

// A V2x entry text: the value is what stands before the first ";" (shown
// unchanged), the date the 8 characters after it. Without a ";" the first 8
// characters are the date and the value is empty.
ArchiveEntry parseV2xEntry(const QString &text);

// The entries of a V1x dump in the order the records lie in it (the device
// puts its newest first), at most fifteen. Each entry is read backwards from its "FFA" marker (date
// day.month.year, value the eight digits without leading zeros). The
// listing goes on only while a whole record (36 characters) stands before
// the first "FF1" of the rest. A dump without any "FFA" lists nothing, and
// characters a short first record would need from before the dump's start
// are missing rather than read from outside it.
QList<ArchiveEntry> parseV1xDump(const QString &dump);

// One row of the archive page: grid 1 (ArchivData1) rows 1..7 hold entries
// 1..7, grid 2 (ArchivData2) rows 0..7 entries 8..15. Row 0 of grid 1 holds
// the column titles.
struct ArchiveCell {
    int grid = 1;
    int row = 1;
    ArchiveEntry entry;
    bool operator==(const ArchiveCell &o) const
    {
        return grid == o.grid && row == o.row && entry == o.entry;
    }
};
ArchiveCell archiveCell(int index, const ArchiveEntry &entry); // index 0..14

// The rows a readout fills: for V2x always all fifteen, from H201..H215 of
// the store; for V1x as many as the dump holds. Rows not in the list keep
// what they showed before.
QList<ArchiveCell> archiveListing(Generation gen, const TVCVal &values, const QString &dump);

#endif
