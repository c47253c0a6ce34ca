#include "admin/frmCorrectTimeCard.h"

#include "data/ClockZone.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "payroll/ReportFormat.h"
#include "timecalc/OvertimeRule.h"
#include "timecalc/TimeCardReview.h"
#include "ui/Messages.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int LongestPeriodDays = 28;
// The totals of a period: a line per week, the pay period's, and the corrections not saved.
constexpr int TotalsLines = LongestPeriodDays / 7 + 2;

enum Column { DateColumn, TimeColumn, PunchColumn, PairColumn, DayColumn, ProblemColumn };

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString dateText(QDate date)
{
    const QLocale locale = Environment::regionalLocale();
    return locale.toString(date, QStringLiteral("ddd ")) +
           locale.toString(date, Environment::shortDateFormat());
}

// The hours of each working day of the period, by the date of its first IN.
QMap<QDate, float> dayTotals(const clsTime& time)
{
    QMap<QDate, float> totals;
    for (int w = 1; w <= time.NbrWeeks(); ++w) {
        const clsWeek& week = time.Week(w);
        for (int d = 1; d <= week.NbrDays(); ++d)
            totals[week.Day(d).FirstPeriodDateIn()] += week.Day(d).DayHours();
    }
    return totals;
}

QString totalsText(const clsTime& time, QDate from, const OvertimeRule& rule)
{
    QStringList weeks;
    for (int w = 1; w <= time.NbrWeeks(); ++w) {
        const clsWeek& week = time.Week(w);
        weeks.append(QStringLiteral("Week of %1: %2 hours (%3 regular, %4 overtime)")
                         .arg(dateText(from.addDays(7 * (w - 1))),
                              ReportFormat::Hours(week.WeekHours()).trimmed(),
                              ReportFormat::Hours(week.RegularHours(rule)).trimmed(),
                              ReportFormat::Hours(week.OvertimeHours(rule)).trimmed()));
    }
    weeks.append(QStringLiteral("Pay period: %1 hours (%2 regular, %3 overtime)")
                     .arg(ReportFormat::Hours(time.TotalHours()).trimmed(),
                          ReportFormat::Hours(time.RegularHours(rule)).trimmed(),
                          ReportFormat::Hours(time.OvertimeHours(rule)).trimmed()));
    return weeks.join(u'\n');
}

// Every name whole beside the scroll bar, whatever the font and the screen's scale.
void fitNames(QListWidget* list)
{
    const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setFixedWidth(std::max(list->sizeHintForColumn(0), 60) + 2 * list->frameWidth() +
                        scrollBar);
}

} // namespace

frmCorrectTimeCard::frmCorrectTimeCard(const QStringList& names, const QString& selected,
                                       QDate today, QWidget* parent, PunchStore& punches)
    : QDialog(parent), m_store(punches), m_edit(punches)
{
    buildControls();
    lstEmployees->addItems(names);
    fitNames(lstEmployees);
    DatePickerFrom->setDate(today.addDays(-7));
    DatePickerTo->setDate(today.addDays(-1));
    const QString first = selected.isEmpty() ? names.value(0) : selected;
    if (!first.isEmpty())
        selectEmployee(first);
}

