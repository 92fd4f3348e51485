#include "profile.h"

#include "cp1252.h"
#include <QFileInfo>
#include <QStringDecoder>

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

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString ignored = decoder(bytes);
    Q_UNUSED(ignored);
    return !decoder.hasError();
}

// The name of a section header "[name]" (blanks around the name ignored),
// or a null text when the line is none. What follows the "]" is a comment
// ("[COMM] ; port").
QString sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return QString();
    const int close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return QString();
    return t.mid(1, close - 1).trimmed();
}

// The key of an entry line "key=value", or a null text.
QString keyOf(const QString &line, QString *value)
{
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#')))
        return QString(); // a comment
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return QString();
    if (value)
        *value = line.mid(eq + 1).trimmed();
    const QString key = line.left(eq).trimmed();
    return key.isEmpty() ? QString() : key;
}

QString folded(const QString &name)
{
    return name.toCaseFolded();
}

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
           text.contains(QChar(0));
}

// Names the program writes: a name that would read back as something else
// (a key with "=", a section with "]") is refused like a bad value.
bool isSectionName(const QString &name)
{
    return !hasLineBreakOrNul(name) && !name.trimmed().isEmpty() &&
           !name.contains(QLatin1Char(']'));
}

bool isKeyName(const QString &name)
{
    const QString t = name.trimmed();
    return !hasLineBreakOrNul(name) && !t.isEmpty() && !t.contains(QLatin1Char('=')) &&
           !t.startsWith(QLatin1Char('[')) && !t.startsWith(QLatin1Char(';')) &&
           !t.startsWith(QLatin1Char('#'));
}

void setError(FileProblem *target, FileProblem::Kind kind)
{
    if (target)
        *target = FileProblem{kind, QString()};
}

} // namespace

ProfileText ProfileText::fromBytes(const QByteArray &bytes)
{
    ProfileText p;
    p.m_encoding = isUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype stop = start;
        while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != '\n')
            ++stop;
        Line line;
        line.bytes = bytes.mid(start, stop - start);
        qsizetype next = stop;
        if (next < bytes.size() && bytes[next] == '\r')
            ++next;
        if (next < bytes.size() && bytes[next] == '\n')
            ++next;
        line.end = bytes.mid(stop, next - stop);
        line.text =
            p.m_encoding == Encoding::Utf8 ? QString::fromUtf8(line.bytes) : fromCp1252(line.bytes);
        p.m_lines.append(line);
        start = next;
    }
    // A byte order mark from a Windows editor is no part of the first
    // section's name.
    if (!p.m_lines.isEmpty() && p.m_lines[0].text.startsWith(QChar(0xFEFF)))
        p.m_lines[0].text.remove(0, 1);
    p.buildIndex();
    return p;
}

void ProfileText::buildIndex()
{
    m_sections.clear();
    Section *current = nullptr;
    bool firstAppearance = false;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString &text = m_lines[i].text;
        const QString name = sectionOf(text);
        if (!name.isNull()) {
            const QString key = folded(name);
            firstAppearance = !m_sections.contains(key);
            current = &m_sections[key];
            if (firstAppearance) {
                current->header = i;
                current->last = i;
            }
            continue;
        }
        if (!current)
            continue; // lines before the first section belong to none
        if (firstAppearance && !text.trimmed().isEmpty())
            current->last = i;
        const QString key = keyOf(text, nullptr);
        if (!key.isNull() && !current->keys.contains(folded(key)))
            current->keys.insert(folded(key), i);
    }
}

QString ProfileText::value(const QString &section, const QString &key,
                           const QString &defaultValue) const
{
    const auto s = m_sections.constFind(folded(section));
    if (s == m_sections.constEnd())
        return defaultValue;
    const auto k = s->keys.constFind(folded(key));
    if (k == s->keys.constEnd())
        return defaultValue;
    QString v;
    keyOf(m_lines[*k].text, &v);
    return v;
}

QByteArray ProfileText::encode(const QString &text, bool *ok) const
{
    if (m_encoding == Encoding::Windows1252)
        return toCp1252(text, ok);
    *ok = true;
    return text.toUtf8();
}

QByteArray ProfileText::lineEnd() const
{
    // New lines end like the file's own; a new file gets CR LF.
    for (const Line &l : m_lines)
        if (!l.end.isEmpty())
            return l.end;
    return QByteArrayLiteral("\r\n");
}

