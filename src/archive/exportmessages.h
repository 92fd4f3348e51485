// What the technician is told when an export writes no file: which file,
// what failed, and the system's own reason beside the folder. Texts by ID
// from the language library; a V1x pair is named as a pair, since neither
// of its files is kept when one fails.
#ifndef PXRQ60_ARCHIVE_EXPORTMESSAGES_H
#define PXRQ60_ARCHIVE_EXPORTMESSAGES_H

#include "exportfile.h"
#include "exportlines.h"
#include "sharedfile.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// One error box: the text filled with its arguments, and both for tests.
struct ExportMessage {
    uint16_t textId = 0;
    QStringList args;
    QString text;
};

// A file refused by the line builders (buildExportContents' error);
// `fileCount` is 1 for V2x, 2 for the V1x pair.
ExportMessage exportRefusalMessage(const ExportValueError &error, int fileCount);
// A failed writeExportFiles. `menu` and `item` are the captions of the
// menu "Einstellungen" and its item "Optionen Anwender ..." without their
// "&", where a folder that cannot take the files is chosen.
ExportMessage exportWriteMessage(const ExportWriteResult &result, int fileCount, int startNumber,
                                 const QString &menu, const QString &item);
// The export folder could not be made (prepareExportFolder, makeSharedFolder).
ExportMessage exportFolderMessage(const QString &folder, const FileProblem &problem);

// Shows the message in the program's error box (caption 500, error icon).
void showExportMessage(const ExportMessage &message);

#endif
