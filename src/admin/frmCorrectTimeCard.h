#pragma once

#include "admin/frmPunchEdit.h"
#include "data/CorrectionLog.h"
#include "data/TimeCard.h"
#include "payroll/TimeCardEdit.h"
#include "punch/PunchStore.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

// Corrects the time card of an employee: lists the punches of a pay period with the hours the
// reports pay and what is broken, adds, changes and deletes punches, each with a reason, and saves
// the whole time file with a record of every correction.
class frmCorrectTimeCard : public QDialog
{
    Q_OBJECT
public:
    // names: the employees to choose from; selected: the one to open with (the first when empty).
    frmCorrectTimeCard(const QStringList& names, const QString& selected, QDate today,
                       QWidget* parent = nullptr, PunchStore& punches = DataFolderPunches());

    // Opens an employee's time card; asks first when corrections are not saved. False when the
    // card could not be read or the administrator kept the unsaved corrections.
    bool selectEmployee(const QString& name);
    void setPeriod(QDate from, QDate to, bool wholeFile);
    bool addPunch(const frmPunchEdit::Punch& punch);
    bool changePunch(int row, const frmPunchEdit::Punch& punch);
    bool deletePunch(int row, const QString& reason);
    // Writes the corrected file and the record; false (with the message shown) when it was not.
    bool save();
    bool hasUnsavedCorrections() const { return m_edit.hasUnsaved(); }
    // The reason an added or changed punch is offered with, as a window that sent here knows it.
    void setReason(const QString& reason) { m_reason = reason; }

    // What the list shows: one entry per row, the text of each column joined by " | ".
    QStringList shownRows() const;

    void cmdAdd_Click();
    void cmdChange_Click();
    void cmdDelete_Click();
    void cmdSave_Click() { save(); }

    QListWidget* lstEmployees;
    QDateEdit* DatePickerFrom;
    QDateEdit* DatePickerTo;
    QCheckBox* chkWholeFile;
    QTableWidget* tblPunches;
    QLabel* lblTotals;
    QLabel* lblRecordHead; // after a save: the head of the record of corrections
    QPushButton* cmdAdd;
    QPushButton* cmdChange;
    QPushButton* cmdDelete;
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

public Q_SLOTS:
    void reject() override;

private:
    void buildControls();
    void refresh();
    void showRecordHead();
    // Asks before a save moves lines or mends their ends, with the hours before and after.
    bool confirmTidying(const QList<Correction>& tidy);
    bool keepUnsaved();
    void highlight(const QString& name);
    int lineOfRow(int row) const;
    // After a correction: the list and the totals shown again.
    bool shown(bool made);

    PunchStore& m_store;
    TimeCardEdit m_edit;
    QString m_reason;
    QList<int> m_rowLines; // the line of each row of the list
};
