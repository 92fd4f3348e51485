#include "keydialog.h"

#include "devicesession.h"
#include "helpentry.h"
#include "helpers.h"
#include "keyfield.h"
#include "langsupp.h"
#include "lockkeys.h"
#include "translateform.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

// Focus lost to another window (a message box) or a popup is no leaving of
// the field: the user is still in it.
bool leftWithinTheDialog(const QEvent *event)
{
    const auto reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

} // namespace

TFormKeyDialog::TFormKeyDialog(const KeyDialogKind &kind, DeviceSession &session, QWidget *parent)
    : QDialog(parent), m_kind(kind), m_session(session)
{
}

void TFormKeyDialog::takeControls(QLineEdit *first, QLineEdit *repeat, QPushButton *escape,
                                  QPushButton *capture, QPushButton *help)
{
    m_first = first;
    m_repeat = repeat;
    m_capture = capture;
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setUpKeyField(m_first, [this] { Key1Enter(); });
    setUpKeyField(m_repeat, [this] { Key2Exit(); });
    setKeyFieldGrey(m_repeat, true);
    m_first->installEventFilter(this);
    m_repeat->installEventFilter(this);
    // A changed entry has not been compared: "Übernehmen" waits for the
    // next comparison, so a key typed after a match is never written
    // unchecked.
    for (QLineEdit *entry : {m_first, m_repeat})
        connect(entry, &QLineEdit::textEdited, this, [this] { m_capture->setEnabled(false); });
    // Enter belongs to the fields; only a focused button takes it.
    for (QPushButton *b : {escape, capture, help})
        b->setDefault(false);

    connect(capture, &QPushButton::clicked, this, &TFormKeyDialog::btCaptureClick);
    connect(escape, &QPushButton::clicked, this, &TFormKeyDialog::btEscapeClick);
    connect(help, &QPushButton::clicked, this, &TFormKeyDialog::btHelpClick);
    TranslateForm(this, 0);
}

TFormKeyDialog::~TFormKeyDialog()
{
    clearKeyField(m_first);
    clearKeyField(m_repeat);
}

void TFormKeyDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The first entry takes the focus when the dialog appears (not at every
    // repaint, which would take it away from the repeat entry again).
    if (!event->spontaneous())
        m_first->setFocus(Qt::OtherFocusReason);
}

bool TFormKeyDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_first && event->type() == QEvent::FocusIn) {
        setKeyFieldGrey(m_repeat, true);
    } else if (watched == m_first && event->type() == QEvent::FocusOut &&
               leftWithinTheDialog(event)) {
        m_repeat->setEnabled(true);
        setKeyFieldGrey(m_repeat, false);
    } else if (watched == m_repeat && event->type() == QEvent::FocusOut && !m_comparing &&
               leftWithinTheDialog(event)) {
        Key2Exit();
    }
    return QDialog::eventFilter(watched, event);
}

void TFormKeyDialog::Key1Enter()
{
    m_repeat->setEnabled(true);
    m_repeat->setFocus(Qt::OtherFocusReason);
}

void TFormKeyDialog::Key2Exit()
{
    if (m_comparing)
        return;
    m_comparing = true;
    if (m_first->text() != m_repeat->text()) {
        LangMessageBox(6100, 500, MbOk);
        clearKeyField(m_first);
        clearKeyField(m_repeat);
        m_capture->setEnabled(false);
        m_first->setFocus(Qt::OtherFocusReason);
    } else {
        m_capture->setEnabled(true);
        m_capture->setFocus(Qt::OtherFocusReason);
    }
    m_comparing = false;
}

void TFormKeyDialog::btCaptureClick()
{
    const QString lock = QLatin1String(m_kind.lockAddress);
    if (!lockCountsOpen(m_session.values().value(lock))) {
        LangMessageBox(m_kind.lockClosedId, 500, MbOk);
        return;
    }
    WriteRequest request;
    request.address = QLatin1String(m_kind.keyAddress);
    request.isKey = true;
    try {
        request.value = keyWireText(m_first->text());
    } catch (const ConversionError &e) {
        // Both entries empty match; an empty key is no number.
        LangErrorBox(e.message());
        return;
    }
    const WriteResult result = m_session.write(request);
    scrubText(request.value);
    // Whatever the outcome, the key is typed again for another write: the
    // fields do not keep it, so "Übernehmen" has nothing to offer.
    clearKeyField(m_first);
    clearKeyField(m_repeat);
    m_capture->setEnabled(false);
    setKeyFieldGrey(m_repeat, true);
    if (!result.written())
        LangStatusBoxArgs(518, {request.address, hiddenKeyText()}, result.status);
    else
        LangMessageBox(520, 501, MbOk);
    m_first->setFocus(Qt::OtherFocusReason);
}

void TFormKeyDialog::btEscapeClick()
{
    reject();
}

void TFormKeyDialog::btHelpClick()
{
    showHelpKeyword(QStringLiteral("Benutzerschloss"));
}
