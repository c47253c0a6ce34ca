#pragma once

#include "render/ReportPages.h"

#include <QString>

class QFont;
class QPrinter;

// Prints text as one job on printer, in font, page by page between the margins. Long lines
// wrap at the right margin; a page ends before the first line that does not fit, so no line is
// ever split. An empty text prints one blank page. Returns false when the job failed; it is then
// abandoned.
bool PrintTextPages(QPrinter& printer, const QString& text, const QFont& font,
                    const PrintMargins& margins);
