#pragma once

#include <QPixmap>
#include <QWidget>

// The main window's client area: a gradient from light blue at the top to light lavender at
// the bottom, under a grey and a white line, behind the transparent labels.
class StationBackground : public QWidget
{
public:
    explicit StationBackground(QWidget* parent = nullptr);

    // Paints the gradient as 130 horizontal lines 100 pixels thick, each over the last.
    static QPixmap PaintBackground(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
};
