#include "inisettings.h"

#include "fileproblemtext.h"
#include "helpers.h"
#include "langsupp.h"
#include "profile.h"
#include "programexit.h"
#include "programpath.h"
#include "sharedfile.h"

#include <QDir>
#include <QFileInfo>

Q_LOGGING_CATEGORY(lcConfig, "pxrq60.config", QtInfoMsg)

TIniSettings IniSettings;
const char *const IniFileName = "PXRQ60.INI";

namespace {

const QString iniName()
{
    return QString::fromLatin1(IniFileName);
}

QString &helpFileSlot()
{
    static QString f;
    return f;
}

// Defaults of every key; numbers as the decimal text the file holds.
namespace Default {
const char *const ReadoutMode = "0";
const char *const ChannelMode = "1";
const char *const CodeMark = "0";
const char *const Reader = "";
const char *const AccessCode = "52718463";
const char *const TempFileNo = "999";
const char *const TempFileNoType = "DEC";
const char *const Language = "DE";
const char *const Com = "1";
const char *const Init = "4800,N,8,1,BIN,RS0,DS0";
const char *const CheckTime = "20000";
const char *const TempLow = "-20.0";
const char *const TempHigh = "40.0";
} // namespace Default

struct ReadFailure {
    QString reason;
};

// The keys of one read of the file, taken from its one parsed text.
class KeyReader
{
public:
    explicit KeyReader(const ProfileText &text) : m_text(text) {}

    QString text(const char *section, const char *key, const QString &def) const
    {
        return m_text.value(QLatin1String(section), QLatin1String(key), def);
    }
    QString text(const char *section, const char *key, const char *def) const
    {
        return text(section, key, QString::fromLatin1(def));
    }
    // An integer key kept in a field of 8 bits: its low 8 bits, so 257 is 1
    // and -1 is 255. No range check here; the dialogs apply their ranges.
    uint8_t byte(const char *section, const char *key, const char *def) const
    {
        return uint8_t(quint32(int32(section, key, def)) & 0xFF);
    }
    int32_t int32(const char *section, const char *key, const char *def) const
    {
        try {
            return StrToInt(text(section, key, def));
        } catch (const ConversionError &e) {
            throw ReadFailure{QStringLiteral("[%1] %2: %3")
                                  .arg(QLatin1String(section), QLatin1String(key), e.message())};
        }
    }

private:
    const ProfileText &m_text;
};

// The access code is a secret of the customer's; the log never holds it.
QString loggable(const QString &key, const QString &value)
{
    return key.compare(QLatin1String("ACCESSCODE"), Qt::CaseInsensitive) == 0
               ? QStringLiteral("(%1 characters)").arg(value.size())
               : value;
}

// One key in one locked read-modify-write: the options dialog saves its
// keys one by one and stops at the first that cannot be written.
void writeKeys(const char *section, const ProfileEntries &entries);
void writeKey(const char *section, const char *key, const QString &value)
{
    writeKeys(section, {{QLatin1String(key), value}});
}

void writeKeys(const char *section, const ProfileEntries &entries)
{
    FileProblem problem;
    const bool ok =
        WritePrivateProfileStrings(QLatin1String(section), entries, iniName(), &problem);
    for (const auto &e : entries)
        qCDebug(lcConfig).noquote()
            << "write" << iniFilePath() << section << e.first << "=" << loggable(e.first, e.second)
            << (ok ? QStringLiteral("ok") : problem.describe());
    if (!ok)
        throw IniWriteError(fileProblemText(problem));
}

// The file's path and the reason, below a fixed message.
QString withReason(const QString &text, const QString &path, const QString &reason)
{
    if (reason.isEmpty())
        return text;
    return text + QStringLiteral("\n\n") + path + QStringLiteral(":\n") + reason;
}

void fixedFailure(const char *text, const QString &reason, int code)
{
    StartupFailureBox(withReason(QString::fromUtf8(text), iniFilePath(), reason));
    programExit(code);
}

// A message 547 to 549 about the settings file, with the reason of a
// failure below it.
void settingsFileBox(uint16_t textId, uint16_t captionId, uint16_t flags, const QString &reason)
{
    const QString path = iniFilePath();
    MessageRequest r;
    r.text = langFormatId(textId, {path});
    if (!reason.isEmpty())
        r.text += QStringLiteral("\n\n") + reason;
    r.caption = langText(captionId);
    r.flags = flags;
    r.textId = textId;
    r.captionId = captionId;
    r.args = QStringList{path};
    showMessage(r);
}

} // namespace

