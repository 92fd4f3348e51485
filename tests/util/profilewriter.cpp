// Writes one key of a settings file again and again, alternating between
// two long values, until it is killed: the atomic-write test kills it at
// random moments and checks that the file is never torn.
#include "profile.h"

#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString a(4000, QLatin1Char('a'));
    const QString b(4000, QLatin1Char('b'));
    std::puts("ready");
    std::fflush(stdout);
    for (unsigned i = 0;; ++i)
        WritePrivateProfileString(QStringLiteral("USER_OPTIONS"), QStringLiteral("READER"),
                                  (i & 1) ? a : b, file);
}
