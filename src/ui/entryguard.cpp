#include "entryguard.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace {

const char LockedProperty[] = "pxEntryLocked";
const char ChangedProperty[] = "pxEntryChanged";

const QColor Silver(192, 192, 192);
// A locked field still shows its value: the styles' usual grey for disabled
// text would vanish on the silver background.
const QColor LockedText(80, 80, 80);

class EntryFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w)
            return false;
        if (event->type() == QEvent::Wheel && !w->hasFocus()) {
            // The wheel belongs to whatever the technician is working in;
            // passing it on lets a surrounding view scroll.
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::FocusIn) {
            auto *edit = qobject_cast<QLineEdit *>(w);
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (edit && (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                         reason == Qt::BacktabFocusReason)) {
                // The mouse press that gave the focus places the cursor after
                // this event: select once it is through.
                QPointer<QLineEdit> guarded(edit);
                QTimer::singleShot(0, edit, [guarded] {
                    if (guarded && guarded->hasFocus())
                        guarded->selectAll();
                });
            }
        }
        return false;
    }
};

void applyEntryLook(QWidget *w)
{
    const bool locked = w->property(LockedProperty).toBool();
    const bool changed = w->property(ChangedProperty).toBool();
    const QPalette app = QApplication::palette(w);
    QColor base = app.color(QPalette::Active, QPalette::Base);
    QColor button = app.color(QPalette::Active, QPalette::Button);
    if (locked) {
        base = button = Silver;
    } else if (changed) {
        // A quarter of the platform's highlight over the field's background.
        const QColor h = app.color(QPalette::Active, QPalette::Highlight);
        auto tint = [&h](const QColor &c) {
            return QColor((3 * c.red() + h.red()) / 4, (3 * c.green() + h.green()) / 4,
                          (3 * c.blue() + h.blue()) / 4);
        };
        base = tint(base);
        button = tint(button);
    }
    QPalette p = w->palette();
    p.setColor(QPalette::Base, base);
    // A drop-down list draws its face in the button colour.
    if (qobject_cast<QComboBox *>(w))
        p.setColor(QPalette::Button, button);
    p.setColor(QPalette::Disabled, QPalette::Text, LockedText);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, LockedText);
    w->setPalette(p);
}

} // namespace

void installEntryGuard(QWidget *root)
{
    auto *filter = new EntryFilter(root);
    for (QWidget *w : root->findChildren<QWidget *>()) {
        auto *edit = qobject_cast<QLineEdit *>(w);
        if (qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)) {
            // Qt's default for these, WheelFocus, lets a turn of the wheel
            // take the focus away from the field being typed in.
            w->setFocusPolicy(Qt::StrongFocus);
            w->installEventFilter(filter);
        } else if (edit && !edit->inputMask().isEmpty() && !edit->isReadOnly()) {
            w->installEventFilter(filter);
        }
    }
}

void setEntryLocked(QWidget *field, bool locked)
{
    field->setProperty(LockedProperty, locked);
    applyEntryLook(field);
}

void setEntryChanged(QWidget *field, bool changed)
{
    field->setProperty(ChangedProperty, changed);
    applyEntryLook(field);
}

bool entryChanged(const QWidget *field)
{
    return field->property(ChangedProperty).toBool();
}
