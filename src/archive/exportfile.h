// The export files on disk: their names and numbers, and writing one.
//
// A file is TEMP.n in the export folder. The evaluation program renames
// the files it takes on to TEMP_a.n and TEMP_e.n, so a number is free only
// when none of the three names exists; numbers count down from the start
// number of the settings (TEMPFILENO), which itself never changes.
//
// Several technicians may export into one shared folder at the same moment.
// The file is therefore written under no name at all, flushed to disk, and
// only then given its name with a link that fails when the name exists: the
// loser of a race goes on to the next free number, and the evaluation
// program never sees a file that is not whole.
#ifndef PXRQ60_ARCHIVE_EXPORTFILE_H
#define PXRQ60_ARCHIVE_EXPORTFILE_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// folder + "/TEMP." + n ("%d": negative numbers keep their minus sign).
QString exportFileName(const QString &folder, int number);
// True when TEMP.n, TEMP_a.n or TEMP_e.n exists (of any kind, a dangling
// link included: the name is taken).
bool exportNumberTaken(const QString &folder, int number);
// The first number from `start` down that is not taken; nothing when every
// number down to the smallest int is.
std::optional<int> findFreeExportNumber(const QString &folder, int start);

// The start number of the settings as a decimal integer; nothing when it is
// none.
std::optional<int> exportStartNumber(const QString &tempFileNo);

// The file's bytes: each line, then CR LF. The evaluation program reads
// single-byte text; a character Latin-1 cannot hold, and a control
// character, is written as "?".
QByteArray exportFileBytes(const QStringList &lines);

struct ExportFileResult {
    enum Status {
        Written,      // the file exists whole under fileName and is on disk
        CreateFailed, // it could not be created (folder missing, no permission)
        WriteFailed   // writing or flushing failed; nothing is left behind
    };
    Status status = CreateFailed;
    int number = 0;
    QString fileName;
    int error = 0; // errno of the failure
};

// How the file is created: a nameless file linked in when done, falling
// back to an exclusive create of the final name on file systems without
// nameless files (the partial file is removed there when a write fails).
// Tests choose the fallback directly.
enum class ExportCreateMethod { Best, ExclusiveName };

// Writes `bytes` as the first free TEMP.n from `startNumber` down, with mode
// 0664 whatever the umask: the folder is shared by a group (the technicians
// of the machine, the evaluation program), and a umask of 022 would leave
// the file writable by its creator alone.
ExportFileResult writeExportFile(const QString &folder, int startNumber, const QByteArray &bytes,
                                 ExportCreateMethod method = ExportCreateMethod::Best);

#endif
