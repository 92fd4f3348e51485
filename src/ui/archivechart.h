// The archive as a chart: the value of each listed entry over its date, on
// the archive page beside the two grids and in the service report. Entries
// without a readable date or number are left out, and the chart says how
// many, so a gap is never taken for a month without gas.
#ifndef PXRQ60_UI_ARCHIVECHART_H
#define PXRQ60_UI_ARCHIVECHART_H

#include "archiveentry.h"
#include "archiveseries.h"

#include <QWidget>

class QChart;
class QChartView;
class QLabel;
class QPainter;

class ArchiveChart : public QWidget
{
    Q_OBJECT

public:
    explicit ArchiveChart(QWidget *parent = nullptr);

    // Draws the entries as listed now; called with the grids.
    void setEntries(const QList<ArchiveEntry> &entries);
    const ArchiveSeries &series() const { return m_series; }
    QChart *chart() const;

private:
    QChartView *m_view;
    QLabel *m_note;
    ArchiveSeries m_series;
};

// Fills `chart` (title, axes, one line with its points) from `series`;
// texts in the loaded language.
void fillArchiveChart(QChart *chart, const ArchiveSeries &series);

// The note under a chart: how many entries it leaves out; empty when none.
QString archiveChartNote(const ArchiveSeries &series);

// Draws the chart of `entries` into `target` of `painter`, as vectors (the
// service report's page).
void paintArchiveChart(QPainter *painter, const QRectF &target, const QList<ArchiveEntry> &entries);

#endif
