// Protocol driver pcolb_32 ("DS"): record readout of V1x devices, one field
// per command letter.
//
// Repeats: a field read is sent at most 3 times. A NAK is always repeated:
// the command byte carries no check, so a byte garbled on the way reaches the
// device as an unknown command, and the device has done nothing. Silence and
// corrupt answers are repeated for every command except "x": "x" moves the
// device on to the next data block, so a repeat could return the block after
// the lost one and leave a gap in the record that nobody notices. A failed
// "x" ends with its status at once. The start (ENQ) is not repeated either:
// each start selects the next record.
//
// DS answers carry no address. After a try of a field that timed out, the
// answer of a later try is trusted only when one more read of the field
// gives the same text; otherwise the field fails (-11) rather than file one
// field's text under another letter.
//
// Statuses besides those of the line: -2 a command that is no printable
// character, -7 no answer, -9 corrupt answer, -10 NAK on every try, -11 an
// answer of the wrong kind or answers that did not agree, -12 answer longer
// than the caller's buffer.
#ifndef PXRQ60_PCOLB_PROTOCOL_H
#define PXRQ60_PCOLB_PROTOCOL_H

#include "linelink.h"

#include <string>

namespace ds {

constexpr int MaxTries = 3;
// The device's field texts have at most 30 characters; a frame much longer
// than that is noise.
constexpr std::size_t MaxFieldData = 64;

// True when the command may be repeated after silence or a corrupt answer.
bool repeatable(char command);

class Session
{
public:
    linelink::LineLink &line() { return m_line; }
    bool started() const { return m_started; }
    void stop() { m_started = false; }

    int32_t start();
    int32_t readField(int32_t command, std::string &text);
    int32_t end();

private:
    linelink::LineLink m_line;
    bool m_started = false;
};

} // namespace ds

#endif
