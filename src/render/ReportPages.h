#pragma once

#include <QFont>
#include <QString>

class QPagedPaintDevice;
class QPainter;
class QRectF;

// Margins in twips (1440 to the inch), measured from the edge of the paper.
struct PrintMargins
{
    int left = 1440;
    int top = 1440;
    int right = 1440;
    int bottom = 1440;
};

// The report's font: "Courier" 12 points, fixed pitch.
QFont ReportFont();

// The page layout of every printed or saved report: paints text page by page on device, with
// painter active on it and its origin at the paper's top left corner; dpi is the device's
// resolution and paper its whole sheet in device pixels. Long lines wrap at the right margin; a
// page ends before the first line that does not fit, so no line is ever split. An empty text
// leaves one blank page. Returns false when the margins leave no room or a page cannot start.
bool PaintTextPages(QPainter& painter, QPagedPaintDevice& device, int dpi, const QRectF& paper,
                    const QString& text, const QFont& font, const PrintMargins& margins);
