#include "supplier.h"

#include "ui_supplier.h"

namespace {
const KeyDialogKind SupplierKeyKind{"P0", 6104, "P9"};
}

TFormSupplierKey::TFormSupplierKey(DeviceSession &session, QWidget *parent)
    : TFormKeyDialog(SupplierKeyKind, session, parent),
      m_ui(std::make_unique<Ui::TFormSupplierKey>())
{
    m_ui->setupUi(this);
    takeControls(m_ui->SupplierKey1, m_ui->SupplierKey2, m_ui->btEscape, m_ui->btCapture,
                 m_ui->btHelp);
}

TFormSupplierKey::~TFormSupplierKey() = default;
