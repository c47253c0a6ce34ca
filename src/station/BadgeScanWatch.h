#pragma once

#include "ui/BadgeKeyGate.h"

#include <QObject>
#include <QPointer>

class QWidget;

// Watches every key the program receives for a badge reader's scan. A scan on the main window or
// on its PIN keypad is handed on by scanned(), after the key's own delivery has ended; a scan
// while another window of the program is open over it only beeps. The keys themselves are never
// taken from their windows, only the Enter that ends a scan.
class BadgeScanWatch : public QObject
{
    Q_OBJECT
public:
    // Watches the application's keys for as long as it lives.
    explicit BadgeScanWatch(QWidget* mainWindow);
    ~BadgeScanWatch() override;

Q_SIGNALS:
    void scanned(const QString& code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool scanMayPunch(QObject* receiver) const;

    QPointer<QWidget> m_mainWindow;
    BadgeScanner m_scanner;
};
