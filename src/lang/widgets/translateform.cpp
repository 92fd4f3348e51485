#include "translateform.h"

#include "componentkind.h"
#include "langsupp.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

QString textFor(uint16_t id, int step, uint16_t offset)
{
    return langText(uint16_t(id + step + offset));
}

// The count of a combo box list: a decimal number of items. Anything else
// (the "str" fallback of a missing text included) is no count, and a
// negative one would only throw the designed items away.
bool parseCount(const QString &text, int &count)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    if (!ok || n < 0 || n > 0xFFFF)
        return false;
    count = n;
    return true;
}

void translateComponent(QObject *o, uint16_t id, uint16_t offset)
{
    const QString text = textFor(id, 0, offset);
    switch (componentKind(o)) {
    case ComponentKind::MenuItem:
        if (auto *menu = qobject_cast<QMenu *>(o))
            menu->setTitle(text);
        else
            static_cast<QAction *>(o)->setText(text);
        break;
    case ComponentKind::Label: {
        // A translated text is shown as it stands: "<leer>" in a
        // translation is no markup.
        auto *label = static_cast<QLabel *>(o);
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        break;
    }
    case ComponentKind::Button:
    case ComponentKind::SpeedButton:
    case ComponentKind::CheckBox:
    case ComponentKind::RadioButton: static_cast<QAbstractButton *>(o)->setText(text); break;
    case ComponentKind::GroupBox: static_cast<QGroupBox *>(o)->setTitle(text); break;
    case ComponentKind::TabbedNotebook: {
        auto *notebook = static_cast<QTabWidget *>(o);
        for (int i = 0; i < notebook->count(); ++i)
            notebook->setTabText(i, textFor(id, i, offset));
        break;
    }
    case ComponentKind::TabSet:
    case ComponentKind::TabControl: {
        auto *tabs = static_cast<QTabBar *>(o);
        for (int i = 0; i < tabs->count(); ++i)
            tabs->setTabText(i, textFor(id, i, offset));
        break;
    }
    case ComponentKind::RadioGroup: {
        const auto items = o->findChildren<QRadioButton *>();
        for (int i = 0; i < items.size(); ++i)
            items[i]->setText(textFor(id, 1 + i, offset));
        break;
    }
    case ComponentKind::Edit: static_cast<QLineEdit *>(o)->setText(text); break;
    case ComponentKind::ComboBox: {
        int count = 0;
        if (!parseCount(text, count))
            break;
        auto *combo = static_cast<QComboBox *>(o);
        combo->clear();
        for (int k = 1; k <= count; ++k)
            combo->addItem(textFor(id, k, offset));
        break;
    }
    default: break;
    }
}

void translateChildren(QObject *parent, uint16_t offset)
{
    for (QObject *child : parent->children()) {
        // A separate window (a dialog or the wait notice owned by this one)
        // is not part of this window; menus are windows to Qt but belong to
        // the menu bar.
        auto *w = qobject_cast<QWidget *>(child);
        if (w && w->isWindow() && !qobject_cast<QMenu *>(w))
            continue;
        if (const uint16_t id = componentStringId(child))
            translateComponent(child, id, offset);
        translateChildren(child, offset);
    }
}

} // namespace

void TranslateForm(QWidget *form, uint16_t offset)
{
    if (!form)
        return;
    const int64_t formTag = componentTag(form);
    if (formTag > 0)
        form->setWindowTitle(textFor(uint16_t(formTag & 0xFFFF), 0, offset));
    translateChildren(form, offset);
}
