// A program that exports into a folder for the export file tests.
//
//   exportrace FOLDER START LINES NAME best|temporary once|loop
//
// Builds two files of LINES lines each ("NAME,current,..." and
// "NAME,archive,...") and prints "ready". "once" then waits for "go" on
// stdin, writes the first file alone and prints "number status" (one of two
// programs exporting at the same moment). "loop" exports the pair again and
// again at once, until it is killed (the test kills it at random moments).
#include "exportfile.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 7)
        return 2;
    QList<QByteArray> files;
    for (const char *kind : {"current", "archive"}) {
        QStringList lines;
        for (int i = 0; i < args.at(3).toInt(); ++i)
            lines << QStringLiteral("%1,%2,line %3,0123456789ABCDEF")
                         .arg(args.at(4), QLatin1String(kind))
                         .arg(i);
        files << exportFileBytes(lines);
    }
    const ExportCreateMethod method = args.at(5) == QLatin1String("temporary")
                                          ? ExportCreateMethod::TemporaryName
                                          : ExportCreateMethod::Best;
    const int start = args.at(2).toInt();
    std::printf("ready\n");
    std::fflush(stdout);
    if (args.at(6) == QLatin1String("loop")) {
        for (;;)
            if (!writeExportFiles(args.at(1), start, files, method).ok())
                return 1;
    }
    std::string go;
    std::getline(std::cin, go);
    const ExportWriteResult r = writeExportFiles(args.at(1), start, {files.first()}, method);
    std::printf("%d %d\n", r.ok() ? r.numbers.first() : 0, int(r.step));
    return 0;
}
