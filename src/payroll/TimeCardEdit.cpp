#include "payroll/TimeCardEdit.h"

Result<> TimeCardEdit::open(const QString& employee)
{
    TimeCard card;
    if (const Result<> read = m_store.readTimeCard(employee, &card); read.failed())
        return read;
    m_employee = employee;
    m_card = card;
    m_lines = card.lines;
    m_corrections.clear();
    return {};
}

void TimeCardEdit::note(Correction::Kind kind, const QByteArray& oldLine, const QByteArray& newLine,
                        const QString& reason)
{
    m_corrections.append({QDateTime(), m_employee, kind, oldLine, newLine, reason});
}

bool TimeCardEdit::add(bool isIn, QDate date, QTime time, const QString& reason)
{
    if (m_employee.isEmpty() || reason.trimmed().isEmpty())
        return false;
    m_lines.append(TimeCardLine::punch(isIn, date, time));
    note(Correction::Kind::Added, {}, m_lines.last().text(), reason);
    return true;
}

bool TimeCardEdit::change(int line, bool isIn, QDate date, QTime time, const QString& reason)
{
    if (line < 0 || line >= m_lines.size() || reason.trimmed().isEmpty())
        return false;
    const QByteArray old = m_lines[line].text();
    m_lines[line] = TimeCardLine::punch(isIn, date, time);
    note(Correction::Kind::Changed, old, m_lines[line].text(), reason);
    return true;
}

bool TimeCardEdit::remove(int line, const QString& reason)
{
    if (line < 0 || line >= m_lines.size() || reason.trimmed().isEmpty())
        return false;
    const QByteArray old = m_lines[line].text();
    m_lines.removeAt(line);
    note(Correction::Kind::Deleted, old, {}, reason.simplified());
    return true;
}

void TimeCardEdit::discard()
{
    m_lines = m_card.lines;
    m_corrections.clear();
}

QList<Correction> TimeCardEdit::tidying() const
{
    if (m_corrections.isEmpty())
        return {};
    // The lines kept from the card move when one of them sorts before a line above it.
    QList<qsizetype> kept;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].readable && !m_lines[i].stored.isEmpty())
            kept.append(i);
    }
    QList<bool> moved(kept.size(), false);
    const TimeCardLine* latest = nullptr;
    for (qsizetype k = 0; k < kept.size(); ++k) {
        const TimeCardLine& line = m_lines[kept[k]];
        if (latest && line.before(*latest))
            moved[k] = true;
        if (!latest || latest->before(line))
            latest = &line;
    }
    const TimeCardLine* earliest = nullptr;
    for (qsizetype k = kept.size() - 1; k >= 0; --k) {
        const TimeCardLine& line = m_lines[kept[k]];
        if (earliest && earliest->before(line))
            moved[k] = true;
        if (!earliest || line.before(*earliest))
            earliest = &line;
    }
    QList<Correction> tidy;
    for (qsizetype k = 0; k < kept.size(); ++k) {
        const TimeCardLine& line = m_lines[kept[k]];
        QStringList why;
        if (moved[k])
            why.append(QStringLiteral("put in time order"));
        if (line.otherLineEnd)
            why.append(QStringLiteral("line end mended"));
        if (!why.isEmpty())
            tidy.append({QDateTime(), m_employee, Correction::Kind::Changed, line.stored,
                         line.text(),
                         why.join(QStringLiteral(", ")) + QStringLiteral(" by the save")});
    }
    return tidy;
}

Result<> TimeCardEdit::save(const QDateTime& now)
{
    if (m_employee.isEmpty())
        return Failure(QStringLiteral("No time card is open."));
    // Rewriting the card in time order would change its pay unasked and unrecorded.
    if (m_corrections.isEmpty())
        return {};
    QList<Correction> made = m_corrections + tidying();
    for (Correction& c : made)
        c.when = now;
    if (const Result<> saved = m_store.saveCorrections(m_employee, m_card, m_lines, made);
        saved.failed())
        return saved;
    return open(m_employee);
}
