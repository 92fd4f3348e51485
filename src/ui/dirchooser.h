// A directory chooser that also takes a directory that does not exist yet:
// the user may type a new name; before it is created the chooser asks, and
// it creates the directory with all missing parents. Qt's own (non-native)
// file dialog in directory mode, so that it looks the same on every desktop
// and tests can drive it.
#ifndef PXRQ60_UI_DIRCHOOSER_H
#define PXRQ60_UI_DIRCHOOSER_H

#include <QString>
#include <optional>

class QWidget;

// Opens the chooser at `start` (or at the nearest directory above it that
// exists, with the rest typed in). The chosen directory, which then exists;
// nothing when the user cancels. Question 2032 before creating a directory
// (No returns to the chooser); message 2033 with the reason when it cannot
// be created. New folders are made group-writable (makeSharedFolder in sharedfile.h): the export
// folder is shared by the technicians of the machine.
std::optional<QString> chooseDirectory(QWidget *parent, const QString &caption,
                                       const QString &start);

#endif
