#include "sharedfile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// What a file's type says when it is not a plain file.
FileProblem problemOfType(mode_t mode)
{
    FileProblem e;
    e.kind = S_ISLNK(mode) ? FileProblem::SymLink : FileProblem::NotRegular;
    return e;
}

void setError(FileProblem *target, const FileProblem &value)
{
    if (target)
        *target = value;
}

} // namespace

QString FileProblem::describe() const
{
    switch (kind) {
    case None: return QStringLiteral("no error");
    case System: return detail;
    case SymLink: return QStringLiteral("a symbolic link stands in the file's place");
    case NotRegular: return QStringLiteral("not a plain file");
    case TooLarge: return QStringLiteral("file too large");
    case ReadOnly: return QStringLiteral("file is write-protected for this user");
    case GroupLost: return QStringLiteral("the file's group cannot be kept");
    case Locked: return QStringLiteral("another program holds the lock");
    case BadValue: return QStringLiteral("value holds a line break or NUL");
    case Unencodable: return QStringLiteral("value not representable in the file's encoding");
    }
    return QString();
}

FileProblem FileProblem::fromErrno(int errorNumber)
{
    FileProblem e;
    e.kind = System;
    e.detail = QString::fromLocal8Bit(std::strerror(errorNumber));
    return e;
}

bool readPlainFile(const QString &path, qint64 maxBytes, QByteArray *bytes, bool *exists,
                   FileProblem *error)
{
    bytes->clear();
    *exists = false;
    setError(error, FileProblem());
    // O_NOFOLLOW: a link is refused, not followed; O_NONBLOCK: opening a
    // named pipe returns at once instead of waiting for a writer.
    const int fd = ::open(nativePath(path).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) // nothing there, or no folder to hold it
            return true;
        *exists = true;
        struct stat st {
        };
        if (err == ELOOP && ::lstat(nativePath(path).constData(), &st) == 0 && S_ISLNK(st.st_mode))
            setError(error, problemOfType(st.st_mode));
        else
            setError(error, FileProblem::fromErrno(err));
        return false;
    }
    *exists = true;
    struct stat st {
    };
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) {
        setError(error, FileProblem::fromErrno(errno));
    } else if (!S_ISREG(st.st_mode)) {
        setError(error, problemOfType(st.st_mode));
        ok = false;
    } else if (st.st_size > maxBytes) {
        setError(error, FileProblem{FileProblem::TooLarge, QString()});
        ok = false;
    }
    if (ok) {
        // The size may change while reading (a hand edit, another program);
        // one byte more than allowed tells that it has grown too large.
        bytes->resize(qsizetype(maxBytes) + 1);
        qint64 got = 0;
        while (got < maxBytes + 1) {
            const ssize_t n = ::read(fd, bytes->data() + got, size_t(maxBytes + 1 - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                setError(error, FileProblem::fromErrno(errno));
                ok = false;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        if (ok && got > maxBytes) {
            setError(error, FileProblem{FileProblem::TooLarge, QString()});
            ok = false;
        }
        bytes->resize(ok ? qsizetype(got) : 0);
    }
    ::close(fd);
    return ok;
}

SharedSaveFile::SharedSaveFile(const QString &path) : QSaveFile(path) {}

bool SharedSaveFile::open(OpenMode mode)
{
    m_problem = FileProblem();
    const QByteArray path = nativePath(fileName());
    struct stat old {
    };
    const bool existed = ::lstat(path.constData(), &old) == 0;
    if (!existed && errno != ENOENT) {
        m_problem = FileProblem::fromErrno(errno);
    } else if (existed && !S_ISREG(old.st_mode)) {
        // QSaveFile would write to a link's target; a pipe or device
        // cannot be replaced by a file without breaking whatever made it.
        m_problem = problemOfType(old.st_mode);
    } else if (existed && ::access(path.constData(), W_OK) != 0) {
        // Replacing needs only the folder's write right; a file that its
        // owner made read-only stays as it is.
        m_problem = errno == EACCES ? FileProblem{FileProblem::ReadOnly, QString()}
                                    : FileProblem::fromErrno(errno);
    }
    if (m_problem) {
        setErrorString(m_problem.describe());
        return false;
    }
    if (!QSaveFile::open(mode)) {
        m_problem = FileProblem{FileProblem::System, errorString()};
        return false;
    }
    const int fd = handle();
    struct stat now {
    };
    bool kept = ::fstat(fd, &now) == 0;
    if (kept && existed && now.st_gid != old.st_gid)
        kept = ::fchown(fd, uid_t(-1), old.st_gid) == 0;
    if (!kept) {
        m_problem =
            FileProblem{FileProblem::GroupLost, QString::fromLocal8Bit(std::strerror(errno))};
    } else if (::fchmod(fd, existed ? (old.st_mode & 0777) : mode_t(SharedFileMode)) != 0) {
        m_problem = FileProblem::fromErrno(errno);
    }
    if (m_problem) {
        cancelWriting();
        QSaveFile::commit(); // discards the temporary file
        setErrorString(m_problem.describe());
        return false;
    }
    return true;
}

bool replacePlainFile(const QString &path, const QByteArray &bytes, FileProblem *error)
{
    SharedSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        setError(error, out.problem());
        return false;
    }
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        setError(error, FileProblem{FileProblem::System, out.errorString()});
        out.cancelWriting();
        return false;
    }
    setError(error, FileProblem());
    return true;
}

