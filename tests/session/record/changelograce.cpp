// One of two programs logging the same device at once: waits for "go" on
// stdin, then logs COUNT writes (intent and outcome) under its NAME as the
// reader, and prints "done".
//
//   changelograce FOLDER NAME COUNT
#include "changelog.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    ChangeRecorder log(DeviceIdentity{" RQ-60", "2.05", "000000123456", {}, {}}, args.at(2),
                       args.at(1));
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    for (int i = 1; i <= args.at(3).toInt(); ++i) {
        // Values with the separator and quotes: a torn or interleaved line
        // would no longer parse.
        const QString value = QStringLiteral("%1;\"%2\"").arg(args.at(2)).arg(i);
        const int exchange = log.intent(ChangeOperation::Edit, QStringLiteral("P4"), value, value);
        if (exchange == 0 || !log.outcome(exchange, 0, value))
            return 1;
    }
    std::printf("done\n");
    return 0;
}
