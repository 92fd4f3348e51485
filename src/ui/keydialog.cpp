#include "keydialog.h"

#include "componentkind.h"
#include "devicevalues.h"
#include "helpentry.h"
#include "helpers.h"
#include "keyfield.h"
#include "langsupp.h"
#include "lockkeys.h"
#include "translateform.h"
#include "ui_keydialog.h"

#include <QFocusEvent>
#include <QShowEvent>

const KeyDialogKind CustomerKeyKind{6000, 6001, "CustomerKey", "P10", 6103, "P11"};
const KeyDialogKind SupplierKeyKind{6002, 6003, "SupplierKey", "P0", 6104, "P9"};

namespace {

// Focus lost to another window (a message box) or a popup is no leaving of
// the field: the user is still in it.
bool leftWithinTheDialog(const QEvent *event)
{
    const auto reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

} // namespace

TFormKeyDialog::TFormKeyDialog(const KeyDialogKind &kind, QWidget *parent)
    : QDialog(parent), m_kind(kind), m_ui(std::make_unique<Ui::TFormKeyDialog>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setComponentTag(this, kind.captionId);
    setComponentTag(m_ui->Label1, kind.firstLabelId);
    const QString prefix = QLatin1String(kind.fieldPrefix);
    m_ui->Key1->setObjectName(prefix + QLatin1Char('1'));
    m_ui->Key2->setObjectName(prefix + QLatin1Char('2'));

    setUpKeyField(m_ui->Key1, [this] { Key1Enter(); });
    setUpKeyField(m_ui->Key2, [this] { Key2Exit(); });
    setKeyFieldGrey(m_ui->Key2, true);
    m_ui->Key1->installEventFilter(this);
    m_ui->Key2->installEventFilter(this);
    // A changed entry has not been compared: "Übernehmen" waits for the
    // next comparison, so a key typed after a match is never written
    // unchecked.
    for (QLineEdit *entry : {m_ui->Key1, m_ui->Key2})
        connect(entry, &QLineEdit::textEdited, this,
                [this] { m_ui->btCapture->setEnabled(false); });
    // Enter belongs to the fields; only a focused button takes it.
    for (QPushButton *b : {m_ui->btEscape, m_ui->btCapture, m_ui->btHelp})
        b->setDefault(false);

    connect(m_ui->btCapture, &QPushButton::clicked, this, &TFormKeyDialog::btCaptureClick);
    connect(m_ui->btEscape, &QPushButton::clicked, this, &TFormKeyDialog::btEscapeClick);
    connect(m_ui->btHelp, &QPushButton::clicked, this, &TFormKeyDialog::btHelpClick);
    TranslateForm(this, 0);
}

TFormKeyDialog::~TFormKeyDialog()
{
    clearKeyField(m_ui->Key1);
    clearKeyField(m_ui->Key2);
}

QLineEdit *TFormKeyDialog::firstEntry() const
{
    return m_ui->Key1;
}

QLineEdit *TFormKeyDialog::repeatEntry() const
{
    return m_ui->Key2;
}

void TFormKeyDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The first entry takes the focus when the dialog appears (not at every
    // repaint, which would take it away from the repeat entry again).
    if (!event->spontaneous())
        m_ui->Key1->setFocus(Qt::OtherFocusReason);
}

bool TFormKeyDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui->Key1 && event->type() == QEvent::FocusIn) {
        setKeyFieldGrey(m_ui->Key2, true);
    } else if (watched == m_ui->Key1 && event->type() == QEvent::FocusOut &&
               leftWithinTheDialog(event)) {
        m_ui->Key2->setEnabled(true);
        setKeyFieldGrey(m_ui->Key2, false);
    } else if (watched == m_ui->Key2 && event->type() == QEvent::FocusOut && !m_comparing &&
               leftWithinTheDialog(event)) {
        Key2Exit();
    }
    return QDialog::eventFilter(watched, event);
}

void TFormKeyDialog::Key1Enter()
{
    m_ui->Key2->setEnabled(true);
    m_ui->Key2->setFocus(Qt::OtherFocusReason);
}

void TFormKeyDialog::Key2Exit()
{
    if (m_comparing)
        return;
    m_comparing = true;
    if (m_ui->Key1->text() != m_ui->Key2->text()) {
        LangMessageBox(6100, 500, MbOk);
        clearKeyField(m_ui->Key1);
        clearKeyField(m_ui->Key2);
        m_ui->btCapture->setEnabled(false);
        m_ui->Key1->setFocus(Qt::OtherFocusReason);
    } else {
        m_ui->btCapture->setEnabled(true);
        m_ui->btCapture->setFocus(Qt::OtherFocusReason);
    }
    m_comparing = false;
}

void TFormKeyDialog::btCaptureClick()
{
    const QString lock = QLatin1String(m_kind.lockAddress);
    if (!lockCountsOpen(DeviceValues.value(lock))) {
        LangMessageBox(m_kind.lockClosedId, 500, MbOk);
        return;
    }
    QString key;
    try {
        key = keyWireText(m_ui->Key1->text());
    } catch (const ConversionError &e) {
        // Both entries empty match; an empty key is no number.
        LangErrorBox(e.message());
        return;
    }
    const QString address = QLatin1String(m_kind.keyAddress);
    QString request = address + QLatin1Char('=') + key;
    scrubText(key);
    const int32_t status = WriteValue(request);
    scrubText(request);
    // Whatever the outcome, the key is typed again for another write: the
    // fields do not keep it, so "Übernehmen" has nothing to offer.
    clearKeyField(m_ui->Key1);
    clearKeyField(m_ui->Key2);
    m_ui->btCapture->setEnabled(false);
    setKeyFieldGrey(m_ui->Key2, true);
    if (status != 0)
        LangStatusBoxArgs(518, {address, hiddenKeyText()}, status);
    else
        LangMessageBox(520, 501, MbOk);
    m_ui->Key1->setFocus(Qt::OtherFocusReason);
}

void TFormKeyDialog::btEscapeClick()
{
    reject();
}

void TFormKeyDialog::btHelpClick()
{
    showHelpKeyword(QStringLiteral("Benutzerschloss"));
}
