// How long the edit-mask placement takes as templates grow: a design of n
// optional digits around a point, and a device text of n/2 digits that
// fits nowhere (a stray letter at its end), the case that makes a search
// try every way to spread the blanks.
//
//   bench_editmask [repeats]
#include "editmask.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 20;
    std::printf("%10s %14s %14s\n", "positions", "no fit [us]", "fits [us]");
    for (int n : {12, 22, 26, 50, 100, 200, 400}) {
        const int half = n / 2;
        const QString design = QStringLiteral("!") + QString(half, QLatin1Char('9')) +
                               QLatin1Char('.') + QString(n - half - 1, QLatin1Char('9')) +
                               QStringLiteral(";1;_");
        const EditMask mask(design);
        const QString noFit = QString(half / 2, QLatin1Char('1')) + QLatin1Char('.') +
                              QString(half / 2, QLatin1Char('2')) + QLatin1Char('x');
        const QString fits = QString(half / 2, QLatin1Char('1')) + QLatin1Char('.') +
                             QString(half / 2, QLatin1Char('2'));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < repeats; ++i)
            if (mask.fits(noFit))
                return 1;
        const double noFitUs = double(t.nsecsElapsed()) / 1000.0 / repeats;
        t.restart();
        for (int i = 0; i < repeats; ++i)
            if (mask.fieldText(fits).size() != mask.width())
                return 1;
        const double fitsUs = double(t.nsecsElapsed()) / 1000.0 / repeats;
        std::printf("%10d %14.1f %14.1f\n", mask.width(), noFitUs, fitsUs);
    }
    return 0;
}
