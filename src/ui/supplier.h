// The supplier key dialog of V1x devices: gives the device a new supplier
// key (P9) while the supplier lock (P0) is open. The shared behaviour is
// TFormKeyDialog's (keydialog.h).
#ifndef PXRQ60_UI_SUPPLIER_H
#define PXRQ60_UI_SUPPLIER_H

#include "keydialog.h"

#include <memory>

namespace Ui {
class TFormSupplierKey;
}

class TFormSupplierKey : public TFormKeyDialog
{
    Q_OBJECT

public:
    explicit TFormSupplierKey(DeviceSession &session, QWidget *parent = nullptr);
    ~TFormSupplierKey() override;

    Ui::TFormSupplierKey *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::TFormSupplierKey> m_ui;
};

#endif
