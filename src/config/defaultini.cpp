// Writes the default settings file the program would create in a settings
// directory to stdout: the package's purge step removes a settings file only
// while it still has exactly these bytes.
//
//   pxdefaultini DIR
#include "inisettings.h"

#include <QByteArray>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: pxdefaultini SETTINGS_DIR\n", stderr);
        return 2;
    }
    qputenv("PXRQ60_SETTINGS_DIR", argv[1]);
    const QByteArray bytes = defaultIniContent();
    const std::size_t size = std::size_t(bytes.size());
    return std::fwrite(bytes.constData(), 1, size, stdout) == size ? 0 : 1;
}
