// Line driver sline_32: one serial port over POSIX termios.
//
// Function codes (driverproc.h): 0 initialise, 2 open "COMn:" + line settings,
// 3 send, 4 flush input, 5 receive, 6 close, 8 deinitialise, 9 the device
// path a "COMn" resolves to (resolvePortPath below; the options dialog asks
// the driver instead of repeating the rule).
//
// Flushing input is a function of its own (code 4, buffer null) rather than
// a receive-until-empty in the protocol drivers: a receive waits up to 300 ms
// for its first byte, so draining that way would cost that much before every
// request. A protocol driver given a line driver without code 4 (status -2)
// falls back to draining.
//
// Receive (code 5): *count in is the buffer's capacity, out the bytes
// received. It waits at most 300 ms for the first byte, then takes what
// follows until the line has been quiet for 50 ms or the buffer is full.
// Nothing at all gives -7. When room is left a zero byte follows the data, so
// a caller reading the buffer as text sees exactly what arrived.
//
// Statuses: -1 call out of order, -2 bad argument or unknown code, -3 no
// device behind the name, -4 permission denied, -5 port held by another
// open, -6 bad settings text, -7 nothing received, -8 line error or gone.
#ifndef PXRQ60_SLINE_LINE_H
#define PXRQ60_SLINE_LINE_H

#include <cstdint>
#include <string>

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

// Device path for COMn: $SLINE_32_COMn when set and not empty, else the
// sline_32.conf line in the settings directory, else /dev/ttyS<n-1>.
std::string resolvePortPath(int n);

// Settings directory: $PXRQ60_SETTINGS_DIR when set and not empty, else
// /var/lib/pxrq60.
std::string settingsDirectory();

// Status for a failed open(2) or flock(2).
int32_t openErrorStatus(int err);

// One open port. Not thread-safe; the entry point serialises calls.
class SerialLine
{
public:
    ~SerialLine() { close(); }
    bool isOpen() const { return m_fd >= 0; }
    int32_t open(const std::string &path, const LineSettings &settings);
    void close();
    int32_t send(const char *data, int32_t size);
    int32_t receive(char *buffer, int32_t capacity, int32_t &received);
    int32_t flushInput();

private:
    int32_t applySettings(const LineSettings &settings);
    int32_t setModemLines(const LineSettings &settings);
    int m_fd = -1;
    int m_baud = 4800;
};

} // namespace sline

#endif