QString iniFilePath()
{
    return settingsFilePath(iniName());
}

QString defaultTempFilePath()
{
    return settingsDirectory() + QStringLiteral("/auswert/temp");
}

QStringList defaultIniLines()
{
    return {
        QStringLiteral("[USER_OPTIONS]"),
        QStringLiteral("TEMPFILEPATH=") + defaultTempFilePath(),
        QStringLiteral("READOUTMODE=") + QLatin1String(Default::ReadoutMode),
        QStringLiteral("READER="),
        QStringLiteral("CODEMARK=") + QLatin1String(Default::CodeMark),
        QStringLiteral("CHANNELMODE=") + QLatin1String(Default::ChannelMode),
        QStringLiteral("TEMPFILENO=") + QLatin1String(Default::TempFileNo),
        QStringLiteral("TEMPFILENOTYPE=DEC"),
        QStringLiteral("ACCESSCODE=") + QLatin1String(Default::AccessCode),
        QString(),
        QStringLiteral("[COMM]"),
        QStringLiteral("COM=") + QLatin1String(Default::Com),
        QStringLiteral("INIT=4800,N,8,1,BIN,RS0,DS0"),
        QStringLiteral("CHECKTIME=") + QLatin1String(Default::CheckTime),
        QString(),
        QStringLiteral("[JUSTIFY]"),
        QStringLiteral("TEMPLOW=-20.0"),
        QStringLiteral("TEMPHIGH=40.0"),
        QString(),
        QStringLiteral("[COMMON]"),
        QStringLiteral("LANGUAGE=DE"),
    };
}

QByteArray defaultIniContent()
{
    QByteArray bytes;
    for (const QString &line : defaultIniLines())
        bytes += (line + QStringLiteral("\r\n")).toUtf8();
    return bytes;
}

void failIniRead(const QString &reason)
{
    fixedFailure("Can\u00b4t read INI-file! / INI-Datei kann nicht gelesen werden!", reason, 2);
    programExit(2);
}

void failIniCreate(const QString &reason)
{
    fixedFailure("Can\u00b4t find INI-file! Can\u00b4t create default INI-file! / "
                 "INI-Datei nicht gefunden! Vorgabe-INI-Datei kann nicht erzeugt werden!",
                 reason, 3);
    programExit(3);
}

namespace {

enum class CreateResult { Created, AlreadyThere, NotCreated, NotWritten };

CreateResult createDefaultFile(FileProblem *problem)
{
    const QString path = iniFilePath();
    const QByteArray bytes = defaultIniContent();
    // Two programs starting at once: the one that gets the lock second
    // finds the file made and leaves it alone.
    SharedFileLock lock(path);
    if (!lock.locked()) {
        *problem = lock.problem();
        return CreateResult::NotCreated;
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return CreateResult::AlreadyThere;
    // The file appears whole or not at all: a write that fails half way
    // leaves no torn settings file behind, and the next start tries again.
    SharedSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *problem = file.problem();
        return CreateResult::NotCreated;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *problem = FileProblem{FileProblem::System, file.errorString()};
        file.cancelWriting();
        return CreateResult::NotWritten;
    }
    return CreateResult::Created;
}

} // namespace

