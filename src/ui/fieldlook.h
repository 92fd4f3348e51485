// How an entry field shows its lock: silver when locked, its value still
// readable; the platform's entry background when open.
#ifndef PXRQ60_UI_FIELDLOOK_H
#define PXRQ60_UI_FIELDLOOK_H

class QWidget;

void setEntryLook(QWidget *w, bool unlocked);

#endif
