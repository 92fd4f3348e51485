// Page 0 of the notebook, "Geräte&informationen": the device's numbers,
// clock, month boundary, remaining operating time and output settings.
#ifndef PXRQ60_UI_PAGEINFORMATION_H
#define PXRQ60_UI_PAGEINFORMATION_H

#include "notebookpage.h"

#include <memory>

namespace Ui {
class TPageInformation;
}

class TPageInformation : public TNotebookPage
{
    Q_OBJECT

public:
    explicit TPageInformation(QWidget *parent = nullptr);
    ~TPageInformation() override;

    int pageIndex() const override { return 0; }
    // V1x devices: the user-lock fields follow the user lock read with the
    // page (P0, P10).
    int32_t readAndShow() override;

    Ui::TPageInformation *ui() const { return m_ui.get(); }

protected:
    void connectFields() override;

private:
    std::unique_ptr<Ui::TPageInformation> m_ui;
};

#endif
