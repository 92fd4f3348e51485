// The serial ports of this machine, and the file that tells the line driver
// which of them a port number of the settings means: sline_32.conf in the
// settings directory, one line "COMn=PATH" per assigned port. The settings
// file keeps the number (COM=3); the line driver turns "COM3" into a device
// by its own rule, which linePortPath() (link/lineport.h) asks for.
#ifndef PXRQ60_CONFIG_LINEPORTS_H
#define PXRQ60_CONFIG_LINEPORTS_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

struct FileProblem;

struct SerialPort {
    QString path;  // what sline_32.conf gets
    QString label; // what the user reads
};

// What the system tells of one serial port that has a device behind it.
struct SerialPortFacts {
    QString device;       // "/dev/ttyUSB0"
    QString manufacturer; // USB adapters: "FTDI"; empty for built-in ports
    QString product;      // "FT232R USB UART"
    QString serialNumber; // "A50285BI"
};

// The ports offered for assignment: one per port in `ports`, under its
// /dev/serial/by-id name where `byIdLinks` (link path -> the device it leads
// to) has one (that name stays when the adapter moves to another USB
// socket), else under its device path. Adapters with such a name come first,
// then the rest by device name and number (ttyS2 before ttyS10). The label
// names maker, product and serial number where the port has them, then the
// device ("FTDI FT232R USB UART, serial no. A50285BI (/dev/ttyUSB0)"); a
// by-id link to a device not in `ports` is not offered.
QList<SerialPort> serialPortChoices(const QList<SerialPortFacts> &ports,
                                    const QList<std::pair<QString, QString>> &byIdLinks);

// The ports of this machine: the ports Qt's serial port listing finds with a
// device behind them (a built-in ttyS without a chip is left out), and the
// links of `devDir`/serial/by-id.
QList<SerialPort> findSerialPorts(const QString &devDir = QStringLiteral("/dev"));

// The text of sline_32.conf with COMn set to `path`: the first line whose key
// is COMn (case and blanks around it do not matter, as for the line driver)
// gets the new path, otherwise the line is appended. Every other line stays
// byte for byte, comments and line ends included; an appended line takes the
// file's line end (CR LF when the file has one, else LF).
QByteArray withPortLine(const QByteArray &conf, int n, const QString &path);

// Full path of sline_32.conf.
QString linePortConfPath();

// Sets COMn in sline_32.conf, creating the file when it is missing; the file
// is replaced atomically, so it is always the old or the new one. False when
// it cannot be read or written (with the reason in *problem when given), or
// for a path that cannot stand on one line (FileProblem::BadValue).
bool WriteLinePort(int n, const QString &path, FileProblem *problem = nullptr);

#endif
