#include "messageboxpresenter.h"

#include <QApplication>

QMessageBox::Icon QMessageBoxPresenter::iconFor(uint16_t flags)
{
    // Only the error flag carries an icon: a question (flag 4) is asked
    // plainly, as the program has always asked its closing questions.
    if (flags & MbIconError)
        return QMessageBox::Critical;
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QMessageBoxPresenter::buttonsFor(uint16_t flags)
{
    if (flags & MbYesNo)
        return QMessageBox::Yes | QMessageBox::No;
    return QMessageBox::Ok;
}

int QMessageBoxPresenter::resultFor(QMessageBox::StandardButton pressed)
{
    switch (pressed) {
    case QMessageBox::Yes: return IdYes;
    case QMessageBox::No: return IdNo;
    default: return IdOk;
    }
}

int QMessageBoxPresenter::present(const MessageRequest &request)
{
    QMessageBox box(iconFor(request.flags), request.caption, request.text,
                    buttonsFor(request.flags), QApplication::activeWindow());
    // Texts and their arguments (a device value, a path) are shown as they
    // stand; QMessageBox would take "<leer>" for markup and drop it.
    box.setTextFormat(Qt::PlainText);
    if (!request.details.isEmpty())
        box.setDetailedText(request.details);
    if (request.flags & MbYesNo) {
        box.setDefaultButton((request.flags & MbDefaultNo) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    // A question closed with the title bar's close box must not count as
    // Yes; exec() then reports the escape button.
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    if (pressed == QMessageBox::NoButton)
        return (request.flags & MbYesNo) ? IdNo : IdOk;
    return resultFor(pressed);
}
