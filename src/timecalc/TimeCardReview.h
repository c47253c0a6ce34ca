#pragma once

#include "data/TimeCard.h"
#include "timecalc/clsTime.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// One line of a time card as the correction window lists it.
struct ReviewedPunch
{
    int line = 0;         // index in the lines reviewed
    QStringList problems; // what is broken; empty when the punch is fine
    // On the second line of a pair: its hours. In a pay period, the pairs the report pays, as the
    // pairing rule reads the file; for the whole file, each IN with the OUT after it.
    std::optional<float> pairHours;
    bool notPaid = false; // an OUT that ends no pair the pay period pays
};

// The lines of a time card within a pay period, in time order, with what is broken marked, and
// the period's hours as the payroll report counts them.
struct TimeCardReview
{
    QList<ReviewedPunch> punches;  // lines that do not read first, then the punches in time order
    std::optional<clsTime> period; // the pay period's weeks; none for the whole file
    bool outOfOrder = false;       // the lines are paid in an order other than time order
};

inline constexpr int LongestPairHours = 24;
inline constexpr int OpenInWarningHours = 16;

// from and to null: the whole file. now decides whether a last IN is probably forgotten.
// asStored: the lines are the file as stored, paid in their order as the reports pay it;
// otherwise they are paid in time order, as a save writes them.
TimeCardReview ReviewTimeCard(const QList<TimeCardLine>& lines, QDate from, QDate to,
                              int roundingMode, const QTimeZone& zone, const QDateTime& now,
                              bool asStored = false);
