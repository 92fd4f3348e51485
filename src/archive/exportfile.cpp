#include "exportfile.h"

#include "cp1252.h"
#include "helpers.h"
#include "inisettings.h"
#include "sharedfile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char *const Stems[] = {"TEMP.", "TEMP_a.", "TEMP_e."};

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemText(int error)
{
    return error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
}

// The number a directory entry stands for when it is one of the three
// names, in any case; the number must be written as "%d" writes it.
std::optional<int> numberOfName(const QString &name)
{
    for (const char *stem : Stems) {
        const QLatin1String s(stem);
        if (!name.startsWith(s, Qt::CaseInsensitive))
            continue;
        const QString rest = name.mid(s.size());
        bool ok = false;
        const int n = rest.toInt(&ok, 10);
        if (ok && QString::number(n) == rest)
            return n;
    }
    return std::nullopt;
}

// The numbers the folder's entries take, read once per export. A folder
// that may be written but not listed (a drop box) is asked name by name
// instead, where only the exact spellings can be seen.
class TakenNumbers
{
public:
    explicit TakenNumbers(const QString &folder) : m_folder(folder)
    {
        DIR *dir = ::opendir(native(folder).constData());
        if (!dir)
            return;
        m_listed = true;
        while (const dirent *e = ::readdir(dir))
            if (const std::optional<int> n = numberOfName(QFile::decodeName(e->d_name)))
                m_numbers.insert(*n);
        ::closedir(dir);
    }

    bool contains(int number) const
    {
        if (m_listed)
            return m_numbers.contains(number);
        const QString n = QString::number(number);
        struct stat st;
        for (const char *stem : Stems)
            if (::lstat(native(m_folder + QLatin1Char('/') + QLatin1String(stem) + n).constData(),
                        &st) == 0)
                return true;
        return false;
    }

    // The first number from `from` down that is not taken.
    std::optional<int> freeFrom(qint64 from) const
    {
        for (qint64 n = from; n >= INT_MIN; --n)
            if (!contains(int(n)))
                return int(n);
        return std::nullopt;
    }

private:
    QString m_folder;
    bool m_listed = false;
    QSet<int> m_numbers;
};

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// The new names must be on disk too, not only the contents.
void flushFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

// One file of the export between its creation and its number.
struct PendingFile {
    int fd = -1;
    QByteArray tempPath;  // its temporary name; empty for a nameless file, or once renamed
    QByteArray finalPath; // its TEMP.n, once it has it
};

// Where the file system has no nameless files (O_TMPFILE) the open fails
// with one of these; anything else (no folder, no right) is the folder's
// own answer and is reported.
bool noNamelessFiles(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Creates the file; 0 or the errno.
int create(const QString &folder, ExportCreateMethod method, PendingFile &p)
{
    if (method == ExportCreateMethod::Best) {
        p.fd = ::open(native(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                      mode_t(SharedFileMode));
        if (p.fd >= 0)
            return 0;
        if (!noNamelessFiles(errno))
            return errno;
    }
    // A hidden name that no evaluation program takes for an export file and
    // that tells a technician who finds it (after a crash) whose it is.
    QByteArray name = native(folder) + "/.pxrq60-export-XXXXXX";
    p.fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (p.fd < 0)
        return errno;
    p.tempPath = name;
    return 0;
}

// Writes and flushes the content; the step that failed, or Done.
ExportWriteResult::Step fill(int fd, const QByteArray &bytes)
{
    // Without group write the file would be the creator's alone; a file
    // system that keeps no modes (a mounted share) refuses, which is no
    // reason to fail the export.
    (void)::fchmod(fd, mode_t(SharedFileMode));
    if (!writeAll(fd, bytes))
        return ExportWriteResult::Write;
    if (::fsync(fd) != 0)
        return ExportWriteResult::Flush;
    return ExportWriteResult::Done;
}

// Gives the file the name `target` unless the name exists; 0 or the errno
// (EEXIST: the name is taken).
int giveName(PendingFile &p, const QByteArray &target)
{
    if (p.tempPath.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(p.fd);
        return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(),
                        AT_SYMLINK_FOLLOW) == 0
                   ? 0
                   : errno;
    }
    if (::link(p.tempPath.constData(), target.constData()) == 0)
        return 0;
    const int linkError = errno;
    if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != ENOSYS && linkError != EMLINK)
        return linkError;
    // A file system without hard links (FAT, some shares): a rename that
    // refuses to replace an existing name does the same in one step.
    if (::renameat2(AT_FDCWD, p.tempPath.constData(), AT_FDCWD, target.constData(),
                    RENAME_NOREPLACE) == 0) {
        p.tempPath.clear();
        return 0;
    }
    const int renameError = errno;
    // Neither way exists here; no other way gives a file its name without
    // the risk of replacing another program's file of that name.
    if (renameError == EINVAL || renameError == ENOSYS || renameError == EOPNOTSUPP)
        return linkError;
    return renameError;
}

