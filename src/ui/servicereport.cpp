#include "servicereport.h"

#include "addresscaptions.h"
#include "archivechart.h"
#include "changelogdialog.h"
#include "helpentry.h"
#include "langsupp.h"
#include "parameterset.h"
#include "printing.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QVBoxLayout>
#include <functional>

namespace {

// The sheet in tenths of a millimetre.
constexpr qreal SheetWidth = 2100, SheetHeight = 2970;
constexpr qreal Left = 180, Right = SheetWidth - 180, Top = 150, Bottom = SheetHeight - 190;
constexpr qreal Width = Right - Left;
constexpr qreal Line = 48; // one line of body text

QFont reportFont(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

const QFont &bodyFont()
{
    static const QFont f = reportFont(30);
    return f;
}

void text(QPainter &p, const QRectF &r, const QString &s,
          int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    const QString shown = QFontMetricsF(p.font()).elidedText(s, Qt::ElideRight, r.width());
    p.drawText(r, flags | Qt::TextSingleLine, shown);
}

// The program's language decides the dates' form, as it decides the texts.
QLocale reportLocale()
{
    const QString language = LoadedLanguage().toLower();
    return language.isEmpty() ? QLocale::system() : QLocale(language);
}

QString dateTimeText(const QDateTime &t)
{
    if (!t.isValid())
        return QString();
    const QDateTime local = t.toLocalTime();
    return reportLocale().toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           local.time().toString(QStringLiteral("HH:mm:ss"));
}

// The device's type and numbers as the window's head shows them: the type
// from its first blank on, the numbers without leading zeros.
QString deviceTypeText(const QString &l33)
{
    const int blank = l33.indexOf(QLatin1Char(' '));
    return blank < 0 ? QString() : l33.mid(blank).trimmed();
}

QString numberText(const QString &number)
{
    return shownValue(QStringLiteral("L18"), number, Generation::V2x);
}

QString label(uint16_t id)
{
    QString s = langText(id).trimmed();
    if (!s.endsWith(QLatin1Char(':')))
        s += QLatin1Char(':');
    return s;
}

struct Block {
    qreal height = Line;
    bool keepWithNext = false; // a heading stays with its first line
    std::function<void(QPainter &, qreal y)> paint;
};

Block heading(const QString &title)
{
    return {100, true, [title](QPainter &p, qreal y) {
                p.setFont(reportFont(40, true));
                text(p, QRectF(Left, y + 25, Width, 55), title);
                p.setPen(QPen(Qt::black, 3));
                p.drawLine(QPointF(Left, y + 88), QPointF(Right, y + 88));
            }};
}

Block title(const ServiceReportData &d)
{
    return {150, false, [d](QPainter &p, qreal y) {
                p.setFont(reportFont(70, true));
                text(p, QRectF(Left, y, Width * 0.6, 100), langText(8600));
                p.setFont(bodyFont());
                text(p, QRectF(Left + Width * 0.5, y, Width * 0.5, 100),
                     label(8603) + QLatin1Char(' ') + dateTimeText(d.created),
                     Qt::AlignRight | Qt::AlignVCenter);
            }};
}

QList<Block> identification(const ServiceReportData &d)
{
    const QList<std::pair<uint16_t, QString>> pairs{
        {1000, deviceTypeText(d.device.type)},       {1001, d.device.softwareVersion},
        {1002, numberText(d.device.number)},         {1003, numberText(d.device.meterNumber)},
        {1004, numberText(d.device.customerNumber)}, {8602, d.reader},
        {8604, dateTimeText(d.connectedAt)},         {0, QString()}};
    QList<Block> blocks;
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        const auto a = pairs.at(i), b = pairs.at(i + 1);
        blocks << Block{Line, false, [a, b](QPainter &p, qreal y) {
                            const qreal half = Width / 2;
                            for (int k = 0; k < 2; ++k) {
                                const auto &pair = k == 0 ? a : b;
                                if (pair.first == 0)
                                    continue; // an empty cell
                                const qreal x = Left + k * half;
                                p.setFont(bodyFont());
                                text(p, QRectF(x, y, 330, Line), label(pair.first));
                                p.setFont(reportFont(30, true));
                                text(p, QRectF(x + 340, y, half - 360, Line), pair.second);
                            }
                        }};
    }
    return blocks;
}

QList<Block> valuesAtConnect(const ServiceReportData &d)
{
    QList<Block> blocks;
    blocks << heading(langText(8605));
    const QList<ReportValue> &v = d.valuesAtConnect;
    const int rows = int((v.size() + 1) / 2);
    for (int r = 0; r < rows; ++r) {
        // Two columns, read down the left one first.
        QList<ReportValue> row{v.at(r)};
        if (r + rows < v.size())
            row << v.at(r + rows);
        blocks << Block{
            42, false, [row](QPainter &p, qreal y) {
                const qreal half = Width / 2;
                p.setFont(reportFont(27));
                for (int k = 0; k < row.size(); ++k) {
                    const ReportValue &value = row.at(k);
                    const qreal x = Left + k * half;
                    const QString shown =
                        isKeyAddress(value.address) ? QString::fromLatin1(MaskedKey) : value.text;
                    text(p, QRectF(x, y, 110, 42), value.address);
                    text(p, QRectF(x + 115, y, half - 390, 42), addressCaption(value.address));
                    text(p, QRectF(x + half - 265, y, 235, 42), shown);
                }
            }};
    }
    return blocks;
}

// Columns of the change list: time, address, name, old -> new, result.
const qreal changeColumns[] = {0, 150, 290, 800, 1250, Width};

void changeCells(QPainter &p, qreal y, const QStringList &cells)
{
    for (int c = 0; c < cells.size(); ++c)
        text(p,
             QRectF(Left + changeColumns[c], y, changeColumns[c + 1] - changeColumns[c] - 15, 42),
             cells.at(c));
}

// Which changes a list of at most `limit` shows, in their order: every
// write whose result is not a confirmation first (those are what the
// customer and the next technician must know of), then the confirmed ones,
// oldest first.
QList<int> listedChanges(const QList<ChangeLogEntry> &changes, int limit)
{
    QList<int> doubtful, confirmed;
    for (int i = 0; i < changes.size(); ++i) {
        const ChangeLogEntry &e = changes.at(i);
        const bool sure =
            !e.interrupted() && changeResultOf(e.last().status) == ChangeResult::Confirmed;
        (sure ? confirmed : doubtful) << i;
    }
    QList<int> shown = doubtful.mid(0, limit);
    shown += confirmed.mid(0, std::max(0, limit - int(shown.size())));
    std::sort(shown.begin(), shown.end());
    return shown;
}

QList<Block> changes(const ServiceReportData &d, const QList<int> &listed)
{
    QList<Block> blocks;
    blocks << heading(langText(8606));
    if (d.changes.isEmpty()) {
        blocks << Block{Line, false, [](QPainter &p, qreal y) {
                            p.setFont(bodyFont());
                            text(p, QRectF(Left, y, Width, Line), langText(8607));
                        }};
        return blocks;
    }
    blocks.last().keepWithNext = true;
    blocks << Block{44, true, [](QPainter &p, qreal y) {
                        p.setFont(reportFont(26, true));
                        changeCells(p, y,
                                    {langText(8510), langText(8513), langText(8514), langText(8628),
                                     langText(8518)});
                    }};
    for (const int i : listed) {
        const ChangeLogEntry e = d.changes.at(i);
        blocks << Block{
            42, false, [e](QPainter &p, qreal y) {
                const ChangeRecord &r = e.first();
                // No old value: the address was never read (P48 is a command).
                QString change = (r.oldValue.isEmpty() ? QStringLiteral("–") : r.oldValue) +
                                 QStringLiteral(" → ") + r.written;
                if (e.outcome && !e.outcome->confirmed.isEmpty() &&
                    e.outcome->confirmed != r.written)
                    change += QStringLiteral(" (") + e.outcome->confirmed + QLatin1Char(')');
                p.setFont(reportFont(27));
                changeCells(p, y,
                            {r.time.toLocalTime().time().toString(QStringLiteral("HH:mm:ss")),
                             r.address, addressCaption(r.address), change,
                             changeEntryResultText(e)});
            }};
    }
    const int rest = int(d.changes.size() - listed.size());
    if (rest > 0)
        blocks << Block{Line, false, [rest](QPainter &p, qreal y) {
                            p.setFont(reportFont(27, true));
                            text(p, QRectF(Left, y, Width, Line), langFormatId(8621, {rest}));
                        }};
    return blocks;
}

QList<Block> calibration(const ReportCalibration &c)
{
    QList<Block> blocks;
    blocks << heading(langText(8608));
    const QList<QStringList> rows{
        {QString(), langText(8609), langText(8610)},
        {langText(8611), c.lowReference, c.lowMeasured},
        {langText(8612), c.highReference, c.highMeasured},
        {langText(8646), c.offsetOld + QStringLiteral(" → ") + c.offsetNew, QString()},
        {langText(8647), c.gradientOld + QStringLiteral(" → ") + c.gradientNew, QString()}};
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList row = rows.at(i);
        const bool head = i == 0;
        blocks << Block{42, head, [row, head](QPainter &p, qreal y) {
                            p.setFont(reportFont(27, head));
                            const qreal x[] = {Left, Left + 400, Left + 800, Left + 1200};
                            for (int k = 0; k < 3; ++k)
                                text(p, QRectF(x[k], y, x[k + 1] - x[k] - 15, 42), row.at(k));
                        }};
    }
    return blocks;
}

