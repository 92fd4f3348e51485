// How long the export's number search takes in a folder where the numbers
// below the start number are used already: 1000 used numbers in a row,
// once as TEMP.n and once as TEMP_e.n (the search lists the folder once
// either way), then the whole export of one file (write, flush to disk,
// search, link) into that folder.
//
//   bench_exportnumbers [used] [rounds]
#include "exportfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Start = 1999;

double medianMs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return double(ns[ns.size() / 2]) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int used = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 50;
    std::printf("%d used numbers below TEMPFILENO=%d, median of %d rounds\n", used, Start, rounds);
    for (const char *stem : {"TEMP.", "TEMP_e."}) {
        QTemporaryDir dir;
        for (int n = Start; n > Start - used; --n) {
            QFile f(dir.filePath(QLatin1String(stem) + QString::number(n)));
            if (!f.open(QIODevice::WriteOnly))
                return 1;
        }
        std::vector<qint64> search;
        int found = 0;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer t;
            t.start();
            found = findFreeExportNumber(dir.path(), Start).value_or(0);
            search.push_back(t.nsecsElapsed());
        }
        std::vector<qint64> whole;
        const QByteArray bytes(1500, 'x'); // about a 24-line file
        for (int r = 0; r < std::min(rounds, 20); ++r) {
            QElapsedTimer t;
            t.start();
            const ExportFileResult res = writeExportFile(dir.path(), Start, bytes);
            whole.push_back(t.nsecsElapsed());
            QFile::remove(res.fileName);
        }
        std::printf("used as %-8s search %8.3f ms (found %d)   export of one file %8.3f ms\n", stem,
                    medianMs(search), found, medianMs(whole));
    }
    return 0;
}