bool sameFile(int fd, const QByteArray &path)
{
    struct stat a, b;
    return ::fstat(fd, &a) == 0 && ::lstat(path.constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// Takes back everything the export made: its numbers (only where the name
// still holds its own file, not one the evaluation program or another
// program put there meanwhile) and its temporary names.
void discard(std::vector<PendingFile> &files)
{
    for (PendingFile &p : files) {
        if (!p.finalPath.isEmpty() && p.fd >= 0 && sameFile(p.fd, p.finalPath))
            ::unlink(p.finalPath.constData());
        if (!p.tempPath.isEmpty())
            ::unlink(p.tempPath.constData());
        if (p.fd >= 0)
            ::close(p.fd);
        p = PendingFile();
    }
}

ExportWriteResult failure(std::vector<PendingFile> &files, const QString &folder,
                          ExportWriteResult::Step step, int index, int error)
{
    discard(files);
    ExportWriteResult r;
    r.step = step;
    r.fileIndex = index;
    r.error = error;
    r.reason = systemText(error);
    r.folder = folder;
    return r;
}

// One try of the whole unit. *retry becomes true when a nameless file
// could not be named for a reason other than a taken name (no /proc, a file
// system that makes nameless files but links none): the unit is then worth
// one more try under temporary names.
ExportWriteResult writeUnit(const QString &folder, int startNumber, const QList<QByteArray> &data,
                            ExportCreateMethod method, bool *retry)
{
    std::vector<PendingFile> files(size_t(data.size()));
    for (int i = 0; i < data.size(); ++i) {
        PendingFile &p = files[size_t(i)];
        if (const int error = create(folder, method, p))
            return failure(files, folder, ExportWriteResult::Create, i, error);
        const ExportWriteResult::Step step = fill(p.fd, data.at(i));
        if (step != ExportWriteResult::Done)
            return failure(files, folder, step, i, errno);
    }

    ExportWriteResult r;
    r.folder = folder;
    const TakenNumbers taken(folder);
    qint64 candidate = startNumber;
    for (int i = 0; i < data.size(); ++i) {
        PendingFile &p = files[size_t(i)];
        for (;;) {
            const std::optional<int> number = taken.freeFrom(candidate);
            if (!number)
                return failure(files, folder, ExportWriteResult::Number, i, 0);
            const QString name = exportFileName(folder, *number);
            const QByteArray target = native(name);
            const int error = giveName(p, target);
            candidate = qint64(*number) - 1;
            if (error == EEXIST) // another program took it since the folder was read
                continue;
            if (error) {
                *retry = p.tempPath.isEmpty();
                return failure(files, folder, ExportWriteResult::Name, i, error);
            }
            p.finalPath = target;
            r.numbers.append(*number);
            r.fileNames.append(name);
            break;
        }
    }

    for (PendingFile &p : files) {
        if (!p.tempPath.isEmpty())
            ::unlink(p.tempPath.constData());
        p.tempPath.clear();
    }
    flushFolder(folder);
    for (PendingFile &p : files)
        ::close(p.fd);
    r.step = ExportWriteResult::Done;
    return r;
}

} // namespace

bool isDefaultExportFolder(const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absolutePath()) ==
           QDir::cleanPath(QDir(defaultTempFilePath()).absolutePath());
}

ExportFolderCheck prepareExportFolder(const QString &folder)
{
    ExportFolderCheck c;
    struct stat st;
    if (::stat(native(folder).constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            c.state = ExportFolderCheck::Failed;
            c.problem = FileProblem::fromErrno(ENOTDIR);
        }
        return c;
    }
    if (errno != ENOENT) { // there may be something, but it cannot be reached
        c.state = ExportFolderCheck::Failed;
        c.problem = FileProblem::fromErrno(errno);
        return c;
    }
    if (!isDefaultExportFolder(folder)) {
        c.state = ExportFolderCheck::Missing;
        return c;
    }
    c.state =
        makeSharedFolder(folder, &c.problem) ? ExportFolderCheck::Made : ExportFolderCheck::Failed;
    return c;
}

QString exportFileName(const QString &folder, int number)
{
    return folder + QStringLiteral("/TEMP.") + QString::number(number);
}

bool exportNumberTaken(const QString &folder, int number)
{
    return TakenNumbers(folder).contains(number);
}

std::optional<int> findFreeExportNumber(const QString &folder, int start)
{
    return TakenNumbers(folder).freeFrom(start);
}

std::optional<int> exportStartNumber(const QString &tempFileNo)
{
    try {
        return StrToInt(tempFileNo);
    } catch (const ConversionError &) {
        return std::nullopt;
    }
}

QByteArray exportFileBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        // By character, not by UTF-16 unit: a character outside the basic
        // plane is one "?", not two.
        for (const char32_t c : line.toUcs4()) {
            const int b = cp1252Byte(c);
            // A device text with a control character in it (a CR or LF from
            // a garbled field) would split the line or end the record early
            // for the evaluation program.
            const bool control = c < 0x20 || (c >= 0x7f && c < 0xa0);
            bytes += b < 0 || control ? '?' : char(b);
        }
        bytes += "\r\n";
    }
    return bytes;
}

ExportWriteResult writeExportFiles(const QString &folder, int startNumber,
                                   const QList<QByteArray> &files, ExportCreateMethod method)
{
    bool retry = false;
    ExportWriteResult r = writeUnit(folder, startNumber, files, method, &retry);
    if (retry)
        r = writeUnit(folder, startNumber, files, ExportCreateMethod::TemporaryName, &retry);
    return r;
}

ExportFileResult writeExportFile(const QString &folder, int startNumber, const QByteArray &bytes,
                                 ExportCreateMethod method)
{
    const ExportWriteResult r = writeExportFiles(folder, startNumber, {bytes}, method);
    if (r.ok())
        return {ExportFileResult::Written, r.numbers.first(), r.fileNames.first(), 0};
    const int number = findFreeExportNumber(folder, startNumber).value_or(startNumber);
    const bool written = r.step == ExportWriteResult::Write || r.step == ExportWriteResult::Flush;
    return {written ? ExportFileResult::WriteFailed : ExportFileResult::CreateFailed, number,
            exportFileName(folder, number), r.step == ExportWriteResult::Number ? EEXIST : r.error};
}
