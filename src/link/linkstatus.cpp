#include "linkstatus.h"

#include "commclass.h"
#include "langsupp.h"

uint16_t statusMeaningId(int32_t status)
{
    if (status <= drv::DrvOutOfOrder && status >= drv::DrvPortConfig)
        return uint16_t(9100 - status); // -1 .. -15: 9101 .. 9115
    if (status <= drv::deviceError(1) && status >= drv::deviceError(5))
        return uint16_t(9100 - status); // ER01 .. ER05: 9201 .. 9205
    if (drv::isDeviceError(status))
        return 9200;
    return 9100;
}

QString statusMeaning(int32_t status)
{
    return langText(statusMeaningId(status));
}

QString connectFailureDetails(const TCommClassException &e, const TCommClass *link)
{
    QStringList lines{e.message()};
    if (e.status() != 0)
        lines << langFormatId(9010, {e.status(), statusMeaning(e.status())});
    if (link && !link->PortName.isEmpty()) {
        int32_t st = 0;
        const QString path = link->portDevicePath(&st);
        lines << langFormatId(9011, {link->PortName, path.isEmpty() ? statusMeaning(st) : path});
    }
    return lines.join(QLatin1Char('\n'));
}