void frmCorrectTimeCard::buildControls()
{
    setObjectName(QStringLiteral("frmCorrectTimeCard"));
    setWindowTitle(QStringLiteral("Correct Time Card"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    lstEmployees = named(new QListWidget(this), "lstEmployees");
    lstEmployees->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DatePickerFrom = named(new QDateEdit(this), "DatePickerFrom");
    DatePickerTo = named(new QDateEdit(this), "DatePickerTo");
    for (QDateEdit* picker : {DatePickerFrom, DatePickerTo}) {
        picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
        picker->setCalendarPopup(true);
        picker->setDateRange(QDate(1999, 12, 31), QDate(9999, 12, 31));
    }
    chkWholeFile = named(new QCheckBox(QStringLiteral("Whole file"), this), "chkWholeFile");
    tblPunches = named(new QTableWidget(0, 6, this), "tblPunches");
    tblPunches->setHorizontalHeaderLabels(
        {QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Punch"),
         QStringLiteral("Hours"), QStringLiteral("Day Total"), QStringLiteral("To Correct")});
    tblPunches->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPunches->setSelectionMode(QAbstractItemView::SingleSelection);
    tblPunches->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPunches->verticalHeader()->hide();
    tblPunches->horizontalHeader()->setStretchLastSection(true);
    tblPunches->setMinimumSize(720, 320);
    lblTotals = named(new QLabel(this), "lblTotals");
    lblTotals->setWordWrap(true);
    lblTotals->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // As high as the most lines a pay period has, so that the window and its buttons stay put
    // when a line comes or goes; the whole file's many weeks scroll.
    auto* totalsArea = new QScrollArea(this);
    totalsArea->setWidget(lblTotals);
    totalsArea->setWidgetResizable(true);
    totalsArea->setFrameShape(QFrame::NoFrame);
    totalsArea->setFixedHeight(TotalsLines * lblTotals->fontMetrics().lineSpacing() +
                               lblTotals->contentsMargins().top() +
                               lblTotals->contentsMargins().bottom());
    lblRecordHead = named(new QLabel(this), "lblRecordHead");
    lblRecordHead->setWordWrap(true);
    lblRecordHead->setTextFormat(Qt::PlainText);
    lblRecordHead->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdAdd = named(new QPushButton(QStringLiteral("Add Punch ..."), this), "cmdAdd");
    cmdChange = named(new QPushButton(QStringLiteral("Change ..."), this), "cmdChange");
    cmdDelete = named(new QPushButton(QStringLiteral("Delete ..."), this), "cmdDelete");
    cmdSave = named(new QPushButton(QStringLiteral("Save"), this), "cmdSave");
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");

    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel(QStringLiteral("From"), this));
    period->addWidget(DatePickerFrom);
    period->addWidget(new QLabel(QStringLiteral("To"), this));
    period->addWidget(DatePickerTo);
    period->addWidget(new QLabel(QStringLiteral("(included)"), this));
    period->addWidget(chkWholeFile);
    period->addStretch();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, cmdChange, cmdDelete})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    auto* right = new QVBoxLayout;
    right->addLayout(period);
    right->addWidget(tblPunches, 1);
    right->addWidget(totalsArea);
    right->addWidget(lblRecordHead);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lstEmployees);
    layout->addLayout(right, 1);

    connect(lstEmployees, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectEmployee(item->text()); });
    auto periodChanged = [this] {
        setPeriod(DatePickerFrom->date(), DatePickerTo->date(), chkWholeFile->isChecked());
    };
    connect(DatePickerFrom, &QDateEdit::dateChanged, this, periodChanged);
    connect(DatePickerTo, &QDateEdit::dateChanged, this, periodChanged);
    connect(chkWholeFile, &QCheckBox::toggled, this, periodChanged);
    connect(cmdAdd, &QPushButton::clicked, this, &frmCorrectTimeCard::cmdAdd_Click);
    connect(cmdChange, &QPushButton::clicked, this, &frmCorrectTimeCard::cmdChange_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmCorrectTimeCard::cmdDelete_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmCorrectTimeCard::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmCorrectTimeCard::reject);
}

bool frmCorrectTimeCard::keepUnsaved()
{
    if (!hasUnsavedCorrections())
        return false;
    return !Messages::askYesNo(QStringLiteral("The corrections of %1 are not saved. Discard them?")
                                   .arg(m_edit.employee()));
}

bool frmCorrectTimeCard::selectEmployee(const QString& name)
{
    // Refused, the list shows again whose card is open: that is the one Save acts on.
    const auto refuse = [this] {
        highlight(m_edit.employee());
        return false;
    };
    if (keepUnsaved())
        return refuse();
    if (const Result<> read = m_edit.open(name); read.failed()) {
        Messages::show(Messages::Icon::Critical, read.message());
        return refuse();
    }
    highlight(name);
    setWindowTitle(QStringLiteral("Correct Time Card: %1").arg(name));
    refresh();
    return true;
}

void frmCorrectTimeCard::highlight(const QString& name)
{
    const QList<QListWidgetItem*> items = lstEmployees->findItems(name, Qt::MatchExactly);
    if (items.isEmpty())
        lstEmployees->clearSelection();
    else
        lstEmployees->setCurrentItem(items.first());
}

void frmCorrectTimeCard::setPeriod(QDate from, QDate to, bool wholeFile)
{
    const QSignalBlocker blockFrom(DatePickerFrom), blockTo(DatePickerTo), blockWhole(chkWholeFile);
    DatePickerFrom->setDate(from);
    DatePickerTo->setDate(to);
    chkWholeFile->setChecked(wholeFile);
    DatePickerFrom->setEnabled(!wholeFile);
    DatePickerTo->setEnabled(!wholeFile);
    refresh();
}

