#pragma once

#include <QPixmap>

class QWidget;

// The report window's pictures, drawn in code.
namespace ReportArt {

// The 54 x 54 background tile: a woven pattern in a few colours of the 16-colour palette.
QPixmap BackgroundTile();
// The 48 x 48 picture beside the report: a payroll sheet.
QPixmap ReportIcon();

} // namespace ReportArt

// Paints the tile repeatedly over the whole form, starting at its top left corner; the form's
// controls lie over it, and it covers the form at any size.
void TileBitmap(QWidget* TheForm, const QPixmap& theBitmap);
