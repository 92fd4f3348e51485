// Edit templates of the masked entry fields.
//
// The designs keep each masked field's template in the notation the windows
// were drawn with, in the dynamic property "editMask", e.g. "!99999999.99;1;_":
// before the first ";" the template ("9" optional digit, "0" required digit,
// "#" digit or sign, a leading "!" for leading blanks, anything else a
// literal), then "1" (literals are part of the text) and the character shown
// for an empty position.
#ifndef PXRQ60_UI_EDITMASK_H
#define PXRQ60_UI_EDITMASK_H

#include <QString>

class QWidget;

// The QLineEdit input mask for a design template: "!99/99/99;1;_" gives
// "00/00/00;_". Literals that mean something to Qt are escaped. An empty
// template gives an empty mask.
QString qtInputMask(const QString &designTemplate);

// The number of characters a template takes in its field (the "!" and the
// part after the first ";" take none).
int templateWidth(const QString &designTemplate);

// Gives every QLineEdit below `window` that carries an "editMask" its Qt
// input mask.
void applyEditMasks(QWidget *window);

#endif
