// Which device a port name of the settings ("COM3") opens.
//
// Only the line driver knows the rule ($SLINE_32_COMn, the line COMn= of
// sline_32.conf, /dev/ttyS<n-1>); this asks the driver (function 9), so the
// options dialog shows exactly what a connect will open, and a line driver
// with another rule shows its own.
#ifndef PXRQ60_LINK_LINEPORT_H
#define PXRQ60_LINK_LINEPORT_H

#include <QString>
#include <optional>

// The device path of "COM" + n by the line driver's rule, or nothing when
// the line driver cannot be loaded or does not answer. The library is
// loaded for the question and released again; while a link holds it, the
// loader shares that copy. Opens no port.
std::optional<QString> linePortPath(int n);

#endif
