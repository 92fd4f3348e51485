// A second program writing the settings file, for the tests that need one:
//   profilewriter FILE                  writes one key again and again,
//                                       alternating between two long values,
//                                       until it is killed
//   profilewriter FILE PREFIX COUNT     writes the keys PREFIX1 .. PREFIXCOUNT
//                                       of section TEST, one write each
//   profilewriter FILE SECTION KEY VALUE  one write; prints why it failed
// Exit code 0 when every write succeeded, 1 otherwise.
#include "profile.h"

#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    if (argc == 2) {
        const QString a(4000, QLatin1Char('a'));
        const QString b(4000, QLatin1Char('b'));
        std::puts("ready");
        std::fflush(stdout);
        for (unsigned i = 0;; ++i)
            WritePrivateProfileString(QStringLiteral("USER_OPTIONS"), QStringLiteral("READER"),
                                      (i & 1) ? a : b, file);
    }
    if (argc == 4) {
        const QString prefix = QString::fromLocal8Bit(argv[2]);
        const int count = QString::fromLocal8Bit(argv[3]).toInt();
        bool ok = true;
        for (int i = 1; i <= count; ++i)
            ok = WritePrivateProfileString(QStringLiteral("TEST"), prefix + QString::number(i),
                                           QStringLiteral("x"), file) &&
                 ok;
        return ok ? 0 : 1;
    }
    if (argc == 5) {
        FileProblem problem;
        if (WritePrivateProfileString(QString::fromLocal8Bit(argv[2]),
                                      QString::fromLocal8Bit(argv[3]),
                                      QString::fromLocal8Bit(argv[4]), file, &problem))
            return 0;
        std::printf("%d %s\n", int(problem.kind), qPrintable(problem.describe()));
        return 1;
    }
    return 2;
}
