// The export files on disk: their names and numbers, and writing them.
//
// A file is TEMP.n in the export folder. The evaluation program renames
// the files it takes on to TEMP_a.n and TEMP_e.n, so a number is free only
// when none of the three names exists, in any mix of upper and lower case (a
// share written from Windows may hold TEMP_A.999). Numbers count down from
// the start number of the settings (TEMPFILENO), which itself never changes.
//
// The evaluation program bills whatever it finds under a TEMP name, so a
// file appears there whole or not at all. Each file is written and flushed
// to disk first without a name (a nameless file), or under a hidden
// temporary name in the same folder where the file system has no nameless
// files (some FUSE and network shares); only then is it given its number,
// with a link that fails when the name exists, and the temporary name is
// removed. A program killed at any moment leaves at most a hidden temporary
// file, never a partial or empty TEMP.n. Two technicians exporting into one
// shared folder at the same moment get different numbers.
//
// The files of one export are one unit: a V1x export is a pair (current
// values, archive) that the evaluation program takes together. All of them
// are written and flushed before any gets its number; if any step fails for
// any of them, none stays (numbers already given are taken back).
#ifndef PXRQ60_ARCHIVE_EXPORTFILE_H
#define PXRQ60_ARCHIVE_EXPORTFILE_H

#include "sharedfile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The export folder before an export. The default folder (settings
// directory + "/auswert/temp") is made when it is missing, with the shared
// folders' mode, so that the first export of a fresh installation works; a
// folder the technician chose is never made without asking: it comes back
// Missing, and the caller asks and then makes it with makeSharedFolder.
struct ExportFolderCheck {
    enum State {
        Present, // there (a folder, or a link to one)
        Made,    // the default folder, made now
        Missing, // a chosen folder that is not there
        Failed   // the default folder could not be made, or the path is no folder
    };
    State state = Present;
    FileProblem problem; // Failed: why
};
ExportFolderCheck prepareExportFolder(const QString &folder);
// True for the default export folder, however it is written (a trailing
// "/", "." or "..").
bool isDefaultExportFolder(const QString &folder);

// folder + "/TEMP." + n ("%d": negative numbers keep their minus sign).
QString exportFileName(const QString &folder, int number);
// True when TEMP.n, TEMP_a.n or TEMP_e.n exists in any case (of any kind, a
// dangling link included: the name is taken).
bool exportNumberTaken(const QString &folder, int number);
// The first number from `start` down that is not taken; nothing when every
// number down to the smallest int is.
std::optional<int> findFreeExportNumber(const QString &folder, int start);

// The start number of the settings as a decimal integer; nothing when it is
// none.
std::optional<int> exportStartNumber(const QString &tempFileNo);

// The file's bytes: each line, then CR LF, in Windows-1252, the code page
// the evaluation program reads ("€", "Š", "Œ" included). A character the
// code page cannot hold, and a control character (which would split a line
// or end the record early for the evaluation program), is written as "?".
QByteArray exportFileBytes(const QStringList &lines);

// How the files are created before they get their numbers. Best takes a
// nameless file where the file system has them and a temporary name where it
// has not; TemporaryName always takes the temporary name (tests use it to
// run that path on any file system).
enum class ExportCreateMethod { Best, TemporaryName };

// What became of one export (all of its files).
struct ExportWriteResult {
    enum Step {
        Done,   // every file is whole on disk under its number
        Create, // a file could not be created in the folder
        Write,  // a file could not be written (disk full, file too large, I/O error)
        Flush,  // a file could not be flushed to disk
        Number, // no number left below the start number
        Name    // the file could not be given its number
    };
    Step step = Create;
    int fileIndex = -1; // the file the step failed for (its place in the list)
    int error = 0;      // the system's error number; 0 for Done and Number
    QString reason;     // the system's own words for `error` (strerror); empty when 0
    QString folder;
    // Done: the number and full name of every file, in the order given.
    // Otherwise empty: no file of the export stays.
    QList<int> numbers;
    QStringList fileNames;

    bool ok() const { return step == Done; }
};

// Writes `files` as one unit into `folder`: the first file as the highest
// free number from `startNumber` down, each further one as the next free
// number below the one before. Every file gets mode 0664 whatever the
// umask: the folder is shared by a group (the technicians of the machine,
// the evaluation program), and a umask of 022 would leave a file writable
// by its creator alone. An empty list writes nothing and succeeds.
ExportWriteResult writeExportFiles(const QString &folder, int startNumber,
                                   const QList<QByteArray> &files,
                                   ExportCreateMethod method = ExportCreateMethod::Best);

// One file on its own, as writeExportFiles with a list of one.
struct ExportFileResult {
    enum Status {
        Written,      // the file exists whole under fileName and is on disk
        CreateFailed, // it could not be created or named (folder missing, no permission)
        WriteFailed   // writing or flushing failed; nothing is left behind
    };
    Status status = CreateFailed;
    int number = 0;
    QString fileName; // on failure: the name the file would have had
    int error = 0;    // errno of the failure
};
ExportFileResult writeExportFile(const QString &folder, int startNumber, const QByteArray &bytes,
                                 ExportCreateMethod method = ExportCreateMethod::Best);

#endif
