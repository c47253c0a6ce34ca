// The command lines of the three programs: --help and --version answered without a display, an
// unknown option refused in one line, and horodex's own switches still read.
#include "app/StartArguments.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

namespace {

// A command line that cannot be read gives no verdict.
constexpr int NoVerdict = -1;

struct ProgramRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The program as a terminal or a manual-page builder starts it: no display of any kind.
ProgramRun RunWithoutDisplay(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        environment.remove(QLatin1String(name));
    // A data folder that nothing may touch: answering --help creates none.
    environment.insert(QStringLiteral("HORODEX_DATA"), QStringLiteral("/nonexistent/horodex"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + u'/' + program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class CommandLineTests : public QObject
{
    Q_OBJECT

private slots:
    void program_answersWithoutDisplay_data();
    void program_answersWithoutDisplay();
    void program_unknownOption_isOneLineAndStatus2_data();
    void program_unknownOption_isOneLineAndStatus2();
    void startArguments_data();
    void startArguments();
    void startUsage_namesTheSwitches();
    void commandSwitch_isTheFirstThreeCharactersExactly_data();
    void commandSwitch_isTheFirstThreeCharactersExactly();
    void restart_asksNoStartPassword();
    void station_withoutDisplay_saysSoInOneLineAndStatus1_data();
    void station_withoutDisplay_saysSoInOneLineAndStatus1();
};

void CommandLineTests::station_withoutDisplay_saysSoInOneLineAndStatus1_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no switch") << QStringList();
    QTest::newRow("/np") << QStringList{QStringLiteral("/np")};
}

void CommandLineTests::station_withoutDisplay_saysSoInOneLineAndStatus1()
{
    QFETCH(QStringList, arguments);
    const ProgramRun run = RunWithoutDisplay(QStringLiteral("horodex"), arguments);
    QCOMPARE(run.status, 1); // not Qt's abort
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.startsWith("horodex: no display") && run.err.count('\n') == 1 &&
                 run.err.endsWith('\n'),
             run.err.constData());
}

void CommandLineTests::program_answersWithoutDisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("start"); // the first line of standard output begins so
    for (const char* program : {"horodex", "horodex-report", "horodex-sync"}) {
        const QString name = QLatin1String(program);
        QTest::addRow("%s --help", program) << name << "--help"
                                            << "Usage:";
        QTest::addRow("%s -h", program) << name << "-h"
                                        << "Usage:";
        QTest::addRow("%s --version", program)
            << name << "--version" << name + QStringLiteral(" " HORODEX_VERSION);
        QTest::addRow("%s -v", program)
            << name << "-v" << name + QStringLiteral(" " HORODEX_VERSION);
    }
}

void CommandLineTests::program_answersWithoutDisplay()
{
    QFETCH(QString, program);
    QFETCH(QString, argument);
    QFETCH(QString, start);
    const ProgramRun run = RunWithoutDisplay(program, {argument});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith(start.toUtf8()), run.out.constData());
    QVERIFY(run.out.contains(program.toUtf8() + ' '));
    QVERIFY(run.out.endsWith('\n'));
}

void CommandLineTests::program_unknownOption_isOneLineAndStatus2_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("horodex --fast") << "horodex" << QStringList{"--fast"}
                                    << "horodex: unknown option \"--fast\" (see --help)\n";
    QTest::newRow("horodex -np, not /np")
        << "horodex" << QStringList{"-np"} << "horodex: unknown option \"-np\" (see --help)\n";
    QTest::newRow("horodex-report --fast")
        << "horodex-report" << QStringList{"multiple", "--fast"}
        << "horodex-report: unknown option \"--fast\" (see --help)\n";
    QTest::newRow("horodex-report -x") << "horodex-report" << QStringList{"-x"}
                                       << "horodex-report: unknown option \"-x\" (see --help)\n";
    QTest::newRow("horodex-sync --fast")
        << "horodex-sync" << QStringList{"--fast"}
        << "horodex-sync: unknown option \"--fast\" (see --help)\n";
    QTest::newRow("horodex-sync --data without a folder")
        << "horodex-sync" << QStringList{"--data"}
        << "horodex-sync: Missing value after '--data'\n";
    QTest::newRow("horodex-sync with an argument")
        << "horodex-sync" << QStringList{"now"}
        << "horodex-sync: unexpected argument \"now\" (see --help)\n";
}

void CommandLineTests::program_unknownOption_isOneLineAndStatus2()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const ProgramRun run = RunWithoutDisplay(program, arguments);
    QCOMPARE(QString::fromUtf8(run.err), message);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.status, 2);
}

void CommandLineTests::startArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("verdict");
    QTest::newRow("nothing") << QStringList{} << int(CommandLineVerdict::Run);
    QTest::newRow("/np") << QStringList{"/np"} << int(CommandLineVerdict::Run);
    QTest::newRow("/sp with more text")
        << QStringList{"/spxyz", "more"} << int(CommandLineVerdict::Run);
    QTest::newRow("Qt's -platform")
        << QStringList{"-platform", "offscreen", "/sp"} << int(CommandLineVerdict::Run);
    QTest::newRow("the session manager's -session")
        << QStringList{"-session", "10d2f3"} << int(CommandLineVerdict::Run);
    QTest::newRow("--help after /np")
        << QStringList{"/np", "--help"} << int(CommandLineVerdict::Help);
    QTest::newRow("--version") << QStringList{"--version"} << int(CommandLineVerdict::Version);
    QTest::newRow("unknown option") << QStringList{"--kiosk"} << NoVerdict;
}

void CommandLineTests::startArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, verdict);
    const StartArguments start = ReadStartArguments(arguments);
    QCOMPARE(start ? int(*start) : NoVerdict, verdict);
}

void CommandLineTests::startUsage_namesTheSwitches()
{
    const QString usage = StartUsage();
    QVERIFY2(usage.contains(QStringLiteral("\n  /np ")), qPrintable(usage));
    QVERIFY2(usage.contains(QStringLiteral("\n  /sp ")), qPrintable(usage));
    // Qt's own options are read, never offered.
    QVERIFY(!usage.contains(QStringLiteral("platform")));
}

void CommandLineTests::commandSwitch_isTheFirstThreeCharactersExactly_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<int>("commandSwitch");
    QTest::newRow("nothing") << QString() << int(CommandSwitch::None);
    QTest::newRow("/np") << QStringLiteral("/np") << int(CommandSwitch::NoPassword);
    QTest::newRow("/sp") << QStringLiteral("/sp") << int(CommandSwitch::OpenMenus);
    QTest::newRow("/sp with more text")
        << QStringLiteral("/spxyz more") << int(CommandSwitch::OpenMenus);
    QTest::newRow("/SP is not /sp") << QStringLiteral("/SP") << int(CommandSwitch::None);
    QTest::newRow("a space before it") << QStringLiteral(" /np") << int(CommandSwitch::None);
    QTest::newRow("short, then trimmed") << QStringLiteral("/n ") << int(CommandSwitch::None);
    QTest::newRow("-np, not /np") << QStringLiteral("-np") << int(CommandSwitch::None);
}

void CommandLineTests::commandSwitch_isTheFirstThreeCharactersExactly()
{
    QFETCH(QString, commandLine);
    QFETCH(int, commandSwitch);
    QCOMPARE(int(CommandSwitchOf(commandLine)), commandSwitch);
}

void CommandLineTests::restart_asksNoStartPassword()
{
    QCOMPARE(int(CommandSwitchOf(RestartArguments().join(u' '))), int(CommandSwitch::NoPassword));
}

QTEST_GUILESS_MAIN(CommandLineTests)
#include "tst_commandlines.moc"
