// Where the running program file lives: the language libraries, driver
// libraries and help files are found beside it.
#ifndef PXRQ60_UTIL_PROGRAMPATH_H
#define PXRQ60_UTIL_PROGRAMPATH_H

#include <QString>

// The full path of the running program file (/proc/self/exe), or the path
// set with setProgramFilePath.
QString programFilePath();
// Directory of the program file, with a trailing "/".
QString programDirectory();
// The program file's name up to its first ".", cut to at most 6 characters:
// the stem of the language library and help file names.
QString programStem();
// Tests run from their own executables but must find the program's files;
// an empty path restores the real one.
void setProgramFilePath(const QString &path);

#endif
