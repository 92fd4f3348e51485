// Which device a port name of the settings ("COM3") opens.
//
// Only the line driver knows the rule ($SLINE_32_COMn, the line COMn= of
// sline_32.conf, /dev/ttyS<n-1>) and which devices it trusts; this asks the
// driver (line function 9), so the options dialog and the connect failure's
// details show exactly what a connect will open, and a line driver with
// another rule shows its own. This is the one place that asks.
#ifndef PXRQ60_LINK_LINEPORT_H
#define PXRQ60_LINK_LINEPORT_H

#include "driverproc.h"

#include <QString>
#include <optional>

// The driver's answer for one port name. `path` is set for DrvOk, and also
// for DrvPortNotTrusted when the driver names the device it refuses (a
// pseudo-terminal of another user, /dev/tty, a FIFO: the port opens
// nothing until it is given another device).
struct LinePort {
    int32_t status = drv::DrvOutOfOrder;
    QString path;
};

// Asks the line driver entry `entry` (null: DrvOutOfOrder) about
// `portName`. Opens no port and needs no initialisation.
LinePort lookUpLinePort(DriverProcFn entry, const QString &portName);

// The same for "COM" + n, with the line driver loaded for the question and
// released again (while a link holds it, the loader shares that copy).
// DrvOutOfOrder when the library cannot be loaded.
LinePort linePortOf(int n);

// The device path of "COM" + n when the driver gives one it will open.
std::optional<QString> linePortPath(int n);

#endif
