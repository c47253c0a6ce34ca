#pragma once

#include "data/CorrectionLog.h"
#include "data/TimeCard.h"
#include "punch/PunchStore.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

// The corrections of one employee's time card while they are made: the card as read, its lines
// as corrected so far and each correction with its reason. The store reads and saves; nothing
// here shows anything, so a test drives it without a window.
class TimeCardEdit
{
public:
    explicit TimeCardEdit(PunchStore& store) : m_store(store) {}

    // Reads the employee's card; unsaved corrections of the card open before are dropped.
    Result<> open(const QString& employee);
    const QString& employee() const { return m_employee; }
    const TimeCard& card() const { return m_card; } // as read
    const QList<TimeCardLine>& lines() const { return m_lines; }
    const QList<Correction>& corrections() const { return m_corrections; }
    bool hasUnsaved() const { return !m_corrections.isEmpty(); }

    // Each correction needs a card open, a reason and (to change or delete) a line of it.
    bool add(bool isIn, QDate date, QTime time, const QString& reason);
    bool change(int line, bool isIn, QDate date, QTime time, const QString& reason);
    bool remove(int line, const QString& reason);
    void discard();

    // What a save changes beyond the corrections: each line of the card that it moves into time
    // order or whose line end it mends, as a correction with that reason.
    QList<Correction> tidying() const;

    // The corrected lines replace the card, if it did not change since it was read, and the
    // corrections, dated now, go into the record with the tidying; the card is then read again.
    // Without a correction nothing is written. A failure keeps every correction for another try.
    Result<> save(const QDateTime& now);

private:
    void note(Correction::Kind kind, const QByteArray& oldLine, const QByteArray& newLine,
              const QString& reason);

    PunchStore& m_store;
    QString m_employee;
    TimeCard m_card;             // as read
    QList<TimeCardLine> m_lines; // as corrected so far
    QList<Correction> m_corrections;
};
