#include "lineports.h"

#include "langsupp.h"
#include "profile.h"
#include "sharedfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>
#include <tuple>

namespace {

const char *const ConfFileName = "sline_32.conf";

// Where a device goes in the list: adapters first (ttyUSB, ttyACM), then the
// built-in ports, then anything else; within a family by number, so that
// ttyS2 comes before ttyS10.
std::tuple<int, QString, qint64> deviceOrder(const QString &device)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+)$"));
    const QString name = QFileInfo(device).fileName();
    const QRegularExpressionMatch m = numbered.match(name);
    const QString family = m.hasMatch() ? m.captured(1) : name;
    const qint64 number = m.hasMatch() ? m.captured(2).toLongLong() : -1;
    static const QStringList known{QStringLiteral("ttyUSB"), QStringLiteral("ttyACM"),
                                   QStringLiteral("ttyS")};
    const int rank = known.contains(family) ? int(known.indexOf(family)) : int(known.size());
    return {rank, family, number};
}

// "FTDI FT232R USB UART, serial no. A50285BI": what the adapter says of
// itself; empty for a port that says nothing.
QString description(const SerialPortFacts &port)
{
    QStringList words;
    for (const QString &w : {port.manufacturer, port.product})
        if (!w.trimmed().isEmpty())
            words << w.trimmed();
    QString text = words.join(QLatin1Char(' '));
    if (!port.serialNumber.trimmed().isEmpty()) {
        const QString serial = langFormatId(8005, {port.serialNumber.trimmed()});
        text = text.isEmpty() ? serial : text + QStringLiteral(", ") + serial;
    }
    return text;
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

QList<SerialPort> serialPortChoices(const QList<SerialPortFacts> &ports,
                                    const QList<std::pair<QString, QString>> &byIdLinks)
{
    struct Choice {
        bool stableName;
        std::tuple<int, QString, qint64> order;
        SerialPort port;
    };
    QList<Choice> choices;
    for (const SerialPortFacts &p : ports) {
        QString link;
        for (const auto &[path, target] : byIdLinks)
            if (target == p.device && (link.isEmpty() || path < link))
                link = path;
        QString said = description(p);
        if (said.isEmpty() && !link.isEmpty())
            said = QFileInfo(link).fileName();
        const QString label =
            said.isEmpty() ? p.device : said + QStringLiteral(" (") + p.device + QLatin1Char(')');
        choices.append({!link.isEmpty(), deviceOrder(p.device),
                        SerialPort{link.isEmpty() ? p.device : link, label}});
    }
    std::stable_sort(choices.begin(), choices.end(), [](const Choice &a, const Choice &b) {
        return std::tie(b.stableName, a.order) < std::tie(a.stableName, b.order);
    });
    QList<SerialPort> list;
    for (const Choice &c : choices)
        list << c.port;
    return list;
}

QList<SerialPort> findSerialPorts(const QString &devDir)
{
    QList<SerialPortFacts> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << SerialPortFacts{info.systemLocation(), info.manufacturer(), info.description(),
                                 info.serialNumber()};
    QList<std::pair<QString, QString>> links;
    const QDir byId(devDir + QStringLiteral("/serial/by-id"));
    for (const QString &name : byId.entryList(QDir::System | QDir::Files, QDir::Name)) {
        const QFileInfo link(byId.filePath(name));
        if (link.exists()) // a link left behind by an adapter just pulled leads nowhere
            links.append({link.filePath(), link.canonicalFilePath()});
    }
    return serialPortChoices(ports, links);
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

bool WriteLinePort(int n, const QString &path, FileProblem *problem)
{
    FileProblem local;
    FileProblem &why = problem ? *problem : local;
    why = FileProblem{};
    if (path.isEmpty() || path.contains(QLatin1Char('\n')) || path.contains(QLatin1Char('\r'))) {
        why.kind = FileProblem::BadValue;
        return false;
    }
    const QString file = linePortConfPath();
    // The driver reads the file at every connect, and another technician's
    // program may change it at the same moment: one locked read-modify-write.
    SharedFileLock lock(file);
    if (!lock.locked()) {
        why = lock.problem();
        return false;
    }
    QByteArray conf;
    bool exists = false;
    if (!readPlainFile(file, MaxProfileBytes, &conf, &exists, &why))
        return false;
    return replacePlainFile(file, withPortLine(conf, n, path), &why);
}