QList<Block> archive(const QList<ArchiveEntry> &entries)
{
    QList<Block> blocks;
    blocks << heading(langText(8615));
    const QString note = archiveChartNote(archiveSeries(entries));
    blocks << Block{note.isEmpty() ? 760.0 : 760.0 + Line, false,
                    [entries, note](QPainter &p, qreal y) {
                        paintArchiveChart(&p, QRectF(Left, y + 10, Width, 740), entries);
                        if (!note.isEmpty()) {
                            p.setFont(reportFont(27));
                            text(p, QRectF(Left, y + 760, Width, Line), note);
                        }
                    }};
    return blocks;
}

Block signatures(const ServiceReportData &d)
{
    return {330, false, [d](QPainter &p, qreal y) {
                const qreal w = (Width - 120) / 3;
                const QStringList labels{langText(8617),
                                         langText(8618) + (d.reader.isEmpty()
                                                               ? QString()
                                                               : QStringLiteral(": ") + d.reader),
                                         langText(8619)};
                p.setPen(QPen(Qt::black, 3));
                p.setFont(reportFont(26));
                for (int k = 0; k < 3; ++k) {
                    const qreal x = Left + k * (w + 60);
                    p.drawLine(QPointF(x, y + 230), QPointF(x + w, y + 230));
                    text(p, QRectF(x, y + 240, w, 45), labels.at(k));
                }
            }};
}

