#pragma once

#include <QLabel>
#include <QStaticText>

// The strip under the buttons that shows an employee's last punch: a label of plain text in a
// sunken panel. It paints a prepared text and filled edges itself, since it is painted on every
// punch before the rest of the window; it looks as the label would.
class LastActionStrip : public QLabel
{
    Q_OBJECT
public:
    explicit LastActionStrip(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where the text's top-left corner goes, as the label would place it.
    QPointF textOrigin() const;

    QStaticText m_text;
};