void CreateDefaultIniFile()
{
    const QString dir = settingsDirectory();
    if (dir.isEmpty())
        failIniCreate();
    // A missing settings directory (a portable or demo set-up) is made; one
    // that cannot be made ends in message 549 like a write-protected one.
    QDir().mkpath(dir);
    FileProblem problem;
    const CreateResult result = createDefaultFile(&problem);
    static const char *const outcome[] = {"created", "made meanwhile by another program",
                                          "not created:", "not written:"};
    qCDebug(lcConfig).noquote() << "default file" << iniFilePath() << outcome[int(result)]
                                << (problem ? problem.describe() : QString());
    // The boxes come after the lock is released: a box may stay open for
    // minutes.
    switch (result) {
    case CreateResult::Created: settingsFileBox(547, 501, MbOk, QString()); break;
    case CreateResult::AlreadyThere: break;
    case CreateResult::NotCreated:
        settingsFileBox(549, 500, MbIconError, fileProblemText(problem));
        break;
    case CreateResult::NotWritten:
        settingsFileBox(548, 500, MbIconError, fileProblemText(problem));
        break;
    }
}

void ReadIniSettings()
{
    const QString path = iniFilePath();
    ProfileText file;
    bool exists = false;
    FileProblem problem;
    bool ok = readProfile(path, &file, &exists, &problem);
    if (ok && !exists) {
        CreateDefaultIniFile();
        ok = readProfile(path, &file, &exists, &problem);
    }
    if (!ok) {
        qCDebug(lcConfig).noquote() << "read" << path << "failed:" << problem.describe();
        failIniRead(fileProblemText(problem));
    }
    TIniSettings s;
    const KeyReader keys(file);
    try {
        s.UserOptions.ReadoutMode = keys.byte("USER_OPTIONS", "READOUTMODE", Default::ReadoutMode);
        s.UserOptions.ChannelMode = keys.byte("USER_OPTIONS", "CHANNELMODE", Default::ChannelMode);
        s.UserOptions.CodeMark = keys.byte("USER_OPTIONS", "CODEMARK", Default::CodeMark);
        s.UserOptions.Reader = keys.text("USER_OPTIONS", "READER", Default::Reader);
        s.UserOptions.AccessCode = keys.text("USER_OPTIONS", "ACCESSCODE", Default::AccessCode);
        s.UserOptions.TempFileNo = keys.text("USER_OPTIONS", "TEMPFILENO", Default::TempFileNo);
        s.UserOptions.TempFileNoType =
            keys.text("USER_OPTIONS", "TEMPFILENOTYPE", Default::TempFileNoType);
        s.UserOptions.TempFilePath =
            keys.text("USER_OPTIONS", "TEMPFILEPATH", defaultTempFilePath());
        s.Language = keys.text("COMMON", "LANGUAGE", Default::Language);
        s.Comm.Com = keys.byte("Comm", "Com", Default::Com);
        s.Comm.Init = keys.text("Comm", "Init", Default::Init);
        s.Comm.CheckTime = keys.int32("Comm", "CheckTime", Default::CheckTime);
        s.Justify.TempLow = keys.text("Justify", "TempLow", Default::TempLow);
        s.Justify.TempHigh = keys.text("Justify", "TempHigh", Default::TempHigh);
    } catch (const ReadFailure &e) {
        qCDebug(lcConfig).noquote() << "read" << path << "failed:" << e.reason;
        failIniRead(e.reason);
    }
    qCDebug(lcConfig).noquote().nospace()
        << "read " << path << (exists ? "" : " (missing: defaults)") << ", "
        << (file.encoding() == ProfileText::Encoding::Utf8 ? "UTF-8" : "Windows-1252") << ", "
        << file.lineCount() << " lines: COM=" << int(s.Comm.Com) << " INIT=" << s.Comm.Init
        << " CHECKTIME=" << s.Comm.CheckTime << " LANGUAGE=" << s.Language
        << " TEMPFILEPATH=" << s.UserOptions.TempFilePath;
    IniSettings = s;
}

