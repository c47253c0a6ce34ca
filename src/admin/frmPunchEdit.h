#pragma once

#include <QDate>
#include <QDialog>
#include <QString>
#include <QTime>

class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

// Asks for one punch of a time card (date, time, IN or OUT) and the reason for the correction.
class frmPunchEdit : public QDialog
{
    Q_OBJECT
public:
    struct Punch
    {
        bool isIn = true;
        QDate date;
        QTime time;
        QString reason;
    };

    frmPunchEdit(const QString& caption, const Punch& start, QWidget* parent = nullptr);

    // The punch as entered; meaningful after exec() returned Accepted.
    Punch punch() const;

    void cmdOK_Click();

    QDateEdit* dtpDate;
    QTimeEdit* dtpTime;
    QRadioButton* optIn;
    QRadioButton* optOut;
    QLineEdit* txtReason;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};
