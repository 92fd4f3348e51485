// The user's words for why a shared file (the settings file, an export
// file) could not be read or written, in the loaded language.
#ifndef PXRQ60_LANG_FILEPROBLEMTEXT_H
#define PXRQ60_LANG_FILEPROBLEMTEXT_H

#include "sharedfile.h"

#include <QString>

// One sentence; the system's own words where the system refused. Empty
// for no problem.
QString fileProblemText(const FileProblem &problem);

#endif