bool makeSharedFolder(const QString &path, FileProblem *error)
{
    setError(error, FileProblem());
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    // From the top down: each folder's mode depends on the one above it.
    QString level;
    for (const QString &part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString parent = level.isEmpty() ? QStringLiteral("/") : level;
        level += QLatin1Char('/') + part;
        const QByteArray native = nativePath(level);
        struct stat st {
        };
        if (::stat(native.constData(), &st) == 0) {
            if (S_ISDIR(st.st_mode))
                continue;
            setError(error, FileProblem::fromErrno(ENOTDIR));
            return false;
        }
        if (::mkdir(native.constData(), SharedFolderMode) != 0) {
            const int err = errno;
            if (err == EEXIST && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode))
                continue; // another program made it meanwhile
            setError(error, FileProblem::fromErrno(err));
            return false;
        }
        // mkdir took the umask away; the group's write right is the point.
        struct stat above {
        };
        mode_t mode = SharedFolderMode;
        if (::stat(nativePath(parent).constData(), &above) == 0 && (above.st_mode & S_ISGID))
            mode |= S_ISGID;
        if (::chmod(native.constData(), mode) != 0) {
            setError(error, FileProblem::fromErrno(errno));
            return false;
        }
    }
    return true;
}

SharedFileLock::SharedFileLock(const QString &path, int waitMs)
{
    const QByteArray lockPath = nativePath(path + QStringLiteral(".lock"));
    const int flags = O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_EXCL | flags, SharedFileMode);
    if (fd >= 0) {
        ::fchmod(fd, SharedFileMode); // the umask must not lock the group out
    } else if (errno == EEXIST) {
        fd = ::open(lockPath.constData(), O_RDWR | flags);
        // flock needs no write right: a lock file made by another user with
        // a narrow mode still serves.
        if (fd < 0 && errno == EACCES)
            fd = ::open(lockPath.constData(), O_RDONLY | flags);
    }
    if (fd < 0) {
        const int err = errno;
        struct stat st {
        };
        if (err == ELOOP && ::lstat(lockPath.constData(), &st) == 0)
            m_problem = problemOfType(st.st_mode);
        else
            m_problem = FileProblem::fromErrno(err);
        return;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_problem = FileProblem{FileProblem::NotRegular, QString()};
        ::close(fd);
        return;
    }
    // The holder keeps the lock for one read and one rename, a few
    // milliseconds; a bounded wait keeps a stuck holder from freezing the
    // window.
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_problem = FileProblem::fromErrno(errno);
            break;
        }
        if (clock::now() >= deadline) {
            m_problem = FileProblem{FileProblem::Locked, QString()};
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(fd);
}

SharedFileLock::~SharedFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor releases the lock
}
