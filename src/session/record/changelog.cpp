#include "changelog.h"

#include "csv.h"
#include "helpers.h"
#include "profile.h"
#include "sharedfile.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcRecord, "pxrq60.record", QtWarningMsg)

const char *const MaskedKey = "********";

namespace {

struct OperationWord {
    ChangeOperation operation;
    const char *word;
};
const OperationWord operationWords[] = {
    {ChangeOperation::Edit, "edit"},
    {ChangeOperation::Transfer, "transfer"},
    {ChangeOperation::Calibration, "calibration"},
    {ChangeOperation::CounterReset, "counter-reset"},
    {ChangeOperation::BatteryCapacity, "battery"},
    {ChangeOperation::StatusClear, "status-clear"},
    {ChangeOperation::Key, "key"},
};

// A descriptor closed on every path.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

void fail(FileProblem *problem, const FileProblem &value)
{
    if (problem)
        *problem = value;
}

bool writeWhole(int fd, const QByteArray &bytes)
{
    // One write(2) for the line: with O_APPEND the system puts it at the
    // end in one piece. A short write (a full disk) is not continued, as
    // the rest would no longer belong to the same append.
    for (;;) {
        const ssize_t n = ::write(fd, bytes.constData(), size_t(bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        return n == bytes.size();
    }
}

void flushFolder(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// Another program holds the lock for one line, a few milliseconds; a bounded
// wait keeps a stuck holder from freezing the write path.
bool lockFile(int fd, FileProblem *problem)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(5);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            fail(problem, FileProblem::fromErrno(errno));
            return false;
        }
        if (clock::now() >= deadline) {
            fail(problem, FileProblem{FileProblem::Locked, QString()});
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The log folder, opened without following a link: someone else's link in
// the shared settings directory must not send the log elsewhere.
int openFolder(const QString &folder, FileProblem *problem)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {
    };
    if (::lstat(path.constData(), &st) != 0) {
        // The folder is shared like the settings directory above it: group
        // write whatever the umask, and the group passed on to new files.
        if (!makeSharedFolder(folder, problem))
            return -1;
        const QByteArray above = QFile::encodeName(folder.section(QLatin1Char('/'), 0, -2));
        flushFolder(above.isEmpty() ? QByteArray("/") : above); // the new folder's name
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        struct stat st {
        };
        if (::lstat(path.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
            fail(problem,
                 FileProblem{S_ISLNK(st.st_mode) ? FileProblem::SymLink : FileProblem::NotRegular,
                             QString()});
        else
            fail(problem, FileProblem::fromErrno(errno));
    }
    return fd;
}

// Opens the device's file for appending, making it (mode 0664) when
// missing. `created` tells whether this call made it.
int openLogFile(int folderFd, const QByteArray &name, bool *created, FileProblem *problem)
{
    // O_NONBLOCK: a named pipe planted under the name must not hang the
    // write path; the type check below refuses it.
    const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    *created = false;
    int fd = ::openat(folderFd, name.constData(), flags | O_CREAT | O_EXCL, SharedFileMode);
    if (fd >= 0) {
        *created = true;
        (void)::fchmod(fd, SharedFileMode); // the umask must not lock the group out
    } else if (errno == EEXIST) {
        fd = ::openat(folderFd, name.constData(), flags);
    }
    if (fd < 0) {
        const int err = errno;
        struct stat st {
        };
        if (err == ELOOP && ::fstatat(folderFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            fail(problem, FileProblem{FileProblem::SymLink, QString()});
        else if (err == EACCES)
            fail(problem, FileProblem{FileProblem::ReadOnly, QString()});
        else
            fail(problem, FileProblem::fromErrno(err));
        return -1;
    }
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fail(problem, FileProblem{FileProblem::NotRegular, QString()});
        ::close(fd);
        return -1;
    }
    return fd;
}

QString localText(const QDateTime &t)
{
    return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString utcText(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

} // namespace

QString changeOperationWord(ChangeOperation operation)
{
    for (const OperationWord &w : operationWords)
        if (w.operation == operation)
            return QLatin1String(w.word);
    return QStringLiteral("other");
}

ChangeOperation changeOperationFromWord(const QString &word)
{
    for (const OperationWord &w : operationWords)
        if (word == QLatin1String(w.word))
            return w.operation;
    return ChangeOperation::Other;
}

ChangeResult changeResultOf(int status)
{
    if (status == 0)
        return ChangeResult::Confirmed;
    if (status == -13)
        return ChangeResult::NotConfirmed;
    if (status <= -101 && status >= -105)
        return ChangeResult::Refused;
    if ((status <= -1 && status >= -6) || status == -15)
        return ChangeResult::NotSent;
    return ChangeResult::Failed;
}

QString changeResultWord(ChangeResult result)
{
    switch (result) {
    case ChangeResult::Confirmed: return QStringLiteral("confirmed");
    case ChangeResult::NotConfirmed: return QStringLiteral("not confirmed");
    case ChangeResult::Refused: return QStringLiteral("refused");
    case ChangeResult::NotSent: return QStringLiteral("not sent");
    case ChangeResult::Failed: break;
    }
    return QStringLiteral("failed");
}

const QStringList &changeLogColumns()
{
    static const QStringList columns{
        "local_time",       "utc_time",      "reader",     "device_type",
        "software_version", "device_number", "connection", "exchange",
        "operation",        "phase",         "address",    "old_value",
        "written_value",    "status",        "result",     "confirmed_value"};
    return columns;
}

bool isKeyAddress(const QString &address)
{
    static const QStringList keys{"P0", "P9", "P10", "P11"};
    return keys.contains(address.trimmed(), Qt::CaseInsensitive);
}

QStringList changeLogFields(const ChangeRecord &r)
{
    const bool masked = r.key || isKeyAddress(r.address);
    auto value = [masked](const QString &v) {
        return masked && !v.isEmpty() ? QString::fromLatin1(MaskedKey) : v;
    };
    const bool outcome = r.phase == ChangePhase::Outcome;
    return {localText(r.time),
            utcText(r.time),
            r.reader,
            r.device.type,
            r.device.softwareVersion,
            r.device.number,
            r.connection,
            QString::number(r.exchange),
            changeOperationWord(r.operation),
            outcome ? QStringLiteral("outcome") : QStringLiteral("intent"),
            r.address,
            value(r.oldValue),
            masked ? QString::fromLatin1(MaskedKey) : r.written,
            outcome ? QString::number(r.status) : QString(),
            outcome ? changeResultWord(changeResultOf(r.status)) : QString(),
            outcome ? value(r.confirmed) : QString()};
}

QString changeLogFolder()
{
    return settingsDirectory() + QStringLiteral("/log");
}

QString changeLogFileName(const QString &deviceNumber)
{
    try {
        const qint64 n = StrToInt64(deviceNumber.trimmed());
        if (n >= 0)
            return QString::number(n) + QStringLiteral(".csv");
    } catch (const ConversionError &) {
    }
    return QStringLiteral("unknown.csv");
}

QString newConnectionId()
{
    return QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16,
                                    QLatin1Char('0'));
}

bool appendChangeRecord(const QString &folder, const ChangeRecord &record, FileProblem *problem)
{
    fail(problem, FileProblem());
    Fd dir(openFolder(folder, problem));
    if (dir.fd < 0)
        return false;
    bool created = false;
    Fd file(openLogFile(dir.fd, QFile::encodeName(changeLogFileName(record.device.number)),
                        &created, problem));
    if (file.fd < 0)
        return false;
    // The lock orders whole lines between programs on file systems where
    // O_APPEND alone does not (network shares), and lets the first writer
    // of a new file put the header in before anyone's line.
    if (!lockFile(file.fd, problem))
        return false;
    struct stat st {
    };
    if (::fstat(file.fd, &st) != 0) {
        fail(problem, FileProblem::fromErrno(errno));
        return false;
    }
    QByteArray bytes;
    if (st.st_size == 0)
        bytes = QByteArray("\xEF\xBB\xBF") + csvLine(changeLogColumns());
    bytes += csvLine(changeLogFields(record));
    if (!writeWhole(file.fd, bytes)) {
        const int err = errno;
        // Nobody else writes while the lock is held: what this write left of
        // a line is taken back, so the next line starts on a line of its own.
        if (::ftruncate(file.fd, st.st_size) != 0)
            qCWarning(lcRecord) << "a torn line could not be taken back from" << folder;
        fail(problem, FileProblem::fromErrno(err == 0 ? ENOSPC : err));
        return false;
    }
    if (::fsync(file.fd) != 0) {
        fail(problem, FileProblem::fromErrno(errno));
        return false;
    }
    if (created)
        (void)::fsync(dir.fd); // the new file's name must be on the disk too
    return true;
}

ChangeRecorder::ChangeRecorder(const DeviceIdentity &device, const QString &reader,
                               const QString &folder)
    : m_device(device), m_reader(reader), m_folder(folder), m_connection(newConnectionId()),
      m_clock([] { return QDateTime::currentDateTime(); })
{
}

QString ChangeRecorder::filePath() const
{
    return m_folder + QLatin1Char('/') + changeLogFileName(m_device.number);
}

int ChangeRecorder::intent(ChangeOperation operation, const QString &address,
                           const QString &oldValue, const QString &written, FileProblem *problem)
{
    ChangeRecord r;
    r.phase = ChangePhase::Intent;
    r.time = m_clock();
    r.reader = m_reader;
    r.device = m_device;
    r.connection = m_connection;
    r.exchange = m_last + 1;
    r.operation = operation;
    r.address = address;
    r.oldValue = oldValue;
    r.written = written;
    r.key = operation == ChangeOperation::Key || isKeyAddress(address);
    FileProblem why;
    if (!appendChangeRecord(m_folder, r, &why)) {
        qCWarning(lcRecord).noquote() << "intent line not written:" << why.describe();
        fail(problem, why);
        return 0;
    }
    m_last = r.exchange;
    m_open.insert(r.exchange, r);
    return r.exchange;
}

bool ChangeRecorder::outcome(int exchange, int status, const QString &confirmed,
                             FileProblem *problem)
{
    ChangeRecord r = m_open.value(exchange);
    if (r.exchange == 0) {
        fail(problem,
             FileProblem{FileProblem::System, QStringLiteral("no intent for this exchange")});
        return false;
    }
    r.phase = ChangePhase::Outcome;
    r.time = m_clock();
    r.status = status;
    r.confirmed = confirmed;
    FileProblem why;
    if (!appendChangeRecord(m_folder, r, &why)) {
        qCWarning(lcRecord).noquote() << "outcome line not written:" << why.describe();
        fail(problem, why);
        return false;
    }
    m_open.remove(exchange);
    return true;
}
