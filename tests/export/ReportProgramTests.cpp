// horodex-report: its command line, its text against the report windows' text, its failures.
#include "export/ExportFixture.h"

#include "PdfProbe.h"
#include "SampleReport.h"

#include "cli/ReportRequest.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "testsupport/MessageRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct ProgramRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QString& zone = QString())
{
    QProcess process;
    if (!zone.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), zone);
        process.setProcessEnvironment(environment);
    }
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString reportProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-report");
}

// Presses create and hands back the text of the report window that opens.
QString textOfReportWindow(QPushButton* create)
{
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* report = qobject_cast<frmReport*>(QApplication::activeModalWidget())) {
            shown = report->shownText();
            report->cmdCloseReport->click();
        }
    });
    create->click();
    QCoreApplication::processEvents();
    return shown;
}

// What the report windows show for the choices that horodex-report is given as arguments.
QString windowText(const QStringList& arguments)
{
    const Result<ReportRequest> parsed = ParseReportArguments(arguments);
    if (!parsed)
        return parsed.message();
    const ReportRequest& q = *parsed;
    std::unique_ptr<QDialog> window;
    if (q.kind == ReportRequest::Kind::Single) {
        auto single = std::make_unique<frmSingleReport>(q.name);
        single->optAllTimeEntries->setChecked(q.timeCard);
        window = std::move(single);
    } else {
        auto multiple = std::make_unique<frmMultipleReportSelect>();
        multiple->cboSelectedEmployees->setCurrentIndex(q.shift);
        window = std::move(multiple);
    }
    window->findChild<QDateEdit*>(QStringLiteral("DatePickerFrom"))->setDate(q.from);
    window->findChild<QDateEdit*>(QStringLiteral("DatePickerTo"))->setDate(q.to);
    window->findChild<QCheckBox*>(QStringLiteral("chkIncludeSSN"))->setChecked(q.includeSsn);
    window->findChild<QCheckBox*>(QStringLiteral("chkIncludeAddress"))
        ->setChecked(q.includeAddress);
    return textOfReportWindow(window->findChild<QPushButton*>(QStringLiteral("cmdCreate")));
}

} // namespace

class ReportProgramTests : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_fixture.start(); }
    void cleanup() { m_fixture.stop(); }

    // horodex-report
    void arguments_data();
    void arguments();
    void program_textIsTheWindowText_data();
    void program_textIsTheWindowText();
    void program_csvAndPdfFormats();
    void program_output_isForItsOwnerAloneUnlessItExisted();
    void program_paysInTheDataFoldersZoneWhereverItRuns_data();
    void program_paysInTheDataFoldersZoneWhereverItRuns();
    void program_timeCardCsv_writesTwoFiles();
    void program_badInput_givesOneLineAndNoOutput_data();
    void program_badInput_givesOneLineAndNoOutput();
    void program_withoutData_readsDataBesideTheProgram();
    void program_help_printsUsage();

private:
    ExportFixture m_fixture;
};

void ReportProgramTests::arguments_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("error"); // empty: accepted
    const QString period = QStringLiteral(" --from 2009-11-02 --to 2009-11-08");
    QTest::newRow("single") << "single Ann" + period << "";
    QTest::newRow("single, every option")
        << "single Ann" + period +
               " --time-card --ssn --address --format pdf --output a.pdf --data d"
        << "";
    QTest::newRow("values after =") << "multiple --from=2009-11-02 --to=2009-11-08 --shift=3"
                                    << "";
    QTest::newRow("help") << "--help"
                          << "";
    QTest::newRow("nothing") << ""
                             << "name the report";
    QTest::newRow("unknown report") << "weekly" + period << "unknown report \"weekly\"";
    QTest::newRow("unknown option") << "multiple --fast" + period << "unknown option \"--fast\"";
    QTest::newRow("no name") << "single" + period << "needs the employee's name";
    QTest::newRow("two names") << "single Ann Bob" + period << "unexpected argument \"Bob\"";
    QTest::newRow("no from") << "multiple --to 2009-11-08"
                             << "--from is needed";
    QTest::newRow("no to") << "multiple --from 2009-11-08"
                           << "--to is needed";
    QTest::newRow("value missing") << "multiple --to 2009-11-08 --from"
                                   << "Missing value after '--from'";
    QTest::newRow("bad date") << "multiple --from 11/02/2009 --to 2009-11-08"
                              << "--from needs a date as YYYY-MM-DD, not \"11/02/2009\"";
    QTest::newRow("no such day") << "multiple --from 2009-02-30 --to 2009-11-08"
                                 << "not \"2009-02-30\"";
    QTest::newRow("shift 0") << "multiple --shift 0" + period << "shift from 1 to 9";
    QTest::newRow("shift 10") << "multiple --shift 10" + period << "shift from 1 to 9";
    QTest::newRow("shift of single") << "single Ann --shift 2" + period << "--shift belongs";
    QTest::newRow("time card of multiple")
        << "multiple --time-card" + period << "--time-card belongs";
    QTest::newRow("format") << "multiple --format html" + period << "text, csv or pdf";
    QTest::newRow("flag with value")
        << "multiple --ssn=yes" + period << "Unexpected value after '--ssn'";
    QTest::newRow("empty value") << "multiple --output=" + period << "--output needs a value";
    QTest::newRow("version") << "--version"
                             << "";
    QTest::newRow("time card csv to standard output")
        << "single Ann --time-card --format csv" + period << "--output FILE";
    // The windows offer no earlier day.
    QTest::newRow("period before the first day") << "multiple --from 1999-12-24 --to 1999-12-30"
                                                 << "starts on 1999-12-31 or later";
    QTest::newRow("period from the first day") << "multiple --from 1999-12-31 --to 2000-01-06"
                                               << "";
}

