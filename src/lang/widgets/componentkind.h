// Which kind of window component a Qt object stands for.
//
// The windows were designed with a classic set of components (labels, speed
// buttons, masked edits, radio groups, ...). Qt has no one-to-one match for
// several of them, so this is the one place that decides, for every object
// of a window, which designed kind it plays:
//
//   kind             Qt object
//   menu item        QAction (menu entry) or QMenu (menu title)
//   label            QLabel
//   button           QPushButton, unless it is a speed button
//   speed button     QToolButton, or any QAbstractButton with the dynamic
//                    property kind = "speedbutton" (a latching speed button
//                    is a checkable QPushButton with that property)
//   check box        QCheckBox
//   radio button     QRadioButton
//   group box        QGroupBox, unless it is a radio group
//   tabbed notebook  QTabWidget
//   tab set          QTabBar, unless it is a tab control
//   tab control      QTabBar with kind = "tabcontrol"
//   radio group      QGroupBox with kind = "radiogroup"; its items are the
//                    QRadioButtons inside it, in child order, without Tags
//   masked edit      QLineEdit with an input mask or a design template in the
//                    dynamic property "editMask"
//   single-line edit any other QLineEdit
//   combo box        QComboBox (a drop-down list is a non-editable one)
//   spin field       QSpinBox
//   memo             QPlainTextEdit
//   string grid      QTableWidget
//
// The kinds are tested in the order of the enum; the first match wins, and a
// class derived from a listed one counts as that one. Window translation
// relies on that order.
#ifndef PXRQ60_LANG_WIDGETS_COMPONENTKIND_H
#define PXRQ60_LANG_WIDGETS_COMPONENTKIND_H

#include <cstdint>

class QObject;

enum class ComponentKind {
    MenuItem,
    Label,
    Button,
    SpeedButton,
    CheckBox,
    RadioButton,
    GroupBox,
    TabbedNotebook,
    TabSet,
    TabControl,
    RadioGroup,
    MaskEdit,
    Edit,
    ComboBox,
    SpinEdit,
    Memo,
    StringGrid,
    Other
};

ComponentKind componentKind(const QObject *object);

// The component's Tag: the dynamic property "Tag" (0 when it has none).
// Bits 0 to 15 hold its string ID, bit 16 the unsaved-change mark, bits 17
// and 18 the lock class of a main-window field.
int64_t componentTag(const QObject *object);
void setComponentTag(QObject *object, int64_t tag);
uint16_t componentStringId(const QObject *object);

#endif
