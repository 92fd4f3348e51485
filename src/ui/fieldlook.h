// How an entry field shows its lock: silver when locked, its value still
// readable; the platform's entry background when open.
#ifndef PXRQ60_UI_FIELDLOOK_H
#define PXRQ60_UI_FIELDLOOK_H

class QLineEdit;
class QWidget;

void setEntryLook(QWidget *w, bool unlocked);

// Empties a field as the program does (after a disconnect, on "Verwerfen"):
// with its undo history. QLineEdit::clear() is an edit the field can undo,
// so every disconnect would add to each field's history for as long as the
// program runs, and Ctrl+Z would bring back a value of a device long gone.
void emptyField(QLineEdit *field);

#endif
