// The about box: program, module, version and date as designed (only the
// labels are translated), and below them the version of the installed
// package and the day it was built, which tell a technician's report which
// program they used.
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
    Ui::TFormInfo *ui() const { return m_ui.get(); }

private:
    std::unique_ptr<Ui::TFormInfo> m_ui;
};

#endif
