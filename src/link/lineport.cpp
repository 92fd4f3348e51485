#include "lineport.h"

#include "commclass.h"

#include <QFile>
#include <dlfcn.h>

LinePort lookUpLinePort(DriverProcFn entry, const QString &portName)
{
    LinePort port;
    const QByteArray name = portName.toUtf8();
    // A device path is at most PATH_MAX (4096) bytes, terminator included.
    QByteArray buffer(4097, '\0');
    if (!entry || name.size() >= buffer.size())
        return port;
    std::copy(name.begin(), name.end(), buffer.begin());
    int32_t count = int32_t(buffer.size());
    int32_t param = 0;
    port.status = entry(drv::LineResolvePort, buffer.data(), &count, &param);
    const bool fits = count >= 0 && count < int32_t(buffer.size());
    const QByteArray answer = fits ? buffer.left(count) : QByteArray();
    if (port.status == drv::DrvOk && fits)
        port.path = QFile::decodeName(answer);
    // A refusal may come without the path; the buffer then still holds the
    // name asked for, which is no path.
    else if (port.status == drv::DrvPortNotTrusted && !answer.isEmpty() && answer != name)
        port.path = QFile::decodeName(answer);
    return port;
}

LinePort linePortOf(int n)
{
    const QByteArray file =
        QFile::encodeName(TCommClass::driverPath(QStringLiteral("sline_32.so")));
    void *lib = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return LinePort{};
    const auto entry = reinterpret_cast<DriverProcFn>(dlsym(lib, "DriverProc"));
    const LinePort port = lookUpLinePort(entry, QStringLiteral("COM") + QString::number(n));
    dlclose(lib);
    return port;
}

std::optional<QString> linePortPath(int n)
{
    const LinePort port = linePortOf(n);
    if (port.status != drv::DrvOk)
        return std::nullopt;
    return port.path;
}