void ReportProgramTests::arguments()
{
    QFETCH(QString, line);
    QFETCH(QString, error);
    const Result<ReportRequest> parsed = ParseReportArguments(line.split(u' ', Qt::SkipEmptyParts));
    QCOMPARE(bool(parsed), error.isEmpty());
    QVERIFY2(parsed.message().contains(error), qPrintable(parsed.message()));
}

void ReportProgramTests::program_textIsTheWindowText_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("blankNames"); // of records added to the list
    const QStringList november{QStringLiteral("--from"), QStringLiteral("2009-11-02"),
                               QStringLiteral("--to"), QStringLiteral("2009-11-08")};
    const QStringList march{QStringLiteral("--from"), QStringLiteral("2008-03-03"),
                            QStringLiteral("--to"), QStringLiteral("2008-03-16")};
    const QString name = QStringLiteral("Sample Employee");
    QTest::newRow("single, daily hours") << QStringList{"single", name} + november << QStringList{};
    QTest::newRow("single, time card, SSN, address")
        << QStringList{"single", name, "--time-card", "--ssn", "--address"} + november
        << QStringList{};
    QTest::newRow("multiple, SSN") << QStringList{"multiple", "--ssn"} + march << QStringList{};
    QTest::newRow("multiple, shift 2, address")
        << QStringList{"multiple", "--shift", "2", "--address"} + march << QStringList{};
    // A record whose name is blank is no one: left out without a word.
    QTest::newRow("single, blank names listed")
        << QStringList{"single", name} + november << QStringList{"   ", ""};
    QTest::newRow("multiple, blank names listed")
        << QStringList{"multiple", "--ssn"} + march << QStringList{"", "   "};
    QTest::newRow("multiple, shift 1, blank name listed")
        << QStringList{"multiple", "--shift", "1"} + march << QStringList{" "};
}

void ReportProgramTests::program_textIsTheWindowText()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, blankNames);
    for (const QString& blank : blankNames)
        m_fixture.dir->write(QStringLiteral("names.nms"),
                             m_fixture.dir->read(QStringLiteral("names.nms")) +
                                 SerializeEmployeeRecord(sampleEmployee(blank)));
    MessageRecorder messages;
    const QString shown = windowText(arguments);
    QCOMPARE(messages.texts(), QStringList{});
    QVERIFY(shown.contains(QStringLiteral("Payroll period:")));
    const ProgramRun run =
        runProgram(reportProgram(), arguments + QStringList{"--data", m_fixture.dir->dataDir()});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, shown.toUtf8());
}

void ReportProgramTests::program_csvAndPdfFormats()
{
    const QStringList march{"multiple", "--ssn",      "--from", "2008-03-03",
                            "--to",     "2008-03-16", "--data", m_fixture.dir->dataDir()};
    const ProgramRun csv = runProgram(reportProgram(), march + QStringList{"--format", "csv"});
    QCOMPARE(csv.status, 0);
    QCOMPARE(csv.out, golden(QStringLiteral("multiple.csv")));

    const QString pdf = m_fixture.dir->programDir() + QStringLiteral("/multiple.pdf");
    const ProgramRun run =
        runProgram(reportProgram(), march + QStringList{"--format", "pdf", "--output", pdf});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.isEmpty());
    // The attention note wraps at the right margin: compare the lines above it.
    const QStringList expected = PdfProbe::paperLines(multipleReport().fullText());
    const QStringList printed = PdfProbe::marginLines(pdf);
    QCOMPARE(printed.mid(0, expected.size() - 1), expected.mid(0, expected.size() - 1));
    QCOMPARE(printed.mid(expected.size() - 1).join(u' ').simplified(), expected.constLast());

    const QString text = m_fixture.dir->programDir() + QStringLiteral("/multiple.txt");
    QCOMPARE(runProgram(reportProgram(), march + QStringList{"--output", text}).status, 0);
    QFile file(text);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), multipleReport().fullText().toUtf8());
}

