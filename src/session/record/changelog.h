// The change log: every write to a device leaves two lines in a file of
// that device, one before the request leaves (intent) and one after the
// answer (outcome). A crash, a pulled cable or a flat laptop battery
// between the two leaves the intent line as evidence that a value may
// have changed.
//
// One file per device number in <settings directory>/log/, shared by every
// technician of the machine: the folder and the files are made with the
// shared mode (folder 2775 like the settings directory, files 0664). A
// file is only ever appended to. Each line goes to the file with one
// write(2) on a descriptor opened with O_APPEND while an flock is held, and
// is on the disk (fsync) before the call returns, so two programs logging
// the same device at once lose no line and tear none.
//
// The format (README "Change log"): CSV with ";" and a header line, UTF-8
// with a byte order mark so that a spreadsheet takes the umlauts right.
// Keys (P0, P9, P10, P11) are logged as "********" in every value column,
// never with their digits.
#ifndef PXRQ60_RECORD_CHANGELOG_H
#define PXRQ60_RECORD_CHANGELOG_H

#include "sharedfile.h"

#include <QDateTime>
#include <QHash>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <functional>

// Lines that could not be written, at warning level ("pxrq60.record").
Q_DECLARE_LOGGING_CATEGORY(lcRecord)

// Who the device is, as read at connect.
struct DeviceIdentity {
    QString type;            // L33
    QString softwareVersion; // L34
    QString number;          // L18, the device number
    QString meterNumber;     // L124
    QString customerNumber;  // L123
};

// What the write was part of; written as the fixed word of changeOperationWord.
enum class ChangeOperation {
    Edit,            // "Setzen" of edited fields, the clock included
    Transfer,        // a parameter set transferred
    Calibration,     // P147, P148 from the temperature calibration
    CounterReset,    // P48
    BatteryCapacity, // L35
    StatusClear,     // L4 = 0
    Key,             // P0, P9, P10, P11: a key sent or changed
    Other            // a word this program does not know (a later version's)
};
QString changeOperationWord(ChangeOperation operation);
ChangeOperation changeOperationFromWord(const QString &word);

enum class ChangePhase { Intent, Outcome };

// The result of a write as the outcome line names it, from its status:
// 0 confirmed, -13 not confirmed (the device may hold the value or not),
// -101..-105 refused by the device, -1..-6 and -15 not sent (the request
// never left), any other status failed.
enum class ChangeResult { Confirmed, NotConfirmed, Refused, NotSent, Failed };
ChangeResult changeResultOf(int status);
QString changeResultWord(ChangeResult result);

// One line of the log.
struct ChangeRecord {
    ChangePhase phase = ChangePhase::Intent;
    QDateTime time; // written as local time and as UTC
    QString reader; // [USER_OPTIONS] READER
    DeviceIdentity device;
    QString connection; // the connection's id (newConnectionId); with `exchange`
    int exchange = 0;   // it pairs an outcome line with its intent line
    ChangeOperation operation = ChangeOperation::Edit;
    QString address;
    QString oldValue; // as last read from the device; empty when never read
    QString written;  // the text sent
    bool key = false; // a key: every value column is masked (also done for P0, P9, P10, P11)
    // Outcome lines only:
    int status = 0;
    QString confirmed; // what the device answered it holds now
};

// The column names of the header, in order.
const QStringList &changeLogColumns();
// The mask that stands for a key.
extern const char *const MaskedKey; // "********"
bool isKeyAddress(const QString &address);

// The fields of a record as written, keys masked.
QStringList changeLogFields(const ChangeRecord &record);

// <settings directory>/log
QString changeLogFolder();
// The file name of a device's log: its number in plain decimal ("12345.csv"
// for L18 000000012345); "unknown.csv" when the number is no number, so a
// text from the device never becomes a path.
QString changeLogFileName(const QString &deviceNumber);
// A fresh id for one connection: 8 hexadecimal digits.
QString newConnectionId();

// Appends one line to the log of record.device.number in `folder` (made
// when missing, as is the file with its header). True when the line is on
// the disk. A line that could not be written whole is taken back, so the
// file never holds a torn line.
bool appendChangeRecord(const QString &folder, const ChangeRecord &record,
                        FileProblem *problem = nullptr);

// The log of one connection: fills the reader, the device and the
// connection into each line, numbers the exchanges and repeats the intent's
// values in its outcome line. The session makes one per connection.
class ChangeRecorder
{
public:
    ChangeRecorder(const DeviceIdentity &device, const QString &reader,
                   const QString &folder = changeLogFolder());

    const QString &connection() const { return m_connection; }
    const QString &folder() const { return m_folder; }
    QString filePath() const;

    // The intent line, before the request leaves. Returns the exchange's
    // number for outcome(), or 0 when the line could not be written (then
    // `problem` says why, and the request should not be sent).
    int intent(ChangeOperation operation, const QString &address, const QString &oldValue,
               const QString &written, FileProblem *problem = nullptr);
    // The outcome line of exchange `exchange`, after the answer.
    bool outcome(int exchange, int status, const QString &confirmed,
                 FileProblem *problem = nullptr);

    // Tests set the clock.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    DeviceIdentity m_device;
    QString m_reader;
    QString m_folder;
    QString m_connection;
    int m_last = 0;
    QHash<int, ChangeRecord> m_open; // intents waiting for their outcome
    std::function<QDateTime()> m_clock;
};

#endif
