// Framing of the "WN" and "DS" exchanges, shared by the protocol drivers and
// the device simulator: control characters, block check character, building
// frames and finding them in a stream of received bytes. Pure functions over
// byte strings; no I/O, no Qt.
#ifndef PXRQ60_IECFRAME_H
#define PXRQ60_IECFRAME_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace iec {

constexpr char SOH = 0x01;
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char EOT = 0x04;
constexpr char ENQ = 0x05;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr char ETB = 0x17;

// XOR of every byte of `bytes` (the caller passes what follows the leading
// SOH or STX, up to and including ETX).
char bcc(const std::string &bytes);

// SOH cmd STX data ETX BCC, e.g. commandFrame("R1", "L34()").
std::string commandFrame(const std::string &cmd, const std::string &data);
// SOH cmd ETX BCC, e.g. the break "B0".
std::string bareCommandFrame(const std::string &cmd);
// STX text ETX BCC: an answer frame.
std::string dataFrame(const std::string &text);

struct Scan {
    enum Kind {
        NeedMore, // nothing complete yet; keep receiving
        Frame,    // a complete frame with a correct BCC
        BadBcc,   // a complete frame whose BCC does not match
        Ack,      // a lone ACK
        Nak,      // a lone NAK
    };
    Kind kind = NeedMore;
    std::size_t consumed = 0; // bytes of the input used, garbage before the frame included
    char lead = 0;            // SOH or STX for frames
    std::string command;      // the two command characters after SOH (empty for STX frames)
    std::string data;         // what stands between STX and ETX
};

// Finds the first ACK, NAK or frame in `in`. Bytes before it that cannot
// start one (line noise, an echo) are skipped. A frame started by SOH is
// SOH c1 c2 [STX data] ETX BCC; one started by STX is STX data ETX BCC.
// maxData bounds the data part, of a complete frame as of one still missing
// its ETX (so that a stream without ETX cannot grow a frame without end):
// past it the frame counts as BadBcc.
Scan scanFrame(const std::string &in, std::size_t maxData = 4096);

// "ADDR(value)" -> address and value; false when the text has no such form.
bool splitAddressValue(const std::string &text, std::string &address, std::string &value);

// "(ERnn)" -> nn; -1 when the text is no device error message.
int deviceErrorNumber(const std::string &text);

} // namespace iec

#endif
