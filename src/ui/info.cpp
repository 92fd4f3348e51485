#include "info.h"

#include "translateform.h"
#include "ui_info.h"

TFormInfo::TFormInfo(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::TFormInfo>())
{
    m_ui->setupUi(this);
    connect(m_ui->BitBtn1, &QPushButton::clicked, this, &TFormInfo::BitBtn1Click);
    TranslateForm(this, 0);
}

TFormInfo::~TFormInfo() = default;

void TFormInfo::BitBtn1Click()
{
    accept();
}