QList<Block> blocksFor(const ServiceReportData &d, const QList<int> &listed)
{
    QList<Block> b;
    b << title(d) << identification(d);
    if (!d.valuesAtConnect.isEmpty())
        b << valuesAtConnect(d);
    b << changes(d, listed);
    if (d.calibration)
        b << calibration(*d.calibration);
    if (d.archive)
        b << archive(*d.archive);
    b << heading(langText(8616)) << signatures(d);
    return b;
}

using Placement = QList<QList<std::pair<int, qreal>>>; // per page: block, top

Placement paginate(const QList<Block> &blocks)
{
    Placement pages{{}};
    qreal y = Top;
    for (int i = 0; i < blocks.size(); ++i) {
        qreal need = blocks.at(i).height;
        if (blocks.at(i).keepWithNext && i + 1 < blocks.size())
            need += blocks.at(i + 1).height;
        if (y + need > Bottom && !pages.last().isEmpty()) {
            pages.append(QList<std::pair<int, qreal>>());
            y = Top;
        }
        pages.last().append({i, y});
        y += blocks.at(i).height;
    }
    return pages;
}

void setSheet(QPainter &p)
{
    const QRect device = p.viewport();
    QSize size = QSizeF(SheetWidth, SheetHeight).toSize();
    size.scale(device.size(), Qt::KeepAspectRatio);
    p.setViewport(QRect(device.topLeft(), size));
    p.setWindow(0, 0, int(SheetWidth), int(SheetHeight));
}

} // namespace

struct ServiceReportLayout::Pages {
    ServiceReportData data;
    QList<Block> blocks;
    Placement placement;
    QList<int> listed;
};

ServiceReportLayout::ServiceReportLayout(const ServiceReportData &data)
    : m_pages(std::make_unique<Pages>())
{
    Pages &p = *m_pages;
    p.data = data;
    // All changes when they fit on two pages; else as many as fit, and a
    // line that counts the rest.
    int limit = int(data.changes.size());
    for (;;) {
        p.listed = listedChanges(data.changes, limit);
        p.blocks = blocksFor(p.data, p.listed);
        p.placement = paginate(p.blocks);
        if (p.placement.size() <= 2 || limit == 0)
            break;
        limit = std::max(0, limit - std::max(1, limit / 8));
    }
}

ServiceReportLayout::~ServiceReportLayout() = default;

int ServiceReportLayout::pageCount() const
{
    return int(m_pages->placement.size());
}

QList<int> ServiceReportLayout::changesListed() const
{
    return m_pages->listed;
}

