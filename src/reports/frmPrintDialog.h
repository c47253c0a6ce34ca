#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Chooses the printer and the number of copies before a report is printed. The chosen copies
// are written into the caller's copies label when Print is pressed.
class frmPrintDialog : public QDialog
{
    Q_OBJECT
public:
    // copiesLabel is the report window's lblCopies; it reads "1" while the dialog is open.
    explicit frmPrintDialog(QLabel* copiesLabel, QWidget* parent = nullptr);

    void cboPrinterSelect_Click();
    void cmdProperties_Click();
    void cmdPrint_Click();
    void cmdCancel_Click();

    // True only when the dialog was closed with Print.
    bool PrintConfirmed = false;

    QComboBox* cboPrinterSelect;
    QPushButton* cmdProperties;
    QLineEdit* txtCopies;
    QSpinBox* UpDownCopies;
    QPushButton* cmdPrint;
    QPushButton* cmdCancel;

private:
    void Form_Load();

    QLabel* m_copiesLabel;
};