void ReportProgramTests::program_output_isForItsOwnerAloneUnlessItExisted()
{
    const QStringList week{"multiple",
                           "--from",
                           "2009-11-02",
                           "--to",
                           "2009-11-08",
                           "--data",
                           m_fixture.dir->dataDir()};
    const QString made = m_fixture.dir->programDir() + QStringLiteral("/new.csv");
    QCOMPARE(
        runProgram(reportProgram(), week + QStringList{"--format", "csv", "--output", made}).status,
        0);
    // The User flags tell what this account may do, whoever owns the file: left out.
    const auto mode = [](const QString& path) {
        return QFile::permissions(path) & ~QFileDevice::Permissions(0x0700);
    };
    QCOMPARE(mode(made), QFile::ReadOwner | QFile::WriteOwner);
    const QString kept = m_fixture.dir->programDir() + QStringLiteral("/shared.txt");
    const QFileDevice::Permissions shared =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QFile file(kept);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::setPermissions(kept, shared));
    QCOMPARE(runProgram(reportProgram(), week + QStringList{"--output", kept}).status, 0);
    QCOMPARE(mode(kept), shared);
}

void ReportProgramTests::program_paysInTheDataFoldersZoneWhereverItRuns_data()
{
    QTest::addColumn<QByteArray>("folderZone"); // empty: no zone file
    QTest::addColumn<QString>("computerZone");
    QTest::addColumn<QString>("hours");
    QTest::addColumn<bool>("noted");
    // The night of the change to summer time has an hour less in New York.
    QTest::newRow("the folder's zone") << QByteArray("America/New_York\n") << "America/New_York"
                                       << "7.00" << false;
    QTest::newRow("a server in UTC") << QByteArray("America/New_York\n") << "UTC"
                                     << "7.00" << true;
    QTest::newRow("no zone file: the computer's") << QByteArray() << "UTC"
                                                  << "8.00" << false;
}

void ReportProgramTests::program_paysInTheDataFoldersZoneWhereverItRuns()
{
    QFETCH(QByteArray, folderZone);
    QFETCH(QString, computerZone);
    QFETCH(QString, hours);
    QFETCH(bool, noted);
    if (!folderZone.isEmpty())
        m_fixture.dir->write(QStringLiteral("timezone.txt"), folderZone);
    m_fixture.dir->write(QStringLiteral("Sample Employee.txt"),
                         SampleReport::punchPair("03/07/2009", "22:00", "03/08/2009", "06:00"));
    const ProgramRun run = runProgram(reportProgram(),
                                      {"single", "Sample Employee", "--from", "2009-03-02", "--to",
                                       "2009-03-08", "--data", m_fixture.dir->dataDir()},
                                      computerZone);
    QCOMPARE(run.status, 0);
    const QString text = QString::fromUtf8(run.out);
    QVERIFY2(text.contains(QRegularExpression(
                 QStringLiteral("Regular Time: +%1 hours").arg(QRegularExpression::escape(hours)))),
             qPrintable(text));
    QCOMPARE(run.err.contains("time zone of the data folder, America/New_York, not in this "
                              "computer's, UTC"),
             noted);
}

void ReportProgramTests::program_timeCardCsv_writesTwoFiles()
{
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/card.csv");
    const ProgramRun run =
        runProgram(reportProgram(), {"single", "Sample Employee", "--time-card", "--ssn", "--from",
                                     "2009-11-02", "--to", "2009-11-08", "--format", "csv",
                                     "--output", path, "--data", m_fixture.dir->dataDir()});
    QCOMPARE(run.status, 0);
    QFile payroll(path);
    QFile punches(m_fixture.dir->programDir() + QStringLiteral("/card-punches.csv"));
    QVERIFY(payroll.open(QIODevice::ReadOnly) && punches.open(QIODevice::ReadOnly));
    QCOMPARE(payroll.readAll(), golden(QStringLiteral("single.csv")));
    QCOMPARE(punches.readAll(), golden(QStringLiteral("single-punches.csv")));
}

