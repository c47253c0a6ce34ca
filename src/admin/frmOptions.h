#pragma once

#include "ui/KeyFilter.h"

#include <QDialog>
#include <QIcon>
#include <QList>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabBar;

// The options window: every setting of the program-wide OptionsRecord on four pages. Apply
// writes the settings file, reads it back into memory and closes; Cancel changes nothing.
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    static constexpr int PageCount = 4;
    // Page positions, in twips.
    static constexpr int PageTop = 600;
    static constexpr int FirstPageLeft = 240;
    static constexpr int PageLeft = 210;
    static constexpr int HiddenPageLeft = -20000;

    explicit frmOptions(QWidget* parent = nullptr);

    QWidget* picOptions(int index) const { return m_picOptions.value(index); }

    // Keystroke filters: true when the character may enter the box.
    static bool txtDailyOvertime_KeyPress(QChar key) { return KeyFilter::isDigit(key); }
    static bool txtWeeklyOvertime_KeyPress(QChar key) { return KeyFilter::isDigitOrDot(key); }
    static bool txtPassword_KeyPress(QChar key) { return key >= u'0' && key <= u'z'; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* buildGeneralPage();
    QWidget* buildPasswordsPage();
    QWidget* buildEmployeesPage();
    QWidget* buildSecurityPage();
    void Form_Load();
    void loadOvertime();
    bool Form_KeyDown(const QKeyEvent* event);
    void tbsOptions_Click();
    void optDailyOvertime_Click();
    void optWeeklyOvertime_Click();
    void chkSecurityEnabled_Click();
    void cmdApply_Click();
    void cmdCancel_Click();

    QString CurrentPassword;
    QList<QIcon> ilsIcons;
    QList<QWidget*> m_picOptions;

    QTabBar* tbsOptions = nullptr;
    QLineEdit* txtCompany = nullptr;
    QPlainTextEdit* txtAddress = nullptr;
    QRadioButton* optCivilianTimeFormat = nullptr;
    QRadioButton* optMilitaryTimeFormat = nullptr;
    QCheckBox* chkAskForPin = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtPassword2 = nullptr;
    QRadioButton* optDailyOvertime = nullptr;
    QRadioButton* optWeeklyOvertime = nullptr;
    QLineEdit* txtDailyOvertime = nullptr;
    QLineEdit* txtWeeklyOvertime = nullptr;
    QComboBox* cboTimeRounding = nullptr;
    QCheckBox* chkAskOnStart = nullptr;
    QCheckBox* chkAskOnExit = nullptr;
    QCheckBox* chkSecurityEnabled = nullptr;
    QLabel* imgTaskbar = nullptr;
    QLabel* imgIcons = nullptr;
    QLabel* imgStart = nullptr;
    QLabel* imgHorodex = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
};
