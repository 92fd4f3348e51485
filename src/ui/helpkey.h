// F1: the help key on every control of every window of the program.
//
// A control names its help topic by the dynamic property "helpContext" (a
// help context number, from the window design or set by the window, as the
// notebook does for the page read last) or "helpKeyword" (a help keyword).
// A control without either takes its nearest parent's: the group, the page,
// the notebook, then the window. Where nothing up to the window names a
// topic, F1 opens the contents.
//
// F1 asks about the control with the focus. A locked (disabled) field takes
// no focus, and that is just when the technician asks why it is locked: when
// the focus only gives the topic of something around the field under the
// mouse pointer (its page, its window), F1 takes that field.
#ifndef PXRQ60_UI_HELPKEY_H
#define PXRQ60_UI_HELPKEY_H

#include <QString>

class QWidget;

struct HelpTarget {
    int context = 0;               // > 0: a help context number
    QString keyword;               // else a keyword; both empty: the contents
    const QWidget *from = nullptr; // the widget that named it
};
HelpTarget helpTargetOf(const QWidget *widget);

// Which control F1 asks about: `focus`, or `underMouse` when that lies in
// the same window and has a topic of its own inside the one the focus gives
// (either may be null).
const QWidget *helpKeyWidget(const QWidget *focus, const QWidget *underMouse);

// Opens the help at the topic of `widget` through the help entry point.
void showHelpFor(const QWidget *widget);

// Installs the application-wide F1 handling once; later calls do nothing.
// Needs the application object.
void installHelpKey();

#endif
