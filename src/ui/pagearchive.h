// Page 3 of the notebook, "&Archiv": the archive listed in two grids, read
// whenever the page is chosen, and its export into TEMP files.
#ifndef PXRQ60_UI_PAGEARCHIVE_H
#define PXRQ60_UI_PAGEARCHIVE_H

#include "notebookpage.h"

#include <memory>

namespace Ui {
class TPageArchive;
}

class TPageArchive : public TNotebookPage
{
    Q_OBJECT

public:
    explicit TPageArchive(QWidget *parent = nullptr);
    ~TPageArchive() override;

    int pageIndex() const override { return 3; }
    // Behind the wait notice: V2x reads H201 to H215 like any page, V1x the
    // DS records over the second protocol.
    int32_t readAndShow() override;
    // A V2x device's failed archive reads are not reported.
    bool reportsFailedReads(Generation generation) const override;
    // The archive topic stands for the page of V2x devices only.
    int helpContext(Generation generation) const override;

    // Lists the archive last read in the two grids; rows a readout does not
    // reach keep their text.
    void DispArchiv();
    // Writes the TEMP file(s) of the archive last read: one for V2x (its
    // values read again first), two for V1x.
    void btCreateTempFileClick();

    Ui::TPageArchive *ui() const { return m_ui.get(); }

protected:
    void connectFields() override;

private:
    std::unique_ptr<Ui::TPageArchive> m_ui;
};

#endif
