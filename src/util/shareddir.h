// Folders that the technicians of a machine share, such as an export folder
// below the settings directory (group dialout, mode 2775).
//
// A folder made with the umask's mode (0755 for most users) would shut the
// other members of the group out: they could no longer export into it.
#ifndef PXRQ60_UTIL_SHAREDDIR_H
#define PXRQ60_UTIL_SHAREDDIR_H

#include "sharedfile.h"

#include <QString>

// Mode of a folder the program creates: read, write and search for owner
// and group, whatever the umask. Below a set-group-ID folder the new one is
// set-group-ID as well, so that what is made in it keeps the shared group.
constexpr unsigned SharedDirectoryMode = 0775;

// Creates `path` with all missing parents, each with SharedDirectoryMode
// (and set-group-ID where its parent has it). Folders that exist already
// are left as they are. False with the system's reason when one cannot be
// made, or when something other than a folder stands in the way.
bool makeSharedDirectories(const QString &path, FileProblem *problem = nullptr);

#endif
