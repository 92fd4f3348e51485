#include "customer.h"

#include "ui_customer.h"

namespace {
const KeyDialogKind CustomerKeyKind{"P10", 6103, "P11"};
}

TFormCustomerKey::TFormCustomerKey(DeviceSession &session, QWidget *parent)
    : TFormKeyDialog(CustomerKeyKind, session, parent),
      m_ui(std::make_unique<Ui::TFormCustomerKey>())
{
    m_ui->setupUi(this);
    takeControls(m_ui->CustomerKey1, m_ui->CustomerKey2, m_ui->btEscape, m_ui->btCapture,
                 m_ui->btHelp);
}

TFormCustomerKey::~TFormCustomerKey() = default;
