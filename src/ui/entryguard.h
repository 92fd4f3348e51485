// How the entry fields of the windows take input and show their state.
//
// Nothing changes by accident: a drop-down list or a spin field takes the
// mouse wheel only when it already has the focus (a wheel turned over it
// while the technician types elsewhere neither focuses nor changes it), and
// a masked field entered by mouse or Tab has its whole text selected, so that
// typing replaces the number instead of overwriting digits in place.
//
// And a field's state is visible: locked fields are silver with their value
// still readable; a field holding an edit not yet written is tinted with the
// platform's highlight colour until it is written or discarded.
#ifndef PXRQ60_UI_ENTRYGUARD_H
#define PXRQ60_UI_ENTRYGUARD_H

class QWidget;

// Applies the input rules to every drop-down list, spin field and masked
// field below `root` (the fields present now).
void installEntryGuard(QWidget *root);

// The look of an entry field from its two states; each call keeps the other.
void setEntryLocked(QWidget *field, bool locked);
void setEntryChanged(QWidget *field, bool changed);
bool entryChanged(const QWidget *field);

#endif
