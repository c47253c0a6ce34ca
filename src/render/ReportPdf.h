#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QLocale>
#include <QPageSize>
#include <QString>

// A report saved as a PDF file, laid out as it is printed: the report font, one-inch margins
// from the paper's edge and the printer's page breaks.
QByteArray ReportPdf(const QString& text, const QPageSize& paper);
Result<> SaveReportPdf(const QString& path, const QString& text, const QPageSize& paper);

// The paper of the regional formats: Letter where the locale measures in US units, A4 elsewhere.
QPageSize RegionalPaper(const QLocale& locale);
