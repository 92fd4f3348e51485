// Ending on request: SIGTERM (the desktop session ends, a service manager
// stops the program), SIGINT (Ctrl+C in a terminal) and SIGHUP close the
// program the way "Programm > Beenden" does, so the link is closed and the
// device's session ended instead of being cut off.
#ifndef PXRQ60_APP_TERMINATION_H
#define PXRQ60_APP_TERMINATION_H

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

class TerminationRequests : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; one object for the program's life.
    TerminationRequests();
    ~TerminationRequests() override;
    // The window whose closing ends the program. A request that came before
    // it existed closes it as soon as it is set.
    void setMainWindow(QWidget *window);

private:
    void requested();
    QSocketNotifier *m_notifier = nullptr;
    QPointer<QWidget> m_window;
    bool m_pending = false;
};

#endif
