// The entry field of a lock key, shared by the key dialogs and the user lock
// dialog: at most 8 digits (blanks are allowed and dropped when the key is
// sent), every character shown as "*", nothing offered to input methods or
// the clipboard, and Enter handled by the dialog instead of pressing its
// default button.
#ifndef PXRQ60_UI_KEYFIELD_H
#define PXRQ60_UI_KEYFIELD_H

#include <functional>

class QLineEdit;

// Makes `field` a key field; `onEnter` runs when Enter or Return is pressed
// in it (the key press goes no further).
void setUpKeyField(QLineEdit *field, std::function<void()> onEnter);
// Empties a key field, its undo history included.
void clearKeyField(QLineEdit *field);
// Paints its background silver, or back to the normal window background.
void setKeyFieldGrey(QLineEdit *field, bool grey);
bool keyFieldGrey(const QLineEdit *field);

#endif
