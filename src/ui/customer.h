// The customer key dialog of V1x devices: gives the device a new customer
// key (P11) while the customer lock (P10) is open. The shared behaviour is
// TFormKeyDialog's (keydialog.h).
#ifndef PXRQ60_UI_CUSTOMER_H
#define PXRQ60_UI_CUSTOMER_H

#include "keydialog.h"

#include <memory>

namespace Ui {
class TFormCustomerKey;
}

class TFormCustomerKey : public TFormKeyDialog
{
    Q_OBJECT

public:
    explicit TFormCustomerKey(DeviceSession &session, QWidget *parent = nullptr);
    ~TFormCustomerKey() override;

    Ui::TFormCustomerKey *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::TFormCustomerKey> m_ui;
};

#endif
