#include "lineport.h"

#include "commclass.h"
#include "driverproc.h"

#include <QFile>
#include <dlfcn.h>

std::optional<QString> linePortPath(int n)
{
    const QByteArray file =
        QFile::encodeName(TCommClass::driverPath(QStringLiteral("sline_32.so")));
    void *lib = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!lib)
        return std::nullopt;
    std::optional<QString> path;
    if (auto entry = reinterpret_cast<DriverProcFn>(dlsym(lib, "DriverProc"))) {
        // A device path is at most PATH_MAX (4096) bytes.
        QByteArray buffer(4097, '\0');
        const QByteArray name = "COM" + QByteArray::number(n);
        std::copy(name.begin(), name.end(), buffer.begin());
        int32_t count = int32_t(buffer.size());
        int32_t param = 0;
        if (entry(drv::LineResolvePort, buffer.data(), &count, &param) == drv::DrvOk)
            path = QFile::decodeName(buffer.left(count));
    }
    dlclose(lib);
    return path;
}
