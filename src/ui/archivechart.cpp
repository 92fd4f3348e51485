#include "archivechart.h"

#include "langsupp.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace {

// Noon, so that a time zone never moves a point to the day before.
qreal chartTime(const QDate &date)
{
    return qreal(QDateTime(date, QTime(12, 0)).toMSecsSinceEpoch());
}

} // namespace

void fillArchiveChart(QChart *chart, const ArchiveSeries &series)
{
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(langText(8640));
    chart->legend()->hide();

    auto *line = new QLineSeries;
    line->setPointsVisible(true);
    line->setPointLabelsVisible(false);
    for (const ArchivePoint &p : series.points)
        line->append(chartTime(p.date), p.value);
    chart->addSeries(line);

    auto *dates = new QDateTimeAxis;
    dates->setFormat(QStringLiteral("MM.yy")); // the archive holds month ends
    dates->setTitleText(langText(1401));
    auto *values = new QValueAxis;
    values->setTitleText(langText(1402));
    values->setLabelFormat(QStringLiteral("%.0f"));
    if (series.points.isEmpty()) {
        const QDate today = QDate::currentDate();
        dates->setRange(QDateTime(today.addMonths(-1), QTime(12, 0)),
                        QDateTime(today, QTime(12, 0)));
        values->setRange(0, 1);
    } else {
        QDate first = series.points.first().date, last = series.points.last().date;
        // A few days either side keep the first and last point off the
        // frame; a single entry gets a month either side.
        const int margin = first == last ? 15 : 6;
        first = first.addDays(-margin);
        last = last.addDays(margin);
        dates->setRange(QDateTime(first, QTime(0, 0)), QDateTime(last, QTime(23, 59)));
        dates->setTickCount(std::min<int>(std::max<int>(int(series.points.size()), 2), 8));
        auto [lo, hi] = std::minmax_element(
            series.points.cbegin(), series.points.cend(),
            [](const ArchivePoint &a, const ArchivePoint &b) { return a.value < b.value; });
        double low = lo->value, high = hi->value;
        const double pad = high > low ? (high - low) * 0.08 : std::max(1.0, high * 0.05);
        values->setRange(std::max(0.0, low - pad), high + pad);
        values->applyNiceNumbers();
    }
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    line->attachAxis(dates);
    line->attachAxis(values);
}

QString archiveChartNote(const ArchiveSeries &series)
{
    if (series.unreadable > 0)
        return langFormatId(8642, {series.unreadable});
    if (series.points.isEmpty())
        return langText(8643);
    return QString();
}

ArchiveChart::ArchiveChart(QWidget *parent)
    : QWidget(parent), m_view(new QChartView(new QChart)), m_note(new QLabel)
{
    setProperty("helpKeyword", QStringLiteral("Archivdiagramm"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(320, 220);
    m_note->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_note);
    setEntries({});
}

QChart *ArchiveChart::chart() const
{
    return m_view->chart();
}

void ArchiveChart::setEntries(const QList<ArchiveEntry> &entries)
{
    m_series = archiveSeries(entries);
    fillArchiveChart(m_view->chart(), m_series);
    const QString note = archiveChartNote(m_series);
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

void paintArchiveChart(QPainter *painter, const QRectF &target, const QList<ArchiveEntry> &entries)
{
    // The chart is laid out at a screen-like size and scaled onto the
    // target, so its fonts keep their proportion on any page.
    const QSizeF size(720, 720 * target.height() / std::max<qreal>(target.width(), 1));
    QGraphicsScene scene;
    auto *chart = new QChart;
    scene.addItem(chart);
    chart->setBackgroundVisible(false);
    chart->setGeometry(QRectF(QPointF(0, 0), size));
    fillArchiveChart(chart, archiveSeries(entries));
    // The chart lays out its axes and title on events that a view's event
    // loop would deliver; nothing shows it here, so they are delivered now.
    QCoreApplication::sendPostedEvents();
    chart->layout()->activate();
    scene.setSceneRect(QRectF(QPointF(0, 0), size));
    scene.render(painter, target, scene.sceneRect());
}
