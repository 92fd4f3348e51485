#include "info.h"

#include "langsupp.h"
#include "programversion.h"
#include "translateform.h"
#include "ui_info.h"

TFormInfo::TFormInfo(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::TFormInfo>())
{
    m_ui->setupUi(this);
    connect(m_ui->BitBtn1, &QPushButton::clicked, this, &TFormInfo::BitBtn1Click);
    TranslateForm(this, 0);
    m_ui->PackageVersion->setText(programVersion());
    // German days as the designed date shows them; otherwise ISO 8601,
    // which no reader takes for another day.
    const bool german = LoadedLanguage().compare(QLatin1String("DE"), Qt::CaseInsensitive) == 0;
    m_ui->BuildDate->setText(programBuildDate().toString(german ? QStringLiteral("dd.MM.yyyy")
                                                                : QStringLiteral("yyyy-MM-dd")));
}

TFormInfo::~TFormInfo() = default;

void TFormInfo::BitBtn1Click()
{
    accept();
}