bool ProfileText::set(const QString &section, const QString &key, const QString &value,
                      FileProblem *error)
{
    if (hasLineBreakOrNul(value) || !isSectionName(section) || !isKeyName(key)) {
        setError(error, FileProblem::BadValue);
        return false;
    }
    const QString entryText = key + QLatin1Char('=') + value;
    bool ok = false;
    const QByteArray entry = encode(entryText, &ok);
    if (!ok) {
        setError(error, FileProblem::Unencodable);
        return false;
    }
    const QByteArray end = lineEnd();
    auto newLine = [&](const QString &text, const QByteArray &bytes) {
        return Line{bytes, end, text};
    };
    const auto s = m_sections.constFind(folded(section));
    if (s != m_sections.constEnd()) {
        const auto k = s->keys.constFind(folded(key));
        if (k != s->keys.constEnd()) {
            m_lines[*k].bytes = entry;
            m_lines[*k].text = entryText;
        } else {
            // After the section's last entry, before the blank line that
            // separates it from the next section.
            const int at = s->last + 1;
            if (m_lines[at - 1].end.isEmpty())
                m_lines[at - 1].end = end;
            m_lines.insert(at, newLine(entryText, entry));
        }
    } else {
        const QString header = QLatin1Char('[') + section + QLatin1Char(']');
        const QByteArray headerBytes = encode(header, &ok);
        if (!ok) {
            setError(error, FileProblem::Unencodable);
            return false;
        }
        if (!m_lines.isEmpty()) {
            if (m_lines.last().end.isEmpty())
                m_lines.last().end = end;
            if (!m_lines.last().text.trimmed().isEmpty())
                m_lines.append(newLine(QString(), QByteArray()));
        }
        m_lines.append(newLine(header, headerBytes));
        m_lines.append(newLine(entryText, entry));
    }
    buildIndex();
    setError(error, FileProblem::None);
    return true;
}

QByteArray ProfileText::toBytes() const
{
    QByteArray out;
    for (const Line &l : m_lines)
        out += l.bytes + l.end;
    return out;
}

bool readProfile(const QString &fileName, ProfileText *text, bool *exists, FileProblem *error)
{
    QByteArray bytes;
    const bool ok =
        readPlainFile(settingsFilePath(fileName), MaxProfileBytes, &bytes, exists, error);
    *text = ok ? ProfileText::fromBytes(bytes) : ProfileText();
    return ok;
}

QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName, bool *ok)
{
    ProfileText text;
    bool exists = false;
    const bool readOk = readProfile(fileName, &text, &exists, nullptr);
    if (ok)
        *ok = readOk;
    return text.value(section, key, defaultValue);
}

bool WritePrivateProfileStrings(const QString &section, const ProfileEntries &entries,
                                const QString &fileName, FileProblem *error)
{
    const QString path = settingsFilePath(fileName);
    // The lock covers the read as well: what this program writes back
    // holds every change another program has made meanwhile.
    SharedFileLock lock(path);
    if (!lock.locked()) {
        if (error)
            *error = lock.problem();
        return false;
    }
    ProfileText text;
    bool exists = false;
    if (!readProfile(path, &text, &exists, error))
        return false;
    for (const auto &entry : entries)
        if (!text.set(section, entry.first, entry.second, error))
            return false;
    const QByteArray bytes = text.toBytes();
    // A file above the limit could not be read again at the next start.
    if (bytes.size() > MaxProfileBytes) {
        setError(error, FileProblem::TooLarge);
        return false;
    }
    return replacePlainFile(path, bytes, error);
}

bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &fileName, FileProblem *error)
{
    return WritePrivateProfileStrings(section, {{key, value}}, fileName, error);
}

QString profileLookup(const QString &content, const QString &section, const QString &key,
                      const QString &defaultValue)
{
    return ProfileText::fromBytes(content.toUtf8()).value(section, key, defaultValue);
}

QString profileReplace(const QString &content, const QString &section, const QString &key,
                       const QString &value)
{
    ProfileText text = ProfileText::fromBytes(content.toUtf8());
    text.set(section, key, value);
    return QString::fromUtf8(text.toBytes());
}
