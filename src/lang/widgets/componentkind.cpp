#include "componentkind.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <iterator>

namespace {

bool hasKind(const QObject *o, const char *kind)
{
    return o->property("kind").toString() == QLatin1String(kind);
}

template <class T> bool is(const QObject *o)
{
    return qobject_cast<const T *>(o) != nullptr;
}

bool isSpeedButton(const QObject *o)
{
    return is<QToolButton>(o) || (is<QAbstractButton>(o) && hasKind(o, "speedbutton"));
}

bool isMaskEdit(const QObject *o)
{
    const auto *e = qobject_cast<const QLineEdit *>(o);
    return e && (!e->inputMask().isEmpty() || !o->property("editMask").toString().isEmpty());
}

struct KindRule {
    ComponentKind kind;
    bool (*matches)(const QObject *);
};

// The order of this table is the order of the kind tests.
const KindRule kindRules[] = {
    {ComponentKind::MenuItem, [](const QObject *o) { return is<QAction>(o) || is<QMenu>(o); }},
    {ComponentKind::Label, is<QLabel>},
    {ComponentKind::Button,
     [](const QObject *o) { return is<QPushButton>(o) && !isSpeedButton(o); }},
    {ComponentKind::SpeedButton, isSpeedButton},
    {ComponentKind::CheckBox, is<QCheckBox>},
    {ComponentKind::RadioButton, is<QRadioButton>},
    {ComponentKind::GroupBox,
     [](const QObject *o) { return is<QGroupBox>(o) && !hasKind(o, "radiogroup"); }},
    {ComponentKind::TabbedNotebook, is<QTabWidget>},
    {ComponentKind::TabSet,
     [](const QObject *o) { return is<QTabBar>(o) && !hasKind(o, "tabcontrol"); }},
    {ComponentKind::TabControl,
     [](const QObject *o) { return is<QTabBar>(o) && hasKind(o, "tabcontrol"); }},
    {ComponentKind::RadioGroup,
     [](const QObject *o) { return is<QGroupBox>(o) && hasKind(o, "radiogroup"); }},
    {ComponentKind::MaskEdit, isMaskEdit},
    {ComponentKind::Edit, is<QLineEdit>},
    {ComponentKind::ComboBox, is<QComboBox>},
    {ComponentKind::SpinEdit, is<QSpinBox>},
    {ComponentKind::Memo, is<QPlainTextEdit>},
    {ComponentKind::StringGrid, is<QTableWidget>},
};

} // namespace

ComponentKind componentKind(const QObject *object)
{
    if (!object)
        return ComponentKind::Other;
    for (const KindRule &rule : kindRules) {
        if (rule.matches(object))
            return rule.kind;
    }
    return ComponentKind::Other;
}

int64_t componentTag(const QObject *object)
{
    return object ? object->property("Tag").toLongLong() : 0;
}

void setComponentTag(QObject *object, int64_t tag)
{
    // Stored as int: the designs and the program only ever use bits 0 to 18.
    object->setProperty("Tag", int(tag));
}

uint16_t componentStringId(const QObject *object)
{
    return uint16_t(componentTag(object) & 0xFFFF);
}
