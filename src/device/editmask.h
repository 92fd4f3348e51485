// Masked entry fields: the design notation of the window ("!99999999.99;1;_")
// turned into a QLineEdit input mask, and the texts that go in and come out.
//
// Design notation: "9" optional digit, "0" required digit, "#" optional digit
// or sign; a leading "!" puts unfilled optional positions in front of the
// digits (leading blanks), otherwise they trail; "/" and ":" stand for the
// date and time separators; any other character is a literal. After the
// first ";" comes "1" (literals are part of the text) and after the second
// the character shown for an empty position.
#ifndef PXRQ60_DEVICE_EDITMASK_H
#define PXRQ60_DEVICE_EDITMASK_H

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

class EditMask
{
public:
    // The date and time separators default to the device's own, so the field
    // shows the date and time in the form the device answers them.
    explicit EditMask(const QString &design, QChar dateSeparator = QLatin1Char('.'),
                      QChar timeSeparator = QLatin1Char(':'));

    QString design() const { return m_design; }
    // For QLineEdit::setInputMask: design "9" becomes Qt "0", design "0"
    // becomes Qt "9", literals are escaped where Qt would read them as mask
    // characters, and the blank character follows the ";".
    QString qtInputMask() const { return m_qtMask; }
    int width() const { return m_positions.size(); }
    bool leadingBlanks() const { return m_leading; }
    QChar blank() const { return m_blank; }

    // Whether a device text can be shown by the field without losing a
    // character: its literals stand where the template has them and every
    // group of digits fits its positions.
    bool fits(const QString &deviceText) const;
    // The text for QLineEdit::setText: the device text placed in the template,
    // unfilled positions given the blank character (in front of the digits of
    // each group with "!", after them otherwise). A text that does not fit is
    // returned unchanged and the line edit keeps what it can.
    QString fieldText(const QString &deviceText) const;
    // The device's form of a field text: blanks (and blank characters) removed.
    QString deviceText(const QString &fieldText) const;

private:
    struct Position {
        QChar kind; // '9', '0', '#' or 'L' for a literal
        QChar literal;
    };
    bool place(const QString &text, QString *out) const;

    QString m_design;
    QString m_qtMask;
    QList<Position> m_positions;
    bool m_leading = false;
    QChar m_blank = QLatin1Char('_');
};

#endif
