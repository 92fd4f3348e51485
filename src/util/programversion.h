// The program's own version and build date, as the package carries them:
// the about box shows them beside its designed texts, and --version prints
// the version.
#ifndef PXRQ60_UTIL_PROGRAMVERSION_H
#define PXRQ60_UTIL_PROGRAMVERSION_H

#include <QDate>
#include <QString>

// "0.1": the version of the Debian package the program came in.
QString programVersion();
// The day the build was configured (UTC; SOURCE_DATE_EPOCH when set, so a
// rebuild of the same sources gives the same date).
QDate programBuildDate();

#endif
