// The rules (entries, lines, file numbers) are the archive layer's; this
// page shows their results and the messages.
#include "pagearchive.h"

#include "addresstable.h"
#include "archiveentry.h"
#include "devicesession.h"
#include "exportfile.h"
#include "exportlines.h"
#include "helpers.h"
#include "inisettings.h"
#include "langsupp.h"
#include "ui_pagearchive.h"

#include <QScopeGuard>
#include <QTableWidget>

namespace {

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

TPageArchive::TPageArchive(QWidget *parent)
    : TNotebookPage(parent), m_ui(std::make_unique<Ui::TPageArchive>())
{
    m_ui->setupUi(this);
    setupGrid(m_ui->ArchivData1, true);
    setupGrid(m_ui->ArchivData2, false);
}

TPageArchive::~TPageArchive() = default;

void TPageArchive::connectFields()
{
    connect(m_ui->btCreateTempFile, &QPushButton::clicked, this,
            &TPageArchive::btCreateTempFileClick);
}

int32_t TPageArchive::readAndShow()
{
    host().showWaitNotice(544);
    const int32_t status = host().session().readPage(pageIndex());
    if (host().session().generation() == Generation::V2x)
        host().DisplayValues(pageAddressList(pageIndex(), Generation::V2x));
    else
        DispArchiv();
    host().closeWaitNotice();
    return status;
}

bool TPageArchive::reportsFailedReads(Generation generation) const
{
    return generation == Generation::V1x;
}

int TPageArchive::helpContext(Generation generation) const
{
    return generation == Generation::V2x ? TNotebookPage::helpContext(generation) : 0;
}

void TPageArchive::DispArchiv()
{
    setCell(m_ui->ArchivData1, 0, 0, langText(1401));
    setCell(m_ui->ArchivData1, 0, 1, langText(1402));
    for (const ArchiveCell &c : host().session().archiveListing()) {
        QTableWidget *grid = c.grid == 1 ? m_ui->ArchivData1 : m_ui->ArchivData2;
        setCell(grid, c.row, 0, c.entry.date);
        setCell(grid, c.row, 1, c.entry.value);
    }
}

void TPageArchive::btCreateTempFileClick()
{
    host().showWaitNotice(545);
    // Every box closes the notice first (the window's message hook).
    const auto closeNotice = qScopeGuard([this] { host().closeWaitNotice(); });
    const TUserOptions &options = IniSettings.UserOptions;
    const QStringList path = host().userOptionsMenuPath();
    const QString menu = path.value(0);
    const QString item = path.value(1);

    const std::optional<int> start = exportStartNumber(options.TempFileNo);
    if (!start) {
        LangMessageBoxArgs(1410, {options.TempFileNo, menu, item}, 500, MbOk);
        return;
    }
    DeviceSession &session = host().session();
    const Generation gen = session.generation();
    int passes = 2;
    if (gen == Generation::V2x) {
        const int32_t status = session.readValues(
            QStringLiteral("L18, L7, L8, L34, H2, H6, H8, L4, P4, L123, L124, L12"));
        try {
            host().DisplayValues(
                QStringLiteral("L18, L7, L8, L34, H6, L4, P4, L123, L124, H7, L12"));
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
        const ExportLines lines =
            gen == Generation::V2x
                ? ListRQV2xData(session.values(), options.Reader, now)
                : ListRQV1xData(session.values(),
                                pass == 0 ? session.dsData00() : session.dsData01(), pass,
                                options.Reader, now);
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
