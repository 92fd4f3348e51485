#include "keyfield.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace {

class EnterFilter : public QObject
{
public:
    EnterFilter(QObject *parent, std::function<void()> onEnter)
        : QObject(parent), m_onEnter(std::move(onEnter))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        // Taken here: the dialog would otherwise press a button that has
        // just received the focus.
        if (m_onEnter)
            m_onEnter();
        return true;
    }

private:
    std::function<void()> m_onEnter;
};

} // namespace

void setUpKeyField(QLineEdit *field, std::function<void()> onEnter)
{
    field->setMaxLength(8);
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 ]{0,8}")), field));
    // Password mode shows no text, offers no copy and keeps no undo of it.
    field->setEchoMode(QLineEdit::Password);
    setKeyFieldGrey(field, false);
    field->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setText(QString());
    field->installEventFilter(new EnterFilter(field, std::move(onEnter)));
}

void clearKeyField(QLineEdit *field)
{
    field->setText(QString());
}

// One style sheet for both: it sets the "*" and would override a palette
// colour.
void setKeyFieldGrey(QLineEdit *field, bool grey)
{
    QString style = QStringLiteral("QLineEdit { lineedit-password-character: 42;");
    if (grey)
        style += QStringLiteral(" background-color: #c0c0c0;");
    field->setStyleSheet(style + QStringLiteral(" }"));
    field->setProperty("keyFieldGrey", grey);
}

bool keyFieldGrey(const QLineEdit *field)
{
    return field->property("keyFieldGrey").toBool();
}
