// The settings file PXRQ60.INI in the settings directory and the
// program-wide settings record read from it.
//
// The main window reads the whole file at start and after every disconnect
// (creating it with its defaults when it is missing); from then on the
// record is the working copy, and the few places that change a key change
// record and file together.
#ifndef PXRQ60_CONFIG_INISETTINGS_H
#define PXRQ60_CONFIG_INISETTINGS_H

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>

struct TUserOptions {
    QString TempFilePath;
    uint8_t ReadoutMode = 0;
    QString Reader;
    uint8_t CodeMark = 0;
    uint8_t ChannelMode = 0;
    QString TempFileNo;
    QString TempFileNoType;
    QString AccessCode;
};

struct TComm {
    uint8_t Com = 0;
    QString Init;
    int32_t CheckTime = 0;
};

struct TJustify {
    QString TempLow;
    QString TempHigh;
};

struct TIniSettings {
    TUserOptions UserOptions;
    QString Language;
    TComm Comm;
    TJustify Justify;
};

// The settings file read and each key written (QT_LOGGING_RULES
// "pxrq60.config.debug=true"); off by default. The access code is never
// logged.
Q_DECLARE_LOGGING_CATEGORY(lcConfig)

// The program-wide record; empty until ReadIniSettings has run.
extern TIniSettings IniSettings;

// The bare name every read and write opens; it lives in the settings
// directory.
extern const char *const IniFileName; // "PXRQ60.INI"
// Full path of the settings file.
QString iniFilePath();
// The default export folder: settings directory + "/auswert/temp".
QString defaultTempFilePath();

// The 21 lines of a new settings file, without line ends.
QStringList defaultIniLines();
// The bytes of the default file: those lines, each ended by CR LF.
QByteArray defaultIniContent();

// Reads the file once and fills IniSettings from it, after creating the
// default file when nothing is at its path. Only a plain file is read: a
// symbolic link, a named pipe or device, a file above 64 KiB, one that
// cannot be read or a number key that is no integer is a read failure,
// which shows the fixed two-language box with the path and the reason and
// ends the program with exit code 2; when the default file cannot be
// created for a reason other than the ones messages 548/549 report, exit
// code 3.
void ReadIniSettings();
void CreateDefaultIniFile();

// The language code of [COMMON] LANGUAGE, for the language library at start
// (before any window, and before ReadIniSettings may create the file): "DE"
// when the file, the key or its value is missing, or the file cannot be
// read (ReadIniSettings reports that right after). The code is returned as
// written; whether it may name a library is the language module's check.
QString configuredLanguage();

// Chooses the help file of the configured language (IniSettings, as the
// last ReadIniSettings read it) beside the program (stem + language code +
// ".qch"), falling back to the German one; reports a missing file with
// message 546 and never ends the program. A LANGUAGE that is no language
// code names no file: it counts as missing.
void SetHelpFile();
// The help file chosen by the last SetHelpFile; empty when none exists.
QString HelpFile();

// The two fixed start-up failures, shown in both languages whatever the
// configured language, followed by the file's path and `reason` when one is
// given; each ends the program (exit codes 2 and 3).
[[noreturn]] void failIniRead(const QString &reason = QString());
[[noreturn]] void failIniCreate(const QString &reason = QString());

// A key write that was refused: text() is "nach PXRQ60.INI kann nicht
// geschrieben werden", reason() why (in the loaded language); what() holds
// both, with the file's path.
class IniWriteError : public std::runtime_error
{
public:
    explicit IniWriteError(const QString &reason = QString());
    QString text() const;
    QString reason() const { return m_reason; }

private:
    QString m_reason;
};

// Each writes one key to the file and stores it in IniSettings; throws
// IniWriteError when the file cannot be written or the value is refused
// (a line break or NUL in it; the record keeps its old
// value then, so record and file never disagree). Numbers are written in
// decimal.
void WriteComPort(uint8_t com);                      // COMM COM
void WriteReadoutMode(uint8_t readoutMode);          // USER_OPTIONS READOUTMODE
void WriteChannelMode(uint8_t channelMode);          // USER_OPTIONS CHANNELMODE
void WriteCodeMark(uint8_t codeMark);                // USER_OPTIONS CODEMARK
void WriteTempFileNo(const QString &tempFileNo);     // USER_OPTIONS TEMPFILENO
void WriteReader(const QString &reader);             // USER_OPTIONS READER
void WriteTempFilePath(const QString &tempFilePath); // USER_OPTIONS TEMPFILEPATH
void WriteAccessCode(const QString &accessCode);     // USER_OPTIONS ACCESSCODE
// "Justify" TEMPLOW / TEMPHIGH: the reference temperatures of the
// calibration.
void WriteTempLow(const QString &value);
void WriteTempHigh(const QString &value);

#endif
