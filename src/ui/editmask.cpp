#include "editmask.h"

#include <QLineEdit>
#include <QWidget>

namespace {

QString templateBody(const QString &designTemplate)
{
    QString body = designTemplate.section(QLatin1Char(';'), 0, 0);
    if (body.startsWith(QLatin1Char('!')))
        body.remove(0, 1);
    return body;
}

} // namespace

int templateWidth(const QString &designTemplate)
{
    return int(templateBody(designTemplate).size());
}

QString qtInputMask(const QString &designTemplate)
{
    const QString body = templateBody(designTemplate);
    if (body.isEmpty())
        return QString();
    // Characters with a meaning in a Qt mask; as design literals they need
    // a backslash.
    static const QString qtMeta = QStringLiteral("AaNnXx90Dd#HhBb><!;[]{}\\");
    QString mask;
    for (const QChar c : body) {
        if (c == QLatin1Char('9'))
            mask += QLatin1Char('0'); // optional digit
        else if (c == QLatin1Char('0'))
            mask += QLatin1Char('9'); // required digit
        else if (c == QLatin1Char('#'))
            mask += QLatin1Char('#'); // digit or sign, optional
        else if (qtMeta.contains(c))
            mask += QLatin1Char('\\') + c;
        else
            mask += c;
    }
    const QString blank = designTemplate.section(QLatin1Char(';'), 2, 2);
    mask += QLatin1Char(';') + (blank.isEmpty() ? QStringLiteral(" ") : blank.left(1));
    return mask;
}

void applyEditMasks(QWidget *window)
{
    for (QLineEdit *edit : window->findChildren<QLineEdit *>()) {
        const QString design = edit->property("editMask").toString();
        if (!design.isEmpty())
            edit->setInputMask(qtInputMask(design));
    }
}
