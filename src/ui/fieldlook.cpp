#include "fieldlook.h"

#include <QApplication>
#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace {

const QColor Silver(192, 192, 192);

// A locked field still shows its value: the styles' usual grey for disabled
// text would vanish on the silver background.
const QColor LockedText(80, 80, 80);

void setEntryBackground(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    p.setColor(QPalette::Disabled, QPalette::Text, LockedText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, LockedText);
    w->setPalette(p);
}

} // namespace

void setEntryLook(QWidget *w, bool unlocked)
{
    setEntryBackground(w, unlocked ? QApplication::palette().color(QPalette::Active, QPalette::Base)
                                   : Silver);
}

void emptyField(QLineEdit *field)
{
    field->setText(QString());
}
