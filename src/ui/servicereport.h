// "Programm > Servicebericht ...": the report of one visit on one or two
// A4 pages, in the program's language: the device's identification, the
// reader, date and time, the values read at connect, every change of this
// connection (old -> new, from the change log), the calibration points when
// the device was calibrated, the archive as a chart when it was read, and
// lines for the signatures.
//
// The pages are laid out in tenths of a millimetre on the A4 sheet, so the
// preview, the printer and the PDF file show the same pages. Changes that
// would need a third page are summed up in one line that points to the
// change log; the writes that were not confirmed are always among those
// listed.
#ifndef PXRQ60_UI_SERVICEREPORT_H
#define PXRQ60_UI_SERVICEREPORT_H

#include "servicereportdata.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <memory>

class QPainter;
class QPagedPaintDevice;
class QPrinter;
class QScrollArea;
class QVBoxLayout;

class ServiceReportLayout
{
public:
    explicit ServiceReportLayout(const ServiceReportData &data);
    ~ServiceReportLayout();
    ServiceReportLayout(const ServiceReportLayout &) = delete;
    ServiceReportLayout &operator=(const ServiceReportLayout &) = delete;

    int pageCount() const;
    // The changes the pages list (indices into ServiceReportData::changes);
    // the rest is summed up in one line. Writes whose result is not a
    // confirmation are listed before any confirmed one is.
    QList<int> changesListed() const;
    // Paints page `page` (from 0) on `painter`, whose window must be the
    // A4 sheet in tenths of a millimetre (2100 x 2970).
    void paintPage(QPainter &painter, int page) const;

private:
    struct Pages;
    std::unique_ptr<Pages> m_pages;
};

// Paints every page on a paged device (a printer, a PDF writer) set to A4
// with no margins of its own. False when the device did not start.
bool paintServiceReport(QPagedPaintDevice *device, const ServiceReportData &data);
// The PDF file, whole or not at all. False with the system's words.
bool saveServiceReportPdf(const QString &path, const ServiceReportData &data, QString *error);
// The pages as images `width` pixels wide (the preview).
QList<QImage> serviceReportImages(const ServiceReportData &data, int width);

// The report on screen with "Drucken ..." (the print dialog) and "Als PDF
// speichern ...".
class ServiceReportDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ServiceReportDialog(const ServiceReportData &data, QWidget *parent = nullptr);

    void print();
    // Saves the PDF and says where; false after telling why not.
    bool savePdf(const QString &path);
    int pageCount() const;

private:
    ServiceReportData m_data;
    QVBoxLayout *m_pagesLayout;
};

#endif
