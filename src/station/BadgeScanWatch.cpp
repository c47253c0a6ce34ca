#include "station/BadgeScanWatch.h"

#include "station/frmForgotOut.h"
#include "station/frmPin.h"
#include "ui/BadgeKeyGate.h"

#include <QApplication>
#include <QWidget>

BadgeScanWatch::BadgeScanWatch(QWidget* mainWindow) : QObject(mainWindow), m_mainWindow(mainWindow)
{
    auto* gate = new BadgeKeyGate(mainWindow, this);
    connect(gate, &BadgeKeyGate::scanned, this, &BadgeScanWatch::scanned);
    connect(gate, &BadgeKeyGate::scannedElsewhere, this, &BadgeScanWatch::scannedOverAWindow);
}

void BadgeScanWatch::scannedOverAWindow(const QString& code)
{
    // A keypad or a question waits for one person; the next person's card closes it and punches.
    QWidget* modal = QApplication::activeModalWidget();
    if (m_mainWindow && !QApplication::activePopupWidget() &&
        (qobject_cast<frmPin*>(modal) || qobject_cast<frmForgotOut*>(modal))) {
        Q_EMIT scanned(code);
        return;
    }
    QApplication::beep();
}
