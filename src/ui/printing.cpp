#include "printing.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QWidget>

namespace {

QPrinter *thePrinter = nullptr;

void releasePrinter()
{
    delete thePrinter;
    thePrinter = nullptr;
}

} // namespace

QPrinter *programPrinter()
{
    if (!thePrinter) {
        thePrinter = new QPrinter(QPrinter::HighResolution);
        // The printer's back end belongs to the application: it must go
        // before the application object does, not at the end of the process.
        qAddPostRoutine(releasePrinter);
    }
    return thePrinter;
}

bool printWidgetImage(QWidget *widget, QPrinter *printer)
{
    QPixmap image = widget->grab();
    // Pixels as they are: the window below maps them onto the page.
    image.setDevicePixelRatio(1.0);
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    return painter.end();
}
