// The program's printer and the printing of a window's image.
//
// One printer for the whole program, as the page setup dialog leaves it:
// the choice of printer, paper and margins holds until the program ends.
// Where no printer is installed, Qt's print dialog still offers printing
// to a PDF file.
#ifndef PXRQ60_UI_PRINTING_H
#define PXRQ60_UI_PRINTING_H

class QPrinter;
class QWidget;

// Created on first use, released when the application object goes.
QPrinter *programPrinter();

// Prints what `widget` shows now as one bitmap on one page, scaled to the
// largest size that fits the page's printable area with its aspect ratio
// kept. False when the printer could not be started.
bool printWidgetImage(QWidget *widget, QPrinter *printer);

#endif
