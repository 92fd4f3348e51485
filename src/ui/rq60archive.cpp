// The archive page: the listing in its two grids, the export into TEMP
// files, the menu command that reads and exports in one go, and printing
// the window. The rules (entries, lines, file numbers) are the archive
// layer's; this file shows their results and the messages.
#include "rq60main.h"

#include "archiveentry.h"
#include "devicevalues.h"
#include "dsmodul.h"
#include "exportfile.h"
#include "exportlines.h"
#include "helpers.h"
#include "inisettings.h"
#include "langsupp.h"
#include "printing.h"
#include "ui_rq60main.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QTableWidget>

namespace {

constexpr int ArchivePage = 3;

// Every cell exists from the start and only its text changes: a listing
// never removes what an earlier one showed in rows it does not reach.
void setupGrid(QTableWidget *grid, bool fixedTopRow)
{
    const QBrush fixed = grid->palette().button();
    for (int row = 0; row < grid->rowCount(); ++row) {
        grid->setRowHeight(row, 24);
        for (int column = 0; column < grid->columnCount(); ++column) {
            auto *item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            // Titles and dates are the grids' fixed cells, drawn like
            // buttons as the headings of the rows.
            if (column == 0 || (fixedTopRow && row == 0))
                item->setBackground(fixed);
            grid->setItem(row, column, item);
        }
    }
    for (int column = 0; column < grid->columnCount(); ++column)
        grid->setColumnWidth(column, 150);
}

void setCell(QTableWidget *grid, int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = grid->item(row, column))
        item->setText(text);
}

// The name of a value the file needs as a number: its address, or the DS
// record and field it came from.
QString valueName(const ExportValueError &e)
{
    if (!e.address.isEmpty())
        return e.address;
    return langFormatId(1413, {e.recordKind, QString(e.command)});
}

} // namespace

void TFormRQ60Main::connectArchive()
{
    setupGrid(m_ui->ArchivData1, true);
    setupGrid(m_ui->ArchivData2, false);
    connect(m_ui->btCreateTempFile, &QPushButton::clicked, this,
            &TFormRQ60Main::btCreateTempFileClick);
    connect(m_ui->acReadArchivData, &QAction::triggered, this,
            &TFormRQ60Main::acReadArchivDataExecute);
    connect(m_ui->mn11Print, &QAction::triggered, this, &TFormRQ60Main::mn11PrintClick);
    connect(m_ui->mn12PrinterSetup, &QAction::triggered, this,
            &TFormRQ60Main::mn12PrinterSetupClick);
}

void TFormRQ60Main::DispArchiv()
{
    setCell(m_ui->ArchivData1, 0, 0, langText(1401));
    setCell(m_ui->ArchivData1, 0, 1, langText(1402));
    for (const ArchiveCell &c : archiveListing(generation(), DeviceValues, DSData01.Field[11])) {
        QTableWidget *grid = c.grid == 1 ? m_ui->ArchivData1 : m_ui->ArchivData2;
        setCell(grid, c.row, 0, c.entry.date);
        setCell(grid, c.row, 1, c.entry.value);
    }
}

void TFormRQ60Main::acReadArchivDataExecute()
{
    if (m_ui->TabbedNotebook1->currentIndex() != ArchivePage) {
        // The page switch reads and lists the archive.
        m_ui->TabbedNotebook1->setCurrentIndex(ArchivePage);
        // Pending changes written on the way keep the page just left; its
        // archive was not read, and an export now would write an old one.
        if (m_ui->TabbedNotebook1->currentIndex() != ArchivePage)
            return;
    }
    btCreateTempFileClick();
}

void TFormRQ60Main::btCreateTempFileClick()
{
    showWaitNotice(545);
    // Every box closes the notice first (the window's message hook).
    const auto closeNotice = qScopeGuard([this] { closeWaitNotice(); });
    const TUserOptions &options = IniSettings.UserOptions;
    const QString menu = RemoveChars(m_ui->mn2Einstellungen->title(), QStringLiteral("&"));
    const QString item = RemoveChars(m_ui->mn22UserOpt->text(), QStringLiteral("&"));

    const std::optional<int> start = exportStartNumber(options.TempFileNo);
    if (!start) {
        LangMessageBoxArgs(1410, {options.TempFileNo, menu, item}, 500, MbOk);
        return;
    }
    const Generation gen = generation();
    int passes = 2;
    if (gen == Generation::V2x) {
        const int32_t status =
            ReadValues(QStringLiteral("L18, L7, L8, L34, H2, H6, H8, L4, P4, L123, L124, L12"));
        try {
            DisplayValues(QStringLiteral("L18, L7, L8, L34, H6, L4, P4, L123, L124, H7, L12"));
        } catch (const ConversionError &e) {
            // Only the window's fields are concerned; the file takes the
            // texts as the device gave them.
            LangErrorBox(e.message());
        }
        if (status != 0) {
            LangMessageBox(539, 500, MbOk);
            return;
        }
        passes = 1;
    }

    const ExportClock now = [] { return QDateTime::currentDateTime(); };
    bool failed = false;
    for (int pass = 0; pass < passes; ++pass) {
        const ExportLines lines = gen == Generation::V2x
                                      ? ListRQV2xData(DeviceValues, options.Reader, now)
                                      : ListRQV1xData(DeviceValues, pass == 0 ? DSData00 : DSData01,
                                                      pass, options.Reader, now);
        if (lines.error) {
            failed = true;
            const uint16_t id = lines.error->kind == ExportValueError::NotPositive ? 1411 : 1412;
            LangMessageBoxArgs(id, {valueName(*lines.error), lines.error->text}, 500, MbOk);
            continue;
        }
        const ExportFileResult file =
            writeExportFile(options.TempFilePath, *start, exportFileBytes(lines.lines));
        if (file.status == ExportFileResult::Written)
            continue;
        failed = true;
        if (file.status == ExportFileResult::CreateFailed)
            LangMessageBoxArgs(538, {file.fileName, menu, item}, 500, MbOk);
        else
            LangMessageBoxArgs(537, {file.fileName}, 500, MbOk);
    }
    if (!failed)
        LangMessageBox(536, 501, MbOk);
}

void TFormRQ60Main::mn12PrinterSetupClick()
{
    QPageSetupDialog dialog(programPrinter(), this);
    dialog.exec();
}

void TFormRQ60Main::mn11PrintClick()
{
    QPrintDialog dialog(programPrinter(), this);
    // Closing the dialog any other way than with "Print" prints nothing.
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPrinter *printer = programPrinter();
    if (!printWidgetImage(this, printer)) {
        const QString target = printer->outputFileName().isEmpty() ? printer->printerName()
                                                                   : printer->outputFileName();
        LangMessageBoxArgs(1414, {target}, 500, MbOk);
    }
}
