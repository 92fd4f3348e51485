// Page 4 of the notebook, "Temp. (&T)-Justierung": the two-point
// calibration of the temperature input. The arithmetic is the device
// layer's (calibration.h); the new offset and gradient are written like any
// other edit, by "Setzen".
#ifndef PXRQ60_UI_PAGECALIBRATION_H
#define PXRQ60_UI_PAGECALIBRATION_H

#include "calibration.h"
#include "notebookpage.h"

#include <memory>

namespace Ui {
class TPageCalibration;
}

class TPageCalibration : public TNotebookPage
{
    Q_OBJECT

public:
    explicit TPageCalibration(QWidget *parent = nullptr);
    ~TPageCalibration() override;

    int pageIndex() const override { return 4; }
    // The reference temperatures as last checked or written, then P147 and
    // P148 read; the calculation waits for two new readings.
    int32_t readAndShow() override;

    // Reads and shows the temperature the device measures at `point`, then
    // decides whether the calculation may run.
    void ReadTemp(TempPoint point);
    void btReadLowerTempClick();
    void btReadUpperTempClick();
    void btCalcOffsetAndGradientClick();
    // The calculation fills the new offset and gradient from code; they are
    // changes to write all the same.
    void P147neuChange();
    void P148neuChange();

    // Two different measured temperatures are read: the calculation may run.
    bool twoPointsRead() const { return m_twoPointsRead; }
    void forgetMeasuredPoints() { m_twoPointsRead = false; }
    // "Verwerfen" empties the new offset and gradient.
    void clearNewValues();

    Ui::TPageCalibration *ui() const { return m_ui.get(); }

protected:
    void connectFields() override;

private:
    std::unique_ptr<Ui::TPageCalibration> m_ui;
    bool m_twoPointsRead = false;
};

#endif
