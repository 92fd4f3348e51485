// Files in folders that every technician of the machine shares: the
// settings directory (group dialout, mode 2775) and the export folder below
// it.
//
// Such a folder is written by several users, so a file in it must stay
// writable for the group whoever created or last replaced it, and nothing
// planted in it (a named pipe, a link to a device or to someone else's file)
// may make the program hang, run out of memory or write elsewhere. Only
// plain files are read and replaced; a symbolic link in the file's place is
// refused, never followed.
#ifndef PXRQ60_UTIL_SHAREDFILE_H
#define PXRQ60_UTIL_SHAREDFILE_H

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Mode of a file the program creates in a shared folder: read and write for
// owner and group, whatever the user's umask.
constexpr unsigned SharedFileMode = 0664;
// Mode of a folder the program creates in a shared folder: the group may
// add and remove files in it, whatever the user's umask.
constexpr unsigned SharedFolderMode = 0775;

// Why a shared file could not be read or written. `detail` holds the
// system's own words where the system refused (a strerror text), else it is
// empty.
struct FileProblem {
    enum Kind {
        None,
        System,      // the system refused; see detail
        SymLink,     // a symbolic link stands where the file should be
        NotRegular,  // a named pipe, a device, a directory, a socket
        TooLarge,    // larger than the reader takes
        ReadOnly,    // the file exists but may not be written by this user
        GroupLost,   // replacing it would take its group away from the others
        Locked,      // another program kept the lock for too long
        BadValue,    // a settings value with a line break or NUL
        Unencodable, // a character the file's 8-bit encoding does not have
    };
    Kind kind = None;
    QString detail;

    explicit operator bool() const { return kind != None; }
    // An English one-line description, for the log.
    QString describe() const;
    static FileProblem fromErrno(int errorNumber);
};

// Reads the plain file at `path`, at most `maxBytes` of it. A missing file
// is no error: `exists` becomes false and `bytes` empty. A symbolic link, a
// pipe or device, a file above `maxBytes` or one the system will not read
// give false and the reason. Never blocks on a pipe.
bool readPlainFile(const QString &path, qint64 maxBytes, QByteArray *bytes, bool *exists,
                   FileProblem *error);

// A QSaveFile for shared folders: written to a temporary file and renamed
// over the old one at commit(), so the file is always the old or the new
// one. On open it refuses a symbolic link or a non-plain file in the
// file's place and a file the user may not write; a new file gets
// SharedFileMode, a replaced one keeps its mode and its group (it is
// refused when the group cannot be kept). Use it like QSaveFile; problem()
// says why open() failed.
class SharedSaveFile : public QSaveFile
{
public:
    explicit SharedSaveFile(const QString &path);
    bool open(OpenMode mode) override;
    const FileProblem &problem() const { return m_problem; }

private:
    FileProblem m_problem;
};

// Writes `bytes` as the whole new content of `path` with SharedSaveFile.
bool replacePlainFile(const QString &path, const QByteArray &bytes, FileProblem *error);

// Makes the folder `path` and every missing folder above it, each with
// SharedFolderMode, and with the setgid bit where the folder above has it
// (so files made in it belong to the sharing group, as in the settings
// directory). Folders that exist are left as they are; one made meanwhile
// by another program counts as made. False and the reason when a folder
// cannot be made or something other than a folder stands in the way.
bool makeSharedFolder(const QString &path, FileProblem *error);

// An exclusive advisory lock (flock) on the lock file `path` + ".lock"
// beside a shared file, held for one read-modify-write so that two programs
// changing the file at the same time cannot undo each other's change. The
// lock file is created SharedFileMode when missing and left in place.
// Waits up to `waitMs` for another holder; released when destroyed.
class SharedFileLock
{
public:
    explicit SharedFileLock(const QString &path, int waitMs = 5000);
    ~SharedFileLock();
    SharedFileLock(const SharedFileLock &) = delete;
    SharedFileLock &operator=(const SharedFileLock &) = delete;
    bool locked() const { return m_fd >= 0; }
    const FileProblem &problem() const { return m_problem; }

private:
    int m_fd = -1;
    FileProblem m_problem;
};

#endif
