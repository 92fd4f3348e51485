#include "inisettings.h"

#include "helpers.h"
#include "langsupp.h"
#include "profile.h"
#include "programexit.h"
#include "programpath.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

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

class ReadFailure
{
};

QString readKey(const char *section, const char *key, const QString &def)
{
    bool ok = true;
    const QString v =
        GetPrivateProfileString(QLatin1String(section), QLatin1String(key), def, iniName(), &ok);
    if (!ok)
        throw ReadFailure();
    return v;
}

QString readKey(const char *section, const char *key, const char *def)
{
    return readKey(section, key, QString::fromLatin1(def));
}

// An integer key kept in a field of 8 bits: its low 8 bits, so 257 is 1 and
// -1 is 255. No range check here; the dialogs apply their ranges.
uint8_t readByte(const char *section, const char *key, const char *def)
{
    try {
        return uint8_t(quint32(StrToInt(readKey(section, key, def))) & 0xFF);
    } catch (const ConversionError &) {
        throw ReadFailure();
    }
}

int32_t readInt32(const char *section, const char *key, const char *def)
{
    try {
        return StrToInt(readKey(section, key, def));
    } catch (const ConversionError &) {
        throw ReadFailure();
    }
}

void writeKey(const char *section, const char *key, const QString &value)
{
    if (!WritePrivateProfileString(QLatin1String(section), QLatin1String(key), value, iniName()))
        throw IniWriteError();
}

void fixedFailure(const char *text, int code)
{
    StartupFailureBox(QString::fromUtf8(text));
    programExit(code);
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

void failIniRead()
{
    fixedFailure("Can\u00b4t read INI-file! / INI-Datei kann nicht gelesen werden!", 2);
    programExit(2);
}

void failIniCreate()
{
    fixedFailure("Can\u00b4t find INI-file! Can\u00b4t create default INI-file! / "
                 "INI-Datei nicht gefunden! Vorgabe-INI-Datei kann nicht erzeugt werden!",
                 3);
    programExit(3);
}

void CreateDefaultIniFile()
{
    const QString dir = settingsDirectory();
    if (dir.isEmpty())
        failIniCreate();
    const QString path = iniFilePath();
    // A missing settings directory (a portable or demo set-up) is made; one
    // that cannot be made ends in message 549 like a write-protected one.
    QDir().mkpath(dir);

    // The file appears whole or not at all: a write that fails half way
    // leaves no torn settings file behind, and the next start tries again.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        LangMessageBoxArgs(549, {path}, 500, MbIconError);
        return;
    }
    bool written = true;
    for (const QString &line : defaultIniLines()) {
        const QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
        if (file.write(bytes) != bytes.size()) {
            written = false;
            break;
        }
    }
    if (written)
        written = file.commit();
    else
        file.cancelWriting();
    if (!written)
        LangMessageBoxArgs(548, {path}, 500, MbIconError);
    else
        LangMessageBoxArgs(547, {path}, 501, MbOk);
}

void ReadIniSettings()
{
    if (!QFileInfo::exists(iniFilePath()))
        CreateDefaultIniFile();
    TIniSettings s;
    try {
        s.UserOptions.ReadoutMode = readByte("USER_OPTIONS", "READOUTMODE", Default::ReadoutMode);
        s.UserOptions.ChannelMode = readByte("USER_OPTIONS", "CHANNELMODE", Default::ChannelMode);
        s.UserOptions.CodeMark = readByte("USER_OPTIONS", "CODEMARK", Default::CodeMark);
        s.UserOptions.Reader = readKey("USER_OPTIONS", "READER", Default::Reader);
        s.UserOptions.AccessCode = readKey("USER_OPTIONS", "ACCESSCODE", Default::AccessCode);
        s.UserOptions.TempFileNo = readKey("USER_OPTIONS", "TEMPFILENO", Default::TempFileNo);
        s.UserOptions.TempFileNoType =
            readKey("USER_OPTIONS", "TEMPFILENOTYPE", Default::TempFileNoType);
        s.UserOptions.TempFilePath = readKey("USER_OPTIONS", "TEMPFILEPATH", defaultTempFilePath());
        s.Language = readKey("COMMON", "LANGUAGE", Default::Language);
        s.Comm.Com = readByte("Comm", "Com", Default::Com);
        s.Comm.Init = readKey("Comm", "Init", Default::Init);
        s.Comm.CheckTime = readInt32("Comm", "CheckTime", Default::CheckTime);
        s.Justify.TempLow = readKey("Justify", "TempLow", Default::TempLow);
        s.Justify.TempHigh = readKey("Justify", "TempHigh", Default::TempHigh);
    } catch (const ReadFailure &) {
        failIniRead();
    }
    IniSettings = s;
}

void SetHelpFile()
{
    helpFileSlot().clear();
    QString language = GetPrivateProfileString(QStringLiteral("COMMON"), QStringLiteral("LANGUAGE"),
                                               QLatin1String(Default::Language), iniName());
    if (language.isEmpty())
        language = QStringLiteral("DE");
    const QString base = programDirectory() + programStem();
    const QString candidate = base + language + QStringLiteral(".qch");
    if (QFileInfo::exists(candidate)) {
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

IniWriteError::IniWriteError() : std::runtime_error(text().toStdString()) {}

QString IniWriteError::text() const
{
    return langFormat(QStringLiteral("nach %s kann nicht geschrieben werden"),
                      {QString::fromLatin1(IniFileName)});
}

void WriteComPort(uint8_t com)
{
    writeKey("COMM", "COM", QString::number(com));
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
    writeKey("Justify", "TEMPLOW", value);
    IniSettings.Justify.TempLow = value;
}

void WriteTempHigh(const QString &value)
{
    writeKey("Justify", "TEMPHIGH", value);
    IniSettings.Justify.TempHigh = value;
}
