// Page 1 of the notebook, "&Umwertung": the conversion parameters, with the
// coupled fields (the number of pulse inputs P37 with the warning count
// P38, the cycle time P14 with its box, the two halves of L27).
#ifndef PXRQ60_UI_PAGECONVERSION_H
#define PXRQ60_UI_PAGECONVERSION_H

#include "notebookpage.h"

#include <memory>

namespace Ui {
class TPageConversion;
}

class TPageConversion : public TNotebookPage
{
    Q_OBJECT

public:
    explicit TPageConversion(QWidget *parent = nullptr);
    ~TPageConversion() override;

    int pageIndex() const override { return 1; }

    // The box belongs to the cycle time: a click on it is a change of P14.
    void P14_1Click();
    // The number of pulse inputs and the warning count choose each other;
    // which of the two addresses are written follows the generation
    // (pulseInputWrites).
    void P37Change();
    void P38Change();

    // P38 with its marker and its labels. Showing P38 never overrides its
    // lock: with the calibration lock closed it is shown locked.
    void setWarningGroupVisible(bool visible);
    bool warningGroupShown() const { return m_warningGroupShown; }
    // The temperature measuring range (L27), which only V2x devices have.
    void setTemperatureRangeVisible(bool visible);

    Ui::TPageConversion *ui() const { return m_ui.get(); }

protected:
    void connectFields() override;

private:
    std::unique_ptr<Ui::TPageConversion> m_ui;
    bool m_inP37Change = false; // P38 is being set by the choice in P37
    bool m_warningGroupShown = false;
};

#endif
