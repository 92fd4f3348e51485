#include "shareddir.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <cerrno>
#include <sys/stat.h>

bool makeSharedDirectories(const QString &path, FileProblem *problem)
{
    FileProblem unused;
    FileProblem &why = problem ? *problem : unused;
    why = FileProblem{};
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString dir;
    for (const QString &part : parts) {
        const QString parent = dir.isEmpty() ? QStringLiteral("/") : dir;
        dir += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(dir);
        struct stat st {
        };
        if (::stat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                why = FileProblem::fromErrno(ENOTDIR);
                return false;
            }
            continue;
        }
        if (::mkdir(native.constData(), SharedDirectoryMode) != 0) {
            if (errno == EEXIST) // made by another program a moment ago: it is theirs
                continue;
            why = FileProblem::fromErrno(errno);
            return false;
        }
        // mkdir took the umask off the mode; the group must be able to
        // write. A set-group-ID parent hands its group down, and the new
        // folder must hand it on.
        struct stat up {
        };
        const bool inherit =
            ::stat(QFile::encodeName(parent).constData(), &up) == 0 && (up.st_mode & S_ISGID);
        if (::chmod(native.constData(), SharedDirectoryMode | (inherit ? S_ISGID : 0)) != 0) {
            why = FileProblem::fromErrno(errno);
            return false;
        }
    }
    return true;
}
