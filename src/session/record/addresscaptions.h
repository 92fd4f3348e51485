// The name of a device address as the window shows it: the caption of its
// group and the label beside its field, in the loaded language
// ("Parameter Temperatur: Normwert" for L157). The change log dialog, the
// parameter set comparison and the service report name addresses this way.
#ifndef PXRQ60_RECORD_ADDRESSCAPTIONS_H
#define PXRQ60_RECORD_ADDRESSCAPTIONS_H

#include <QString>

// The address itself for an address the window does not show.
QString addressCaption(const QString &address);

#endif
