#pragma once

#include <QString>

class QFont;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QRectF;
class QTextEdit;

// Margins in twips (1440 to the inch), measured from the edge of the paper.
struct PrintMargins
{
    int left = 1440;
    int top = 1440;
    int right = 1440;
    int bottom = 1440;
};

// The page layout of every printed or saved report: paints text page by page on device, with
// painter active on it and its origin at the paper's top left corner; dpi is the device's
// resolution and paper its whole sheet in device pixels. Long lines wrap at the right margin; a
// page ends before the first line that does not fit, so no line is ever split. An empty text
// leaves one blank page. Returns false when the margins leave no room or a page cannot start.
bool PaintTextPages(QPainter& painter, QPagedPaintDevice& device, int dpi, const QRectF& paper,
                    const QString& text, const QFont& font, const PrintMargins& margins);

// Prints text as one job on printer, in font, page by page between the margins. Long lines
// wrap at the right margin; a page ends before the first line that does not fit, so no line is
// ever split. An empty text prints one blank page. Returns false when the job failed; it is then
// abandoned.
bool PrintTextPages(QPrinter& printer, const QString& text, const QFont& font,
                    const PrintMargins& margins);

// Prints the whole contents of box, in its font, as one job on the current printer. Reports
// nothing to the user: a failure ends this job only, and returns false.
bool PrintRichText(const QTextEdit* box, int leftMargin, int topMargin, int rightMargin,
                   int bottomMargin);
