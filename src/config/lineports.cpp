#include "lineports.h"

#include "profile.h"
#include "sharedfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

const char *const ConfFileName = "sline_32.conf";

// The devices of one name family, in number order (ttyS2 before ttyS10).
QList<SerialPort> numbered(const QDir &dev, const QString &prefix)
{
    QList<std::pair<uint, QString>> found;
    for (const QString &name :
         dev.entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files)) {
        bool isNumber = false;
        const uint n = name.mid(prefix.size()).toUInt(&isNumber);
        if (isNumber && name.at(prefix.size()).isDigit())
            found.append({n, name});
    }
    std::sort(found.begin(), found.end());
    QList<SerialPort> ports;
    for (const auto &entry : found) {
        const QString path = dev.filePath(entry.second);
        ports << SerialPort{path, path};
    }
    return ports;
}

// The key of a line of the file as the line driver reads it: blanks and
// tabs around it, any case; empty for blank and comment lines.
QByteArray lineKey(QByteArray line)
{
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
        return {};
    const int eq = line.indexOf('=');
    return eq < 0 ? QByteArray() : line.left(eq).trimmed().toUpper();
}

} // namespace

QList<SerialPort> findSerialPorts(const QString &devDir)
{
    QList<SerialPort> ports;
    const QDir byId(devDir + QStringLiteral("/serial/by-id"));
    QStringList links = byId.entryList(QDir::System | QDir::Files, QDir::Name);
    for (const QString &name : links) {
        const QFileInfo link(byId.filePath(name));
        if (!link.exists()) // a link left behind by an adapter just pulled
            continue;
        ports << SerialPort{link.filePath(), name + QStringLiteral(" (") +
                                                 link.canonicalFilePath() + QLatin1Char(')')};
    }
    const QDir dev(devDir);
    for (const char *prefix : {"ttyUSB", "ttyACM", "ttyS"})
        ports << numbered(dev, QLatin1String(prefix));
    return ports;
}

QByteArray withPortLine(const QByteArray &conf, int n, const QString &path)
{
    const QByteArray key = "COM" + QByteArray::number(n);
    const QByteArray entry = key + '=' + QFile::encodeName(path);
    QList<QByteArray> lines = conf.split('\n');
    for (QByteArray &line : lines) {
        if (lineKey(line) != key)
            continue;
        const bool cr = line.endsWith('\r');
        line = entry + (cr ? "\r" : "");
        return lines.join('\n');
    }
    const QByteArray end = conf.contains("\r\n") ? "\r\n" : "\n";
    QByteArray out = conf;
    if (!out.isEmpty() && !out.endsWith('\n'))
        out += end;
    return out + entry + end;
}

QString linePortConfPath()
{
    return settingsFilePath(QLatin1String(ConfFileName));
}

bool WriteLinePort(int n, const QString &path)
{
    if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r')))
        return false;
    const QString file = linePortConfPath();
    // The driver reads the file at every connect, and another technician's
    // program may change it at the same moment: one locked read-modify-write.
    SharedFileLock lock(file);
    if (!lock.locked())
        return false;
    QByteArray conf;
    bool exists = false;
    FileProblem problem;
    if (!readPlainFile(file, MaxProfileBytes, &conf, &exists, &problem))
        return false;
    return replacePlainFile(file, withPortLine(conf, n, path), &problem);
}
