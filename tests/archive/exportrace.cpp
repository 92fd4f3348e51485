// One of two programs exporting into the same folder at the same moment:
// waits for "go" on stdin, writes its file and prints "number status".
//
//   exportrace FOLDER START LINES NAME best|exclusive
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
    if (args.size() != 6)
        return 2;
    QStringList lines;
    for (int i = 0; i < args.at(3).toInt(); ++i)
        lines << QStringLiteral("%1,line %2,0123456789ABCDEF").arg(args.at(4)).arg(i);
    const QByteArray bytes = exportFileBytes(lines);
    const ExportCreateMethod method = args.at(5) == QLatin1String("exclusive")
                                          ? ExportCreateMethod::ExclusiveName
                                          : ExportCreateMethod::Best;
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    const ExportFileResult r = writeExportFile(args.at(1), args.at(2).toInt(), bytes, method);
    std::printf("%d %d\n", r.number, int(r.status));
    return 0;
}