void frmCorrectTimeCard::refresh()
{
    tblPunches->setRowCount(0);
    m_rowLines.clear();
    const bool whole = chkWholeFile->isChecked();
    const QDate from = whole ? QDate() : DatePickerFrom->date();
    const QDate to = whole ? QDate() : DatePickerTo->date();
    const qint64 days = from.daysTo(to) + 1;
    if (!whole && (days < 1 || days > LongestPeriodDays)) {
        lblTotals->setText(QStringLiteral("The pay period runs from 1 to %1 days: choose its first "
                                          "and last day, or the whole file.")
                               .arg(LongestPeriodDays));
        return;
    }
    const OptionsRecord& settings = GlobalOptions();
    const QList<TimeCardLine>& lines = m_edit.lines();
    // Until a correction is made the file is shown as the reports pay it, in its own order.
    const TimeCardReview review =
        ReviewTimeCard(lines, from, to, settings.timeRoundingValue(), ClockZone(),
                       Environment::now(), !hasUnsavedCorrections());
    const QMap<QDate, float> days_ =
        review.period ? dayTotals(*review.period) : QMap<QDate, float>();
    for (qsizetype i = 0; i < review.punches.size(); ++i) {
        const ReviewedPunch& p = review.punches[i];
        const TimeCardLine& line = lines[p.line];
        QStringList cells(6);
        if (line.readable) {
            cells[DateColumn] = dateText(line.date);
            cells[TimeColumn] = FormatTimeOfDay(line.time, settings.timeFormat());
            cells[PunchColumn] = line.isIn ? QStringLiteral("IN") : QStringLiteral("OUT");
            if (p.pairHours)
                cells[PairColumn] = ReportFormat::Hours(*p.pairHours).trimmed();
            else if (p.notPaid)
                cells[PairColumn] = QStringLiteral("not paid");
            // The day's total stands on its last punch in the list.
            const bool lastOfDay = i + 1 == review.punches.size() ||
                                   !lines[review.punches[i + 1].line].readable ||
                                   lines[review.punches[i + 1].line].date != line.date;
            if (lastOfDay && days_.contains(line.date))
                cells[DayColumn] = ReportFormat::Hours(days_.value(line.date)).trimmed();
        } else {
            cells[DateColumn] = QString::fromLatin1(line.stored);
        }
        cells[ProblemColumn] = p.problems.join(QStringLiteral("; "));
        const int row = tblPunches->rowCount();
        tblPunches->insertRow(row);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (!p.problems.isEmpty())
                item->setForeground(QColor(0xB0, 0x00, 0x00));
            tblPunches->setItem(row, c, item);
        }
        m_rowLines.append(p.line);
    }
    tblPunches->resizeColumnsToContents();
    QString totals = review.period ? totalsText(*review.period, from, OvertimeRule::of(settings))
                                   : QStringLiteral("%1 punches in the file.").arg(lines.size());
    if (!review.period && !whole)
        totals = QStringLiteral("Hours are shown once every line reads.");
    if (review.outOfOrder)
        totals += QStringLiteral("\nThe lines of this file are not in time order: the reports "
                                 "pay them in the order of the file, as shown.");
    if (!hasUnsavedCorrections() &&
        std::any_of(lines.cbegin(), lines.cend(),
                    [](const TimeCardLine& l) { return l.readable && l.otherLineEnd; }))
        totals = QStringLiteral("The reports do not read this file: its lines do not end as "
                                "punches do. Saving a correction mends them.");
    if (hasUnsavedCorrections())
        totals +=
            QStringLiteral("\n%1 correction(s) not saved yet.").arg(m_edit.corrections().size());
    lblTotals->setText(totals);
}

int frmCorrectTimeCard::lineOfRow(int row) const
{
    return row >= 0 && row < m_rowLines.size() ? m_rowLines[row] : -1;
}

QStringList frmCorrectTimeCard::shownRows() const
{
    QStringList rows;
    for (int r = 0; r < tblPunches->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < tblPunches->columnCount(); ++c)
            cells.append(tblPunches->item(r, c) ? tblPunches->item(r, c)->text() : QString());
        rows.append(cells.join(QStringLiteral(" | ")));
    }
    return rows;
}

bool frmCorrectTimeCard::shown(bool made)
{
    if (made)
        refresh();
    return made;
}

bool frmCorrectTimeCard::addPunch(const frmPunchEdit::Punch& punch)
{
    return shown(m_edit.add(punch.isIn, punch.date, punch.time, punch.reason));
}

bool frmCorrectTimeCard::changePunch(int row, const frmPunchEdit::Punch& punch)
{
    return shown(m_edit.change(lineOfRow(row), punch.isIn, punch.date, punch.time, punch.reason));
}

