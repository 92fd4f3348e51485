#include "helpentry.h"

#include "helpwindow.h"

namespace {

QList<HelpRequest> &requests()
{
    static QList<HelpRequest> list;
    return list;
}

} // namespace

void showHelpKeyword(const QString &keyword)
{
    requests().append(HelpRequest{keyword, 0, false});
    if (keyword == QLatin1String("Inhalt"))
        HelpWindow::instance()->openContents();
    else
        HelpWindow::instance()->openKeyword(keyword);
}

void showHelpContext(int context)
{
    requests().append(HelpRequest{QString(), context, false});
    HelpWindow::instance()->openContext(context);
}

void showHelpFinder()
{
    requests().append(HelpRequest{QString(), 0, true});
    HelpWindow::instance()->openFinder();
}

QList<HelpRequest> recordedHelpRequests()
{
    return requests();
}

void clearRecordedHelpRequests()
{
    requests().clear();
}
