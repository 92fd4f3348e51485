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

struct SerialPort {
    QString path;  // what sline_32.conf gets
    QString label; // what the user reads
};

// The ports that exist under `devDir` (normally "/dev"), in this order: the
// links in serial/by-id (they keep their name when an adapter moves to
// another USB socket; label: the link's name and the device it points to),
// then ttyUSB*, ttyACM* and ttyS* by number (label: the path).
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
// it cannot be read or written, or for a path that cannot stand on one line.
bool WriteLinePort(int n, const QString &path);

#endif
