#include "userlock.h"

#include "devicesession.h"
#include "helpentry.h"
#include "helpers.h"
#include "keyfield.h"
#include "langsupp.h"
#include "lockkeys.h"
#include "translateform.h"
#include "ui_userlock.h"

#include <algorithm>

TFormUserLock::TFormUserLock(DeviceSession &session, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFormUserLock>()), m_session(session)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setUpKeyField(m_ui->CustomerKey, [this] { m_ui->btSendCustomerKey->setFocus(); });
    setUpKeyField(m_ui->SupplierKey, [this] { m_ui->btSendSupplierKey->setFocus(); });
    // Enter in a key field moves on to its "Senden"; no button may take it
    // as the dialog's default.
    for (QPushButton *b :
         {m_ui->btSendCustomerKey, m_ui->btSendSupplierKey, m_ui->btOk, m_ui->btHelp})
        b->setDefault(false);
    connect(m_ui->btSendCustomerKey, &QPushButton::clicked, this,
            &TFormUserLock::btSendCustomerKeyClick);
    connect(m_ui->btSendSupplierKey, &QPushButton::clicked, this,
            &TFormUserLock::btSendSupplierKeyClick);
    connect(m_ui->btOk, &QPushButton::clicked, this, &TFormUserLock::btOkClick);
    connect(m_ui->btHelp, &QPushButton::clicked, this, &TFormUserLock::btHelpClick);

    m_session.readValues(QStringLiteral("P0,P10"));
    DisplayLockStates();
    TranslateForm(this, 0);
    // The three panels line their fields up under each other, whatever the
    // length of the translated labels.
    const QList<QLabel *> labels{m_ui->Label3, m_ui->Label1, m_ui->Label2, m_ui->Label4,
                                 m_ui->Label6};
    int width = 0;
    for (QLabel *l : labels)
        width = std::max(width, l->sizeHint().width());
    for (QLabel *l : labels)
        l->setMinimumWidth(width);
}

TFormUserLock::~TFormUserLock()
{
    clearKeyField(m_ui->CustomerKey);
    clearKeyField(m_ui->SupplierKey);
}

QLineEdit *TFormUserLock::keyFieldFor(const QString &address) const
{
    return address == QLatin1String("P10") ? m_ui->CustomerKey : m_ui->SupplierKey;
}

void TFormUserLock::SendKey(const QString &address, const QString &keyText)
{
    const QString oldState = m_session.values().value(address);
    QLineEdit *field = keyFieldFor(address);
    if (RemoveChars(keyText, QStringLiteral(" ")).isEmpty()) {
        LangMessageBox(6105, 500, MbOk);
        field->setFocus();
        return;
    }
    WriteRequest request;
    request.address = address;
    request.isKey = true;
    try {
        request.value = keyWireText(keyText);
    } catch (const ConversionError &e) {
        LangErrorBox(e.message());
        return;
    }
    const WriteResult result = m_session.write(request);
    scrubText(request.value);
    if (!result.written()) {
        LangStatusBoxArgs(518, {address, hiddenKeyText()}, result.status);
        return;
    }
    // The device answers a key with the new state of its lock.
    if (result.confirmedValue != oldState) {
        LangMessageBox(6102, 501, MbOk);
    } else {
        LangMessageBox(6101, 500, MbOk);
        field->setFocus();
    }
}

void TFormUserLock::sendAndShow(const QString &address, QLineEdit *field)
{
    QString keyText = field->text();
    clearKeyField(field);
    SendKey(address, keyText);
    scrubText(keyText);
    m_session.readValues(address);
    DisplayLockStates();
}

void TFormUserLock::btSendCustomerKeyClick()
{
    sendAndShow(QStringLiteral("P10"), m_ui->CustomerKey);
}

void TFormUserLock::btSendSupplierKeyClick()
{
    sendAndShow(QStringLiteral("P0"), m_ui->SupplierKey);
}

void TFormUserLock::DisplayLockStates()
{
    const QString p0 = m_session.values().P[0];
    const QString p10 = m_session.values().P[10];
    m_ui->SupplierKeyStatus->setText(langText(singleLockStateId(p0)));
    m_ui->CustomerKeyStatus->setText(langText(singleLockStateId(p10)));
    m_ui->UserLock->setText(langText(userLockStateId(p0, p10)));
}

void TFormUserLock::btOkClick()
{
    accept();
}

void TFormUserLock::btHelpClick()
{
    showHelpKeyword(QStringLiteral("Benutzerschloss"));
}
