// The wait notice: a small window without title-bar buttons, always on top,
// shown over the main window while long device reads block the program.
//
// Callers set the two program-wide texts and show the notice; whenever it
// paints it takes its caption and its message from them.
#ifndef PXRQ60_UI_MELDUNG_H
#define PXRQ60_UI_MELDUNG_H

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TFormMeldung;
}

extern QString MeldungCaption;
extern QString MeldungText;

class TFormMeldung : public QDialog
{
    Q_OBJECT

public:
    explicit TFormMeldung(QWidget *parent = nullptr);
    ~TFormMeldung() override;

    // Shows the notice centred over `over` and paints it once, so that it is
    // on screen before the caller blocks in a device read.
    void showOver(QWidget *over);
    QString labelText() const;

protected:
    void paintEvent(QPaintEvent *event) override; // FormPaint

private:
    void takeTexts();
    std::unique_ptr<Ui::TFormMeldung> m_ui;
};

// The program's notice, created hidden at start; nullptr before that.
extern TFormMeldung *FormMeldung;

#endif
