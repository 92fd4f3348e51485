// The one way into the help: every help button, menu entry and the help key
// of the program call these functions, and they alone open the help window
// (helpwindow.h) at the topic asked for, in the help file of the configured
// language.
//
// Each request is also remembered, so that tests can see which topic a
// button asked for.
#ifndef PXRQ60_UI_HELPENTRY_H
#define PXRQ60_UI_HELPENTRY_H

#include <QList>
#include <QString>

// Opens the help at the topic with this keyword ("Batterie_Nennkapazit_t");
// "Inhalt" opens the contents.
void showHelpKeyword(const QString &keyword);
// Opens the help at the topic of this help context number (a control's or a
// notebook page's "helpContext").
void showHelpContext(int context);
// Opens the topic finder: the keyword index with its filter, and the
// full-text search.
void showHelpFinder();

// What was asked for since the last clear, oldest first: a keyword (context
// 0), a context number (keyword empty), or the topic finder.
struct HelpRequest {
    QString keyword;
    int context = 0;
    bool finder = false;
};
QList<HelpRequest> recordedHelpRequests();
void clearRecordedHelpRequests();

#endif
