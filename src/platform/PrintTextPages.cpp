#include "platform/PrintTextPages.h"

#include <QPainter>
#include <QPrinter>

bool PrintTextPages(QPrinter& printer, const QString& text, const QFont& font,
                    const PrintMargins& margins)
{
    // Positions are taken from the paper's edge, not from the printable area.
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    if (!PaintTextPages(painter, printer, printer.resolution(),
                        printer.paperRect(QPrinter::DevicePixel), text, font, margins)) {
        printer.abort();
        return false;
    }
    return painter.end() && printer.printerState() != QPrinter::Error;
}
