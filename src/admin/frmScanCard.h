#pragma once

#include "ui/BadgeScanner.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Waits for two scans of the same card for one employee, showing the code read: a reader that
// pauses mid-code reads its tail as a code of its own, which must not become the badge. Every key
// sent to this window is taken from it: a reader's code must not land in a button; Escape cancels.
class frmScanCard : public QDialog
{
    Q_OBJECT
public:
    explicit frmScanCard(const QString& employee, QWidget* parent = nullptr);
    ~frmScanCard() override;

    // The code scanned, once the window was accepted.
    QString code() const { return m_code; }

    QLabel* lblPrompt;
    QPushButton* cmdCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scanned(const QString& code);

    QString m_employee;
    BadgeScanner m_scanner;
    QString m_firstRead;
    QString m_code;
};