void ReportProgramTests::program_badInput_givesOneLineAndNoOutput_data()
{
    QTest::addColumn<QString>("damage"); // what is done to the data directory first
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QStringList week{"--from", "2009-11-02", "--to", "2009-11-08"};
    const QStringList single{"single", "Sample Employee"};
    QTest::newRow("unknown employee")
        << "" << QStringList{"single", "Sample"} + week << "no employee named \"Sample\"";
    QTest::newRow("name matched exactly") << "" << QStringList{"single", "sample employee"} + week
                                          << "no employee named \"sample employee\"";
    QTest::newRow("eight days") << ""
                                << single +
                                       QStringList{"--from", "2009-11-02", "--to", "2009-11-09"}
                                << "You may only select a 1, 2, 3 or 4 week pay period";
    QTest::newRow("end before start")
        << "" << QStringList{"multiple", "--from", "2009-11-08", "--to", "2009-11-02"}
        << "You may only select a 1, 2, 3 or 4 week pay period";
    QTest::newRow("date that does not parse")
        << "" << single + QStringList{"--from", "2009-11-32", "--to", "2009-11-08"}
        << "--from needs a date as YYYY-MM-DD, not \"2009-11-32\"";
    QTest::newRow("unknown option")
        << "" << single + week + QStringList{"--weekly"} << "unknown option \"--weekly\"";
    QTest::newRow("shift without employees") << "" << QStringList{"multiple", "--shift", "5"} + week
                                             << "There are no employees for this shift";
    QTest::newRow("no settings file") << "no settings" << single + week << "options.ini";
    QTest::newRow("damaged settings file")
        << "short settings" << single + week << "is damaged: it holds 10 bytes instead of 229";
    QTest::newRow("unreadable employee file") << "employee folder" << single + week << "names.nms";
    QTest::newRow("damaged employee file")
        << "employee garbage" << QStringList{"multiple"} + week << "lines that cannot be read";
    QTest::newRow("unreadable time file")
        << "time file folder" << single + week << "Sample Employee.txt";
    QTest::newRow("time file with LF line ends")
        << "LF time file" << QStringList{"multiple"} + week << "Sample Employee.txt\" is invalid";
    QTest::newRow("output in a missing folder")
        << "" << single + week + QStringList{"--output", "/nonexistent/folder/report.txt"}
        << "/nonexistent/folder/report.txt";
}

void ReportProgramTests::program_badInput_givesOneLineAndNoOutput()
{
    QFETCH(QString, damage);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QDir data(m_fixture.dir->dataDir());
    if (damage == QLatin1String("no settings")) {
        data.remove(QStringLiteral("options.ini"));
    } else if (damage == QLatin1String("short settings")) {
        m_fixture.dir->write(QStringLiteral("options.ini"), "0123456789");
    } else if (damage == QLatin1String("employee folder")) {
        data.remove(QStringLiteral("names.nms"));
        data.mkdir(QStringLiteral("names.nms"));
    } else if (damage == QLatin1String("employee garbage")) {
        m_fixture.dir->write(QStringLiteral("names.nms"),
                             m_fixture.dir->read(QStringLiteral("names.nms")) + "not a record\r\n");
    } else if (damage == QLatin1String("LF time file")) {
        QByteArray lines = m_fixture.dir->read(QStringLiteral("Sample Employee.txt"));
        m_fixture.dir->write(QStringLiteral("Sample Employee.txt"), lines.replace("\r\n", "\n"));
    } else if (damage == QLatin1String("time file folder")) {
        data.remove(QStringLiteral("Sample Employee.txt"));
        data.mkdir(QStringLiteral("Sample Employee.txt"));
    }
    const QStringList before = data.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const ProgramRun run =
        runProgram(reportProgram(), arguments + QStringList{"--data", m_fixture.dir->dataDir()});
    QVERIFY(run.status > 0);
    QCOMPARE(run.out, QByteArray());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.startsWith(QStringLiteral("horodex-report: ")), qPrintable(err));
    QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));
    // The data directory is read, never changed.
    QCOMPARE(data.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void ReportProgramTests::program_withoutData_readsDataBesideTheProgram()
{
    const QString copy = m_fixture.dir->programDir() + QStringLiteral("/horodex-report");
    QVERIFY(QFile::copy(reportProgram(), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner));
    const ProgramRun run = runProgram(
        copy, {"single", "Sample Employee", "--from", "2009-11-02", "--to", "2009-11-08"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
             (SampleReport::Header + SampleReport::Detail + SampleReport::Summary).toUtf8());
}

void ReportProgramTests::program_help_printsUsage()
{
    const ProgramRun run = runProgram(reportProgram(), {"--help"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, ReportUsage().toUtf8());
    QVERIFY(run.out.contains("horodex-report single NAME --from YYYY-MM-DD --to YYYY-MM-DD"));
}

int runReportProgramTests(int argc, char* argv[])
{
    ReportProgramTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ReportProgramTests.moc"
