#include "notebookpage.h"

#include "addresstable.h"
#include "componentkind.h"
#include "devicesession.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

PageHost::~PageHost() = default;

TNotebookPage::TNotebookPage(QWidget *parent) : QWidget(parent) {}

void TNotebookPage::setHost(PageHost *host)
{
    m_host = host;
    connectFields();
}

int32_t TNotebookPage::readAndShow()
{
    const int32_t status = host().session().readPage(pageIndex());
    host().DisplayValues(pageAddressList(pageIndex(), host().session().generation()));
    return status;
}

bool TNotebookPage::reportsFailedReads(Generation) const
{
    return true;
}

int TNotebookPage::helpContext(Generation) const
{
    return pages().at(pageIndex()).helpContext;
}

bool TNotebookPage::isMarked(const QObject *field)
{
    return field && (componentTag(field) & TagChangeFlag);
}

void TNotebookPage::setMarked(QObject *field, bool marked)
{
    if (!field)
        return;
    const int64_t tag = componentTag(field);
    setComponentTag(field, marked ? (tag | TagChangeFlag) : (tag & ~int64_t(TagChangeFlag)));
}

QStringList TNotebookPage::markedFields() const
{
    QStringList names;
    for (const QObject *o : findChildren<QObject *>())
        if (isMarked(o))
            names << o->objectName();
    return names;
}

void TNotebookPage::markOnChange(const QStringList &names)
{
    for (const QString &name : names) {
        QObject *field = findChild<QObject *>(name);
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            connect(edit, &QLineEdit::textChanged, this,
                    [this, edit] { host().SetChangeFlagAndEnableButtons(edit); });
        else if (auto *spin = qobject_cast<QSpinBox *>(field))
            connect(spin, &QSpinBox::valueChanged, this,
                    [this, spin] { host().SetChangeFlagAndEnableButtons(spin); });
        else if (auto *combo = qobject_cast<QComboBox *>(field))
            connect(combo, &QComboBox::activated, this,
                    [this, combo] { host().SetChangeFlagAndEnableButtons(combo); });
    }
}
