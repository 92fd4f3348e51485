#include "helpentry.h"

namespace {

QList<HelpRequest> &requests()
{
    static QList<HelpRequest> list;
    return list;
}

} // namespace

void showHelpKeyword(const QString &keyword)
{
    requests().append(HelpRequest{keyword, 0});
}

void showHelpContext(int context)
{
    requests().append(HelpRequest{QString(), context});
}

QList<HelpRequest> recordedHelpRequests()
{
    return requests();
}

void clearRecordedHelpRequests()
{
    requests().clear();
}
