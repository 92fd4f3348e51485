#include "exportfile.h"

#include "helpers.h"
#include "sharedfile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

bool nameExists(const QString &path)
{
    struct stat st;
    return ::lstat(native(path).constData(), &st) == 0;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// Writes and flushes the whole content; errno tells the failure.
bool writeAndFlush(int fd, const QByteArray &bytes)
{
    // Without group write the file would be the creator's alone; a file
    // system that keeps no modes (a mounted share) refuses, which is no
    // reason to fail the export.
    (void)::fchmod(fd, mode_t(SharedFileMode));
    return writeAll(fd, bytes) && ::fsync(fd) == 0;
}

// The new name must be on disk too, not only the content.
void flushFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

ExportFileResult result(ExportFileResult::Status status, const QString &folder, int number,
                        int error = 0)
{
    return {status, number, exportFileName(folder, number), error};
}

std::optional<int> freeBelow(const QString &folder, int number)
{
    return number > INT_MIN ? findFreeExportNumber(folder, number - 1) : std::nullopt;
}

// The fallback: create the final name exclusively, write, flush; a failed
// write removes what was written.
ExportFileResult writeUnderName(const QString &folder, int number, const QByteArray &bytes)
{
    for (;;) {
        const QByteArray path = native(exportFileName(folder, number));
        const int fd =
            ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                   mode_t(SharedFileMode));
        if (fd < 0 && errno == EEXIST) {
            // Another program took this number since the search.
            const std::optional<int> next = freeBelow(folder, number);
            if (!next)
                return result(ExportFileResult::CreateFailed, folder, number, EEXIST);
            number = *next;
            continue;
        }
        if (fd < 0)
            return result(ExportFileResult::CreateFailed, folder, number, errno);
        if (!writeAndFlush(fd, bytes)) {
            const int error = errno;
            ::close(fd);
            ::unlink(path.constData());
            return result(ExportFileResult::WriteFailed, folder, number, error);
        }
        if (::close(fd) != 0) {
            const int error = errno;
            ::unlink(path.constData());
            return result(ExportFileResult::WriteFailed, folder, number, error);
        }
        flushFolder(folder);
        return result(ExportFileResult::Written, folder, number);
    }
}

} // namespace

QString exportFileName(const QString &folder, int number)
{
    return folder + QStringLiteral("/TEMP.") + QString::number(number);
}

bool exportNumberTaken(const QString &folder, int number)
{
    const QString n = QString::number(number);
    for (const char *stem : {"/TEMP.", "/TEMP_a.", "/TEMP_e."})
        if (nameExists(folder + QLatin1String(stem) + n))
            return true;
    return false;
}

std::optional<int> findFreeExportNumber(const QString &folder, int start)
{
    for (qint64 n = start; n >= INT_MIN; --n)
        if (!exportNumberTaken(folder, int(n)))
            return int(n);
    return std::nullopt;
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
        QByteArray l = line.toLatin1();
        // A device text with a control character in it (a CR or LF from a
        // garbled field) would split the line or end the record early for
        // the evaluation program; it is written as "?" like any other
        // character the file cannot hold.
        for (char &c : l)
            if (uchar(c) < 0x20 || uchar(c) == 0x7f)
                c = '?';
        bytes += l + "\r\n";
    }
    return bytes;
}

ExportFileResult writeExportFile(const QString &folder, int startNumber, const QByteArray &bytes,
                                 ExportCreateMethod method)
{
    const std::optional<int> first = findFreeExportNumber(folder, startNumber);
    if (!first)
        return result(ExportFileResult::CreateFailed, folder, startNumber, EEXIST);
    int number = *first;
    if (method == ExportCreateMethod::ExclusiveName)
        return writeUnderName(folder, number, bytes);

    // A nameless file in the folder: nobody sees it until it is whole.
    const int fd = ::open(native(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC,
                          mode_t(SharedFileMode));
    if (fd < 0) // a file system without nameless files, or no folder at all
        return writeUnderName(folder, number, bytes);
    if (!writeAndFlush(fd, bytes)) {
        const int error = errno;
        ::close(fd); // the nameless file goes with its descriptor
        return result(ExportFileResult::WriteFailed, folder, number, error);
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    for (;;) {
        const QByteArray path = native(exportFileName(folder, number));
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) ==
            0)
            break;
        if (errno != EEXIST) {
            // No hard links here (some shares): name the file directly.
            ::close(fd);
            return writeUnderName(folder, number, bytes);
        }
        // Another program took this number since the search.
        const std::optional<int> next = freeBelow(folder, number);
        if (!next) {
            ::close(fd);
            return result(ExportFileResult::CreateFailed, folder, number, EEXIST);
        }
        number = *next;
    }
    ::close(fd);
    flushFolder(folder);
    return result(ExportFileResult::Written, folder, number);
}
