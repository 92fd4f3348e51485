#include "profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

QString settingsDirectory()
{
    const QString env = qEnvironmentVariable("PXRQ60_SETTINGS_DIR");
    QString dir = env.isEmpty() ? QStringLiteral("/var/lib/pxrq60") : env;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

QString settingsFilePath(const QString &fileName)
{
    if (QFileInfo(fileName).isAbsolute())
        return fileName;
    return settingsDirectory() + QLatin1Char('/') + fileName;
}

namespace {

// Lines without their ends; LF and CR LF both end a line.
QStringList splitLines(const QString &content)
{
    QStringList lines = content.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    return lines;
}

// The section name of a line "[name]" (blanks around the name ignored), or
// a null text when the line is no section header.
QString sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.size() >= 2 && t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return QString();
}

bool keyMatches(const QString &line, const QString &key, QString *value)
{
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

bool readFile(const QString &path, QString *content, bool *exists)
{
    *exists = QFile::exists(path);
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return false;
    *content = QString::fromUtf8(bytes);
    return true;
}

} // namespace

QString profileLookup(const QString &content, const QString &section, const QString &key,
                      const QString &defaultValue)
{
    bool inSection = false;
    for (const QString &line : splitLines(content)) {
        const QString sec = sectionOf(line);
        if (!sec.isNull()) {
            inSection = sec.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && keyMatches(line, key, &value))
            return value;
    }
    return defaultValue;
}

QString profileReplace(const QString &content, const QString &section, const QString &key,
                       const QString &value)
{
    QStringList lines = splitLines(content);
    const QString entry = key + QLatin1Char('=') + value;
    int sectionStart = -1; // index of the header line
    int sectionEnd = -1;   // one past the last non-empty line of the section
    for (int i = 0; i < lines.size(); ++i) {
        const QString sec = sectionOf(lines[i]);
        if (!sec.isNull()) {
            if (sectionStart >= 0)
                break; // past our section
            if (sec.compare(section, Qt::CaseInsensitive) == 0) {
                sectionStart = i;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (keyMatches(lines[i], key, nullptr)) {
            lines[i] = entry;
            return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        }
        if (!lines[i].trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionStart >= 0) {
        // After the section's last entry, before the blank line that
        // separates it from the next section.
        lines.insert(sectionEnd, entry);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(entry);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName, bool *ok)
{
    QString content;
    bool exists = false;
    const bool readOk = readFile(settingsFilePath(fileName), &content, &exists);
    if (ok)
        *ok = readOk;
    if (!readOk || !exists)
        return defaultValue;
    return profileLookup(content, section, key, defaultValue);
}

bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &fileName)
{
    const QString path = settingsFilePath(fileName);
    QString content;
    bool exists = false;
    if (!readFile(path, &content, &exists))
        return false;
    return replaceFileAtomically(path, profileReplace(content, section, key, value).toUtf8());
}

bool readWholeFile(const QString &path, QByteArray *bytes)
{
    bytes->clear();
    QFile f(path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *bytes = f.readAll();
    return f.error() == QFileDevice::NoError;
}

bool replaceFileAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
