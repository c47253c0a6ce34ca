#pragma once

#include "data/EmployeeList.h"
#include "ui/KeyFilter.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The employee window: creates a new employee or, given a name, changes that employee.
class frmAddEmployee : public QDialog
{
    Q_OBJECT
public:
    explicit frmAddEmployee(const std::optional<QString>& employeeToModify,
                            QWidget* parent = nullptr);

    // Keystroke filters: true when the character may enter the box.
    static bool txtPin_KeyPress(QChar key) { return KeyFilter::isDigit(key); }
    static bool txtSSN_KeyPress(QChar key) { return KeyFilter::isDigitOrDash(key); }
    static bool txtRegular_KeyPress(QChar key) { return KeyFilter::isDigitOrDot(key); }
    static bool txtOvertime_KeyPress(QChar key) { return KeyFilter::isDigitOrDot(key); }

Q_SIGNALS:
    // Emitted after every save attempt, so that the main window refills its list.
    void employeeListChanged();

private:
    void buildControls();
    void Form_Load();
    void loadModifiedEmployee();
    void cmdCreate_Click();
    void cmdCancel_Click();
    // Checks and writes the record; the PIN is still plain. True when it was stored.
    bool SaveEmployee(const EmployeeRecord& record);
    Result<bool> nameIsTaken(const QString& name) const;
    bool storeEmployee(const EmployeeRecord& record);

    bool m_ModifyMode = false;
    QString m_SelectedEmployee;

    QLineEdit* txtEmployeeName = nullptr;
    QLineEdit* txtPin = nullptr;
    QLineEdit* txtSSN = nullptr;
    QLineEdit* txtRegular = nullptr;
    QLineEdit* txtOvertime = nullptr;
    QComboBox* cboShift = nullptr;
    QLabel* lblShift = nullptr;
    QGroupBox* fraRates = nullptr;
    QGroupBox* fraQuickHelp = nullptr;
    QPushButton* cmdCreate = nullptr;
    QPushButton* cmdCancel = nullptr;
};
