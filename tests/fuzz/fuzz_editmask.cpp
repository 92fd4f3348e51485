// The edit-mask converter over any design and any device text: a text that
// fits is shown in exactly the field's width and comes back out unchanged, a
// text that does not is left as it is, and placement never takes long
// whatever the template (the run's time limit catches a slow one).
#include "editmask.h"
#include "fuzzcheck.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    // Input: design NUL device text.
    const QByteArray all(reinterpret_cast<const char *>(data), int(size));
    const int nul = all.indexOf('\0');
    if (nul < 0)
        return 0;
    const QString design = QString::fromLatin1(all.left(nul));
    const QString device = QString::fromLatin1(all.mid(nul + 1));

    const EditMask m(design);
    FUZZ_CHECK(m.width() >= 0);
    if (m.width() == 0)
        FUZZ_CHECK(m.qtInputMask().isEmpty());
    else
        FUZZ_CHECK(m.qtInputMask().endsWith(QLatin1Char(';') + m.blank()));

    const bool fits = m.fits(device);
    const QString shown = m.fieldText(device);
    if (!fits) {
        FUZZ_CHECK(shown == device);
        return 0;
    }
    FUZZ_CHECK(shown.size() == m.width());
    // The device's text comes back when it holds no character the field
    // shows as empty.
    if (!device.contains(QLatin1Char(' ')) && !device.contains(m.blank()))
        FUZZ_CHECK(m.deviceText(shown) == device);
    return 0;
}