bool frmCorrectTimeCard::deletePunch(int row, const QString& reason)
{
    return shown(m_edit.remove(lineOfRow(row), reason));
}

bool frmCorrectTimeCard::save()
{
    if (m_edit.employee().isEmpty())
        return false;
    if (!hasUnsavedCorrections()) {
        Messages::show(Messages::Icon::None,
                       QStringLiteral("There is no correction to save: the time file of %1 was "
                                      "left as it is.")
                           .arg(m_edit.employee()));
        return false;
    }
    if (const QList<Correction> tidy = m_edit.tidying(); !tidy.isEmpty() && !confirmTidying(tidy))
        return false;
    if (const Result<> saved = m_edit.save(Environment::now()); saved.failed()) {
        Messages::show(Messages::Icon::Critical, saved.message());
        return false;
    }
    refresh();
    showRecordHead();
    return true;
}

bool frmCorrectTimeCard::confirmTidying(const QList<Correction>& tidy)
{
    // The hours of the period shown, as the reports pay the file now and after the save.
    const OptionsRecord& settings = GlobalOptions();
    const QDate from = DatePickerFrom->date();
    const QDate to = DatePickerTo->date();
    const auto hours = [&](const QList<TimeCardLine>& lines, bool asStored) {
        const TimeCardReview review = ReviewTimeCard(lines, from, to, settings.timeRoundingValue(),
                                                     ClockZone(), Environment::now(), asStored);
        return review.period ? ReportFormat::Hours(review.period->TotalHours()).trimmed()
                             : QStringLiteral("none");
    };
    const bool unread = std::any_of(m_edit.card().lines.cbegin(), m_edit.card().lines.cend(),
                                    [](const TimeCardLine& l) { return l.otherLineEnd; });
    const QString before = unread ? QStringLiteral("none (the reports do not read the file)")
                                  : hours(m_edit.card().lines, true);
    return Messages::askYesNo(
        QStringLiteral("Saving also puts %1 line(s) of the file in time order or mends their line "
                       "ends, and records each. The hours paid from %2 to %3 go from %4 to %5. "
                       "Save?")
            .arg(tidy.size())
            .arg(dateText(from), dateText(to), before, hours(m_edit.lines(), false)));
}

void frmCorrectTimeCard::showRecordHead()
{
    CorrectionLogHead head;
    const Result<> read = m_store.correctionLogHead(&head);
    lblRecordHead->setText(read ? CorrectionLogHeadText(head)
                                : QStringLiteral("Saved. The head of the record of corrections "
                                                 "could not be read: %1")
                                      .arg(read.message()));
}

void frmCorrectTimeCard::cmdAdd_Click()
{
    const QDate day = chkWholeFile->isChecked() ? QDate::currentDate() : DatePickerTo->date();
    frmPunchEdit edit(QStringLiteral("Add A Punch"), {true, day, QTime(8, 0), m_reason}, this);
    if (edit.exec() == QDialog::Accepted)
        addPunch(edit.punch());
}

void frmCorrectTimeCard::cmdChange_Click()
{
    const int row = tblPunches->currentRow();
    const int line = lineOfRow(row);
    if (line < 0) {
        Messages::show(Messages::Icon::None, QStringLiteral("Please select a punch"));
        return;
    }
    const TimeCardLine& current = m_edit.lines()[line];
    const frmPunchEdit::Punch start{current.readable ? current.isIn : true,
                                    current.readable ? current.date : DatePickerFrom->date(),
                                    current.readable ? current.time : QTime(0, 0), m_reason};
    frmPunchEdit edit(QStringLiteral("Change A Punch"), start, this);
    if (edit.exec() == QDialog::Accepted)
        changePunch(row, edit.punch());
}

void frmCorrectTimeCard::cmdDelete_Click()
{
    const int row = tblPunches->currentRow();
    if (lineOfRow(row) < 0) {
        Messages::show(Messages::Icon::None, QStringLiteral("Please select a punch"));
        return;
    }
    QString reason;
    if (!Messages::askText(QStringLiteral("Delete A Punch"),
                           QStringLiteral("Why is this punch deleted?"), &reason))
        return;
    if (reason.trimmed().isEmpty()) {
        Messages::warning(QStringLiteral("Please give the reason for this correction."));
        return;
    }
    deletePunch(row, reason);
}

void frmCorrectTimeCard::reject()
{
    if (keepUnsaved())
        return;
    m_edit.discard();
    QDialog::reject();
}
