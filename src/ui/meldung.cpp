#include "meldung.h"

#include "ui_meldung.h"

#include <QCoreApplication>
#include <QEventLoop>

QString MeldungCaption;
QString MeldungText;
TFormMeldung *FormMeldung = nullptr;

TFormMeldung::TFormMeldung(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      m_ui(std::make_unique<Ui::TFormMeldung>())
{
    m_ui->setupUi(this);
    setModal(false);
}

TFormMeldung::~TFormMeldung()
{
    if (FormMeldung == this)
        FormMeldung = nullptr;
}

void TFormMeldung::takeTexts()
{
    if (windowTitle() != MeldungCaption)
        setWindowTitle(MeldungCaption);
    if (m_ui->Label1->text() != MeldungText)
        m_ui->Label1->setText(MeldungText);
}

void TFormMeldung::paintEvent(QPaintEvent *event)
{
    takeTexts();
    QDialog::paintEvent(event);
}

QString TFormMeldung::labelText() const
{
    return m_ui->Label1->text();
}

void TFormMeldung::showOver(QWidget *over)
{
    takeTexts();
    adjustSize();
    if (over && over->isVisible()) {
        const QRect frame = over->frameGeometry();
        move(frame.center() - rect().center());
    }
    show();
    raise();
    // Paint now: the device read that follows blocks the event loop. User
    // input waits, so no click can start a second exchange meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
