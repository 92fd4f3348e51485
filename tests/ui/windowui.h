// The main window's widgets by name in one place: the window's own and
// those of its five notebook pages, each of which has a design of its own.
// `WindowUi ui(window); ui->P4` reaches P4 wherever it lives.
#ifndef PXRQ60_TESTS_WINDOWUI_H
#define PXRQ60_TESTS_WINDOWUI_H

#include "pagearchive.h"
#include "pagecalibration.h"
#include "pageconversion.h"
#include "pagecounters.h"
#include "pageinformation.h"
#include "rq60main.h"
#include "ui_pagearchive.h"
#include "ui_pagecalibration.h"
#include "ui_pageconversion.h"
#include "ui_pagecounters.h"
#include "ui_pageinformation.h"
#include "ui_rq60main.h"

struct WindowUi : Ui::TFormRQ60Main,
                  Ui::TPageInformation,
                  Ui::TPageConversion,
                  Ui::TPageCounters,
                  Ui::TPageArchive,
                  Ui::TPageCalibration {
    explicit WindowUi(const ::TFormRQ60Main &w)
    {
        static_cast<Ui::TFormRQ60Main &>(*this) = *w.ui();
        static_cast<Ui::TPageInformation &>(*this) = *w.informationPage()->ui();
        static_cast<Ui::TPageConversion &>(*this) = *w.conversionPage()->ui();
        static_cast<Ui::TPageCounters &>(*this) = *w.countersPage()->ui();
        static_cast<Ui::TPageArchive &>(*this) = *w.archivePage()->ui();
        static_cast<Ui::TPageCalibration &>(*this) = *w.calibrationPage()->ui();
    }
    const WindowUi *operator->() const { return this; }
};

#endif
