// Page 2 of the notebook, "&Zählerstände": the counters, their sum H6 and
// the counter reset.
#ifndef PXRQ60_UI_PAGECOUNTERS_H
#define PXRQ60_UI_PAGECOUNTERS_H

#include "notebookpage.h"

#include <memory>

namespace Ui {
class TPageCounters;
}

class TPageCounters : public TNotebookPage
{
    Q_OBJECT

public:
    explicit TPageCounters(QWidget *parent = nullptr);
    ~TPageCounters() override;

    int pageIndex() const override { return 2; }

    // H6 is the device's sum of H2 and H4. Leaving H2 or H4 after an edit
    // shows the new sum and marks H6, so that "Setzen" writes it after them.
    void H2Exit();
    void H4Exit();
    // Asks (540), resets the counters (P48) and reads the page again; the
    // counters then count as zero until the next successful read.
    void btDeleteAllCounterClick();

    Ui::TPageCounters *ui() const { return m_ui.get(); }

protected:
    void connectFields() override;

private:
    std::unique_ptr<Ui::TPageCounters> m_ui;
};

#endif
