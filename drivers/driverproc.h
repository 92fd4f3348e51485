// The one contract between the program and its driver libraries.
//
// Every driver library (line driver sline_32, protocol drivers pcola_32 "WN"
// and pcolb_32 "DS") exports one C entry, DriverProc. The program loads the
// libraries at run time and calls nothing else.
//
// Buffers: for calls that return text (protocol 3 and 4, line 5 and 7) the caller
// puts the buffer's capacity in bytes, terminator included, into *count; the
// driver sets *count to the length it wrote (text length without the
// terminator for texts, byte count for line receive). An answer that does not
// fit is refused with DrvAnswerTooLong and the buffer is left as it was. For
// protocol function 1 the buffer argument is the line driver's DriverProc
// address passed as char *.
//
// Drivers never print; they report through the status codes below.
#ifndef PXRQ60_DRIVERPROC_H
#define PXRQ60_DRIVERPROC_H

#include <cstdint>

extern "C" {
typedef int32_t (*DriverProcFn)(int32_t code, char *buffer, int32_t *count, int32_t *param);
int32_t DriverProc(int32_t code, char *buffer, int32_t *count, int32_t *param);
}

namespace drv {

// Line driver (sline_32) function codes. 4, 7 and 9 are our additions; a
// caller given a line driver without them gets DrvBadArgument and manages
// without.
enum LineFunction : int32_t {
    LineInit = 0,
    LineOpen = 2,       // buffer: "COMn:" + line settings text
    LineSend = 3,       // *count bytes from buffer; returns once they have left the line
    LineFlushInput = 4, // drop received bytes not yet read (buffer null); *count := bytes dropped
    LineReceive = 5,    // up to *count bytes into buffer; the first byte within *param ms
                        // (0: 300 ms)
    LineClose = 6,      // sends what is still pending, then closes
    LineTiming = 7,     // *count := the open line's baud rate, *param := bits per character
    LineDeinit = 8,
    // Our addition: the device path a port name stands for, by the driver's
    // own rule, so that the options dialog shows what "COM3" will open
    // without knowing the rule. Buffer: "COMn" in, the path out (text, see
    // Buffers above); *count the capacity in, the path's length out. Needs
    // no initialisation and opens nothing. -2 for a name that is no COMn,
    // -12 when the path does not fit, -15 when sline_32.conf is refused.
    LineResolvePort = 9,
};

// Protocol driver (pcola_32, pcolb_32) function codes.
enum ProtocolFunction : int32_t {
    ProtoInit = 0,
    ProtoAttachLine = 1, // buffer: the line driver's DriverProc
    ProtoStart = 2,      // sign-on (WN) or record start (DS)
    ProtoWrite = 3,      // WN: "addr=value" in, device answer "addr=value" out
    ProtoRead = 4,       // WN: "addr" in, "addr=value" out; DS: *param = command letter
    ProtoEnd = 6,        // end the device dialogue
    ProtoClose = 7,
    ProtoDeinit = 8,
    ProtoInit2 = 10,    // second initialisation step; takes no further part
    ProtoCounters = 11, // our addition: *count := bytes discarded as not belonging to an
                        // answer (echo, stale and late frames), *param := repeated tries,
                        // both since the last call
};

// Status codes. Append only: a code once shipped keeps its number and
// meaning, because technicians and the help quote them.
enum Status : int32_t {
    DrvOk = 0,
    DrvOutOfOrder = -1,        // not initialised, no line driver attached, line not open
    DrvBadArgument = -2,       // null buffer where one is needed, unknown function code
    DrvPortNotFound = -3,      // no device behind the port name
    DrvPermission = -4,        // permission denied (user not in group dialout)
    DrvPortBusy = -5,          // another program or another open holds the port
    DrvBadSettings = -6,       // malformed line settings text
    DrvTimeout = -7,           // no answer in time
    DrvLineGone = -8,          // line I/O error or line gone (adapter unplugged)
    DrvCorrupt = -9,           // framing or BCC wrong after all repeats
    DrvNak = -10,              // device answered NAK after all repeats
    DrvUnexpected = -11,       // wrong address echoed, unknown message
    DrvAnswerTooLong = -12,    // answer longer than the caller's buffer
    DrvNotConfirmed = -13,     // write not confirmed
    DrvSignOnRefused = -14,    // access refused at sign-on
    DrvPortConfig = -15,       // sline_32.conf refused: no regular file, a symbolic link, too large
    DrvPortNotTrusted = -16,   // port refused: not a serial device of root or of the user
    DrvDeviceErrorBase = -100, // -(100+nn): the device refused with ERnn
};

// Status for a device error message ERnn.
constexpr int32_t deviceError(int nn)
{
    return DrvDeviceErrorBase - nn;
}

// True for -(100+nn): the device itself answered, refusing the request.
constexpr bool isDeviceError(int32_t status)
{
    return status <= DrvDeviceErrorBase - 1 && status >= DrvDeviceErrorBase - 99;
}

// A short English text for a status, for logs, the README and the help.
inline const char *statusText(int32_t status)
{
    switch (status) {
    case DrvOk: return "success";
    case DrvOutOfOrder: return "call out of order (not initialised, no line driver, line not open)";
    case DrvBadArgument: return "bad argument";
    case DrvPortNotFound: return "port not found";
    case DrvPermission: return "permission denied on the port (join group dialout)";
    case DrvPortBusy: return "port busy (held by another program)";
    case DrvBadSettings: return "bad line settings text";
    case DrvTimeout: return "no answer in time";
    case DrvLineGone: return "line I/O error or line gone";
    case DrvCorrupt: return "corrupt answer after all repeats";
    case DrvNak: return "device answered NAK after all repeats";
    case DrvUnexpected: return "unexpected answer";
    case DrvAnswerTooLong: return "answer longer than the buffer";
    case DrvNotConfirmed: return "write not confirmed";
    case DrvSignOnRefused: return "access refused at sign-on";
    case DrvPortConfig: return "sline_32.conf refused (no regular file, a link, or too large)";
    case deviceError(1): return "device: unknown address (ER01)";
    case deviceError(2): return "device: not writable (ER02)";
    case deviceError(3): return "device: value refused (ER03)";
    case deviceError(4): return "device: locked (ER04)";
    case deviceError(5): return "device: busy (ER05)";
    default: return isDeviceError(status) ? "device refused the request (ERnn)" : "unknown status";
    }
}

} // namespace drv

#endif
