#pragma once

#include "data/FileStore.h"

#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>

class QPagedPaintDevice;
class QPainter;

// A badge to print: whose it is and its code, which is shown nowhere else.
struct BadgeCard
{
    QString company;
    QString employee;
    QString code;
};

// Cards of the credit-card size (85.6 x 54 mm), two across and five down on a Letter or A4 sheet,
// with cut marks in the margins. Each holds the company, the employee's name, and the code as a
// Code 128 barcode, as a QR code and as text.
inline constexpr int CardsPerSheet = 10;

// How new badges leave the program: printed, or saved as a PDF file to print elsewhere.
enum class CardOutput { Print, Pdf };

// Where each card of a sheet lies, in millimetres from the paper's top left corner.
QList<QRectF> CardPlaces(const QSizeF& paperMm);

// Paints the cards on the device, whose origin is the paper's edge, a new page every ten cards.
// Fails with the reason when a code cannot be encoded or a page cannot be started.
Result<> PaintBadgeCards(QPainter& painter, QPagedPaintDevice& device,
                         const QList<BadgeCard>& cards);

// The cards as a PDF document on the given paper.
Result<QByteArray> BadgeCardsPdf(const QList<BadgeCard>& cards, const QPageSize& paper);
// Old shape, kept for callers outside the core.
IoResult BadgeCardsPdf(const QList<BadgeCard>& cards, const QPageSize& paper, QByteArray* pdf);
