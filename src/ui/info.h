// The about box: program, module, version and date; only the labels are
// translated.
#ifndef PXRQ60_UI_INFO_H
#define PXRQ60_UI_INFO_H

#include <QDialog>
#include <memory>

namespace Ui {
class TFormInfo;
}

class TFormInfo : public QDialog
{
    Q_OBJECT

public:
    explicit TFormInfo(QWidget *parent = nullptr); // FormCreate translates it
    ~TFormInfo() override;

    void BitBtn1Click();

private:
    std::unique_ptr<Ui::TFormInfo> m_ui;
};

#endif
