#include "termination.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
const int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe work here: the event loop reads the pipe.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
}

} // namespace

TerminationRequests::TerminationRequests()
{
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the defaults stay: the signal ends the program at once
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        while (::read(pipeFds[0], buf, sizeof buf) > 0) {
        }
        requested();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : handledSignals)
        sigaction(sig, &sa, nullptr);
}

TerminationRequests::~TerminationRequests()
{
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    for (int sig : handledSignals)
        sigaction(sig, &sa, nullptr);
    if (pipeFds[0] >= 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        pipeFds[0] = pipeFds[1] = -1;
    }
}

void TerminationRequests::setMainWindow(QWidget *window)
{
    m_window = window;
    if (m_pending && m_window)
        QTimer::singleShot(0, m_window, [w = m_window] {
            if (w)
                w->close();
        });
}

void TerminationRequests::requested()
{
    // A box or dialog waiting for an answer is closed first, as with its
    // close button; the main window then closes as through its menu.
    if (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
    if (m_window) {
        m_window->close();
        return;
    }
    // Still starting: the boxes of the start (a new settings file, missing
    // help) come one after the other; each is closed as it opens, and the
    // main window once it is there.
    if (!m_pending) {
        m_pending = true;
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (m_window) {
                poll->deleteLater();
                return;
            }
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        poll->start(100);
    }
}