QString configuredLanguage()
{
    ProfileText file;
    bool exists = false;
    FileProblem problem;
    QString language;
    if (readProfile(iniFilePath(), &file, &exists, &problem))
        language = file.value(QStringLiteral("COMMON"), QStringLiteral("LANGUAGE"),
                              QLatin1String(Default::Language));
    if (language.isEmpty())
        language = QLatin1String(Default::Language);
    qCDebug(lcConfig).noquote() << "language" << language << "from" << iniFilePath()
                                << (problem ? QStringLiteral("(unreadable: the default)")
                                            : QString());
    return language;
}

void SetHelpFile()
{
    helpFileSlot().clear();
    QString language = IniSettings.Language;
    if (language.isEmpty())
        language = QLatin1String(Default::Language);
    const QString base = programDirectory() + programStem();
    const QString candidate = base + language + QStringLiteral(".qch");
    if (isLanguageCode(language) && QFileInfo::exists(candidate)) {
        helpFileSlot() = candidate;
        return;
    }
    LangMessageBoxArgs(546, {candidate}, 500, MbIconError);
    // The exact text "DE" has been tried already; "de" has not.
    if (language == QLatin1String("DE"))
        return;
    const QString german = base + QStringLiteral("DE.qch");
    if (QFileInfo::exists(german))
        helpFileSlot() = german;
    else
        LangMessageBoxArgs(546, {german}, 500, MbIconError);
}

QString HelpFile()
{
    return helpFileSlot();
}

IniWriteError::IniWriteError(const QString &reason)
    : std::runtime_error(withReason(text(), iniFilePath(), reason).toStdString()), m_reason(reason)
{
}

QString IniWriteError::text() const
{
    return langFormat(QStringLiteral("nach %s kann nicht geschrieben werden"),
                      {QString::fromLatin1(IniFileName)});
}

void WriteComPort(uint8_t com)
{
    writeKeys("COMM", {{QStringLiteral("COM"), QString::number(com)}});
    IniSettings.Comm.Com = com;
}

void WriteReadoutMode(uint8_t readoutMode)
{
    writeKey("USER_OPTIONS", "READOUTMODE", QString::number(readoutMode));
    IniSettings.UserOptions.ReadoutMode = readoutMode;
}

void WriteChannelMode(uint8_t channelMode)
{
    writeKey("USER_OPTIONS", "CHANNELMODE", QString::number(channelMode));
    IniSettings.UserOptions.ChannelMode = channelMode;
}

void WriteCodeMark(uint8_t codeMark)
{
    writeKey("USER_OPTIONS", "CODEMARK", QString::number(codeMark));
    IniSettings.UserOptions.CodeMark = codeMark;
}

void WriteTempFileNo(const QString &tempFileNo)
{
    writeKey("USER_OPTIONS", "TEMPFILENO", tempFileNo);
    IniSettings.UserOptions.TempFileNo = tempFileNo;
}

void WriteReader(const QString &reader)
{
    writeKey("USER_OPTIONS", "READER", reader);
    IniSettings.UserOptions.Reader = reader;
}

void WriteTempFilePath(const QString &tempFilePath)
{
    writeKey("USER_OPTIONS", "TEMPFILEPATH", tempFilePath);
    IniSettings.UserOptions.TempFilePath = tempFilePath;
}

void WriteAccessCode(const QString &accessCode)
{
    writeKey("USER_OPTIONS", "ACCESSCODE", accessCode);
    IniSettings.UserOptions.AccessCode = accessCode;
}

void WriteTempLow(const QString &value)
{
    writeKeys("Justify", {{QStringLiteral("TEMPLOW"), value}});
    IniSettings.Justify.TempLow = value;
}

void WriteTempHigh(const QString &value)
{
    writeKeys("Justify", {{QStringLiteral("TEMPHIGH"), value}});
    IniSettings.Justify.TempHigh = value;
}