void ServiceReportLayout::paintPage(QPainter &painter, int page) const
{
    const Pages &p = *m_pages;
    if (page < 0 || page >= p.placement.size())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    for (const auto &[index, y] : p.placement.at(page)) {
        painter.save();
        p.blocks.at(index).paint(painter, y);
        painter.restore();
    }
    painter.setFont(reportFont(24));
    text(painter, QRectF(Left, SheetHeight - 120, Width, 45),
         langText(8600) + QStringLiteral(" · ") + label(1002) + QLatin1Char(' ') +
             numberText(p.data.device.number) + QStringLiteral(" · ") +
             langFormatId(8620, {page + 1, pageCount()}),
         Qt::AlignHCenter | Qt::AlignVCenter);
    painter.restore();
}

bool paintServiceReport(QPagedPaintDevice *device, const ServiceReportData &data)
{
    const ServiceReportLayout layout(data);
    QPainter p;
    if (!p.begin(device))
        return false;
    const QRect full = p.viewport();
    for (int page = 0; page < layout.pageCount(); ++page) {
        if (page > 0 && !device->newPage())
            return false;
        p.setViewport(full);
        setSheet(p);
        layout.paintPage(p, page);
    }
    return p.end();
}

bool saveServiceReportPdf(const QString &path, const ServiceReportData &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QPdfWriter pdf(&file);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(600);
        pdf.setTitle(langText(8600) + QLatin1Char(' ') + data.device.number);
        pdf.setCreator(QStringLiteral("PXRQ60"));
        if (!paintServiceReport(&pdf, data)) {
            file.cancelWriting();
            *error = file.errorString();
            return false;
        }
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QList<QImage> serviceReportImages(const ServiceReportData &data, int width)
{
    const ServiceReportLayout layout(data);
    QList<QImage> images;
    const int height = qRound(width * SheetHeight / SheetWidth);
    for (int page = 0; page < layout.pageCount(); ++page) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        setSheet(p);
        layout.paintPage(p, page);
        p.end();
        images << image;
    }
    return images;
}

ServiceReportDialog::ServiceReportDialog(const ServiceReportData &data, QWidget *parent)
    : QDialog(parent), m_data(data), m_pagesLayout(new QVBoxLayout)
{
    setWindowTitle(langText(8600));
    setProperty("helpKeyword", QStringLiteral("Servicebericht"));
    auto *pages = new QWidget;
    pages->setLayout(m_pagesLayout);
    m_pagesLayout->setSpacing(16);
    for (const QImage &image : serviceReportImages(m_data, 760)) {
        auto *sheet = new QLabel;
        sheet->setPixmap(QPixmap::fromImage(image));
        sheet->setFrameShape(QFrame::Box);
        m_pagesLayout->addWidget(sheet, 0, Qt::AlignHCenter);
    }
    auto *scroll = new QScrollArea;
    scroll->setWidget(pages);
    scroll->setWidgetResizable(true);
    scroll->setBackgroundRole(QPalette::Dark);

    auto *buttons = new QDialogButtonBox;
    auto *print = buttons->addButton(langText(8622), QDialogButtonBox::ActionRole);
    auto *pdf = buttons->addButton(langText(8623), QDialogButtonBox::ActionRole);
    auto *help = buttons->addButton(langText(8509), QDialogButtonBox::HelpRole);
    auto *close = buttons->addButton(langText(8508), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    resize(840, 760);

    connect(print, &QPushButton::clicked, this, &ServiceReportDialog::print);
    connect(pdf, &QPushButton::clicked, this, [this] {
        const QString suggested = QDir::home().filePath(
            QStringLiteral("servicebericht-%1-%2.pdf")
                .arg(m_data.device.number, m_data.created.toString(QStringLiteral("yyyy-MM-dd"))));
        const QString path =
            QFileDialog::getSaveFileName(this, langText(8623), suggested, langText(8624));
        if (!path.isEmpty())
            savePdf(path);
    });
    connect(help, &QPushButton::clicked, this,
            [] { showHelpKeyword(QStringLiteral("Servicebericht")); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

int ServiceReportDialog::pageCount() const
{
    return m_pagesLayout->count();
}

void ServiceReportDialog::print()
{
    QPrinter *printer = programPrinter();
    QPrintDialog dialog(printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The report lays out its own margins on the whole sheet.
    printer->setFullPage(true);
    if (!paintServiceReport(printer, m_data))
        LangMessageBoxArgs(1414, {printer->printerName()}, 500, MbIconError);
}

bool ServiceReportDialog::savePdf(const QString &path)
{
    QString error;
    if (!saveServiceReportPdf(path, m_data, &error)) {
        LangMessageBoxArgs(8625, {path, error}, 500, MbIconError);
        return false;
    }
    LangMessageBoxArgs(8626, {path}, 501, MbOk);
    return true;
}
