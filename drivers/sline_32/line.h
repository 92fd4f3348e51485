// Line driver sline_32: one serial port over POSIX termios.
//
// Function codes (driverproc.h): 0 initialise, 2 open "COMn:" + line settings,
// 3 send, 4 flush input, 5 receive, 6 close, 7 the line's rate and character
// size, 8 deinitialise, 9 the device path a "COMn" resolves to
// (resolvePortPath below; the options dialog asks the driver instead of
// repeating the rule).
//
// Flushing input is a function of its own (code 4, buffer null) rather than
// a receive-until-empty in the protocol drivers: a receive waits for its
// first byte, so draining that way would cost that much before every
// request. A protocol driver given a line driver without code 4 (status -2)
// falls back to draining.
//
// Send (code 3) returns once the bytes have left the port (tcdrain), so the
// caller knows from when on the device can answer. Close (code 6) first lets
// pending output leave, within the time the bytes need at the line's rate:
// the end of a session must reach the device.
//
// Receive (code 5): *count in is the buffer's capacity, out the bytes
// received. It waits at most *param milliseconds (0: 300 ms) for the first
// byte, then takes what has arrived and returns. Nothing at all gives -7.
// When room is left a zero byte follows the data, so a caller reading the
// buffer as text sees exactly what arrived.
//
// Statuses: -1 call out of order, -2 bad argument or unknown code, -3 no
// device behind the name, -4 permission denied, -5 port held by another
// open, -6 bad settings text (also one too long, or settings the adapter did
// not take), -7 nothing received, -8 line error or gone, -12 a resolved path
// longer than the caller's buffer, -15 sline_32.conf refused.
#ifndef PXRQ60_SLINE_LINE_H
#define PXRQ60_SLINE_LINE_H

#include <chrono>
#include <cstdint>
#include <string>
#include <termios.h>

namespace sline {

// The line settings text "baud,parity,databits,stopbits,BIN,RSx,DSx".
struct LineSettings {
    int baud = 4800;
    char parity = 'N'; // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;
    bool rts = false;
    bool dtr = false;
};

// Parses the settings text; false when it is malformed (status -6).
bool parseLineSettings(const std::string &text, LineSettings &out);

// "COM7" -> 7; 0 when the name is no COM port name.
int comPortNumber(const std::string &name);

// The path of line "COMn=PATH" in the text of sline_32.conf; empty if none.
// Keys are case-insensitive; blank lines and lines starting with '#' or ';'
// are skipped; LF or CR LF line ends.
std::string confPortPath(const std::string &confText, int n);

// sline_32.conf is read only when it is a regular file of at most this size.
constexpr long MaxConfBytes = 64 * 1024;

// Reads the file at `path` into `text`: DrvOk (empty text when there is no
// such file), or DrvPortConfig for a symbolic link, anything but a regular
// file (a FIFO would block the program), or a file above MaxConfBytes.
int32_t readConfFile(const std::string &path, std::string &text);

// Device path for COMn: $SLINE_32_COMn when set and not empty, else the
// sline_32.conf line in the settings directory, else /dev/ttyS<n-1>.
// DrvPortConfig when sline_32.conf is refused.
int32_t resolvePortPath(int n, std::string &path);

// Settings directory: $PXRQ60_SETTINGS_DIR when set and not empty, else
// /var/lib/pxrq60.
std::string settingsDirectory();

// Status for a failed open(2) or flock(2).
int32_t openErrorStatus(int err);

// True when the settings read back after tcsetattr are those asked for:
// rate, data bits, parity and stop bits (a pseudo-terminal: rate and stop
// bits only). An adapter may take part of a request without an error.
bool settingsTaken(const termios &asked, const termios &got, bool pseudoTerminal);

// One open port. Not thread-safe; the entry point serialises calls.
class SerialLine
{
public:
    ~SerialLine() { close(); }
    bool isOpen() const { return m_fd >= 0; }
    int32_t open(const std::string &path, const LineSettings &settings);
    void close();
    int32_t send(const char *data, int32_t size);
    int32_t receive(char *buffer, int32_t capacity, int32_t &received, int waitMs = 0);
    int32_t flushInput(int32_t &dropped);
    int baud() const { return m_baud; }
    int bitsPerChar() const { return m_bitsPerChar; }

private:
    int32_t applySettings(const LineSettings &settings);
    int32_t setModemLines(const LineSettings &settings);
    int32_t drainOutput(std::chrono::steady_clock::time_point deadline);
    int m_fd = -1;
    int m_baud = 4800;
    int m_bitsPerChar = 10;
};

} // namespace sline

#endif
