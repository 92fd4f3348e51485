// The message presenter of the program: every box of the language module
// becomes a modal QMessageBox over the active window.
#ifndef PXRQ60_LANG_WIDGETS_MESSAGEBOXPRESENTER_H
#define PXRQ60_LANG_WIDGETS_MESSAGEBOXPRESENTER_H

#include "langsupp.h"

#include <QMessageBox>

class QMessageBoxPresenter : public MessagePresenter
{
public:
    // Flags 0: OK, no icon. 4: Yes and No with the question icon (Escape
    // answers No; Enter answers Yes, or No with 256 added). 16: OK with the
    // critical icon. The result is 1 for OK,
    // 6 for Yes, 7 for No.
    int present(const MessageRequest &request) override;

    // What a box for `flags` looks like, for the presenter and its tests.
    static QMessageBox::Icon iconFor(uint16_t flags);
    static QMessageBox::StandardButtons buttonsFor(uint16_t flags);
    static int resultFor(QMessageBox::StandardButton pressed);
};

#endif
