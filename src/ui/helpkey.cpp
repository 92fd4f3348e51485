#include "helpkey.h"

#include "helpentry.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace {

// Sees every key press of the application before the control does, so that
// no control (an entry field, a list, a grid) can take F1 for itself.
class HelpKeyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        // A key press goes to the window system's window first, then to the
        // control with the focus. It is taken at its first sight, so that one
        // press opens one topic, and the control is the focused one.
        const QWidget *at = qobject_cast<QWidget *>(receiver);
        if (!at)
            at = QApplication::focusWidget();
        if (!at)
            at = QApplication::activeWindow();
        showHelpFor(helpKeyWidget(at, QApplication::widgetAt(QCursor::pos())));
        return true;
    }
};

} // namespace

HelpTarget helpTargetOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (const int context = w->property("helpContext").toInt(); context > 0)
            return HelpTarget{context, QString(), w};
        if (const QString keyword = w->property("helpKeyword").toString(); !keyword.isEmpty())
            return HelpTarget{0, keyword, w};
        // A dialog's controls never take the main window's topic; an open
        // list (a popup window of its own) takes the topic of its control.
        if (w->isWindow() && w->windowType() != Qt::Popup)
            break;
    }
    return HelpTarget{};
}

const QWidget *helpKeyWidget(const QWidget *focus, const QWidget *underMouse)
{
    if (!underMouse || (focus && underMouse->window() != focus->window()))
        return focus;
    if (!focus)
        return underMouse;
    // The focus answers better when its topic is its own, or at least as
    // close to the field under the pointer as the pointer's.
    const HelpTarget byFocus = helpTargetOf(focus);
    const HelpTarget byMouse = helpTargetOf(underMouse);
    if (!byFocus.from || !byMouse.from || byMouse.from == byFocus.from)
        return byMouse.from && !byFocus.from ? underMouse : focus;
    return byFocus.from->isAncestorOf(byMouse.from) ? underMouse : focus;
}

void showHelpFor(const QWidget *widget)
{
    const HelpTarget t = helpTargetOf(widget);
    if (t.context > 0)
        showHelpContext(t.context);
    else if (!t.keyword.isEmpty())
        showHelpKeyword(t.keyword);
    else
        showHelpKeyword(QStringLiteral("Inhalt"));
}

void installHelpKey()
{
    static QPointer<HelpKeyFilter> filter;
    if (filter || !qApp)
        return;
    filter = new HelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
}
