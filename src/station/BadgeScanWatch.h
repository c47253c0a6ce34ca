#pragma once

#include <QObject>
#include <QPointer>

class BadgeKeyGate;
class QWidget;

// The station's side of the badge reader: a scan on the main window, or a known badge read while
// a PIN keypad or a question waits for someone else, is handed on by scanned() after the key's own
// delivery has ended; the desk closes the keypad and judges the scan, repeats included. A known
// badge read over any other window only beeps. The keys of a scan reach no control (BadgeKeyGate).
class BadgeScanWatch : public QObject
{
    Q_OBJECT
public:
    // Watches the application's keys for as long as it lives.
    explicit BadgeScanWatch(QWidget* mainWindow);

Q_SIGNALS:
    void scanned(const QString& code);

private:
    void scannedOverAWindow(const QString& code);

    QPointer<QWidget> m_mainWindow;
};
