// The one way into the help: every help button, menu entry and help key of
// the program calls these two functions.
//
// There is no help viewer yet. For now the functions only remember what was
// asked for, so that the windows can already be wired to the help and tests
// can see which topic a button would open; nothing is shown. The viewer
// (opening the help file of the configured language at a keyword or a
// context number) will take their place without a change to the callers.
#ifndef PXRQ60_UI_HELPENTRY_H
#define PXRQ60_UI_HELPENTRY_H

#include <QList>
#include <QString>

// Opens the help at the topic with this keyword ("Batterie_Nennkapazit_t").
void showHelpKeyword(const QString &keyword);
// Opens the help at the topic of this help context number (a control's or a
// notebook page's "helpContext").
void showHelpContext(int context);

// What was asked for since the last clear, oldest first: either a keyword
// (context 0) or a context number (keyword empty).
struct HelpRequest {
    QString keyword;
    int context = 0;
};
QList<HelpRequest> recordedHelpRequests();
void clearRecordedHelpRequests();

#endif
