// Reports from the server against reports from one data folder holding the same punches: the
// punches are dealt out to three stations at random, each station sends its own, and the head
// station's report equals, byte for byte, the report of the folder that holds them all.
#include "SampleReport.h"
#include "sync/SyncFixture.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QStringList Stations{QStringLiteral("front door"), QStringLiteral("warehouse"),
                           QStringLiteral("yard")};

EmployeeRecord employee(const QString& name, int shift)
{
    EmployeeRecord e = sampleEmployee(name, QStringLiteral("1234"), QString::number(shift),
                                      QStringLiteral("15.00"), QStringLiteral("22.50"));
    e.SSN = QStringLiteral("123-45-6789");
    return e;
}

QByteArray line(bool in, const QDateTime& at)
{
    return punchLine(in ? "IN " : "OUT", qPrintable(at.toString(QStringLiteral("MM/dd/yyyy"))),
                     qPrintable(at.toString(QStringLiteral("HH:mm"))));
}

// Ten weeks of a worker: days, some nights across midnight, some days off, and now and then a
// day forgotten OUT, so that INs follow each other.
QByteArray generatedPunches(QRandomGenerator& random, QDate first)
{
    QByteArray bytes;
    QDateTime at(first, QTime(6, 0));
    for (int day = 0; day < 70; ++day) {
        const QDate date = first.addDays(day);
        if (random.bounded(5) == 0)
            continue;
        const bool night = random.bounded(6) == 0;
        const QDateTime in(date, QTime(night ? 21 : 6 + random.bounded(4), random.bounded(60)));
        if (in <= at)
            continue;
        bytes += line(true, in);
        if (random.bounded(40) == 0) {
            at = in;
            continue; // no OUT: the next IN follows
        }
        at = in.addSecs(60 * (180 + random.bounded(420)));
        bytes += line(false, at);
    }
    return bytes;
}

// Deals the lines of a time file out to the stations, each keeping their order.
void dealOut(const QByteArray& bytes, const QString& name, QRandomGenerator& random,
             const QList<DataFolder*>& stations)
{
    for (qsizetype i = 0; i + 31 <= bytes.size(); i += 31)
        stations.at(random.bounded(int(stations.size())))
            ->append(name + QStringLiteral(".txt"), bytes.mid(i, 31));
}

} // namespace

class TestSyncReports : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void workedExample_inAtOneStationOutAtAnother_isPaidAsFromOneFolder();
    void generatedEmployees_reportsFromServerEqualReportsFromOneFolder_data();
    void generatedEmployees_reportsFromServerEqualReportsFromOneFolder();

private:
    QString m_uri;
    DataFolder m_reference; // one computer holding every punch
    DataFolder m_head;
    DataFolder m_front;
    DataFolder m_warehouse;
};

void TestSyncReports::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_uri = FreshDatabaseUri();
    QList<EmployeeRecord> employees{employee(QStringLiteral("Sample Employee"), 1)};
    for (int i = 0; i < 60; ++i)
        employees.append(
            employee(QStringLiteral("Worker %1").arg(i, 2, 10, QLatin1Char('0')), 1 + i % 3));
    for (DataFolder* f : {&m_reference, &m_head, &m_front, &m_warehouse}) {
        f->writeEmployees(employees);
        f->writeDefaultOptions();
    }
    m_head.writeStation(m_uri, Stations.at(2), QStringLiteral("head"));
    m_front.writeStation(m_uri, Stations.at(0), QStringLiteral("punch"));
    m_warehouse.writeStation(m_uri, Stations.at(1), QStringLiteral("punch"));

    // The worked example: every IN at the front door, every OUT at the warehouse.
    const QByteArray week = SampleReport::weekOfPunches();
    m_reference.write(QStringLiteral("Sample Employee.txt"), week);
    for (qsizetype i = 0; i < week.size(); i += 31)
        (i / 31 % 2 == 0 ? m_front : m_warehouse)
            .append(QStringLiteral("Sample Employee.txt"), week.mid(i, 31));

    QRandomGenerator random(17); // the same punches every run
    const QList<DataFolder*> stations{&m_front, &m_warehouse, &m_head};
    for (int i = 1; i < employees.size(); ++i) {
        const QByteArray bytes = generatedPunches(random, QDate(2008, 2, 25));
        m_reference.write(employees.at(i).Name + QStringLiteral(".txt"), bytes);
        dealOut(bytes, employees.at(i).Name, random, stations);
    }
    for (DataFolder* station : stations) {
        const ProgramRun run = station->sync();
        QVERIFY2(run.exitCode == 0, run.err.constData());
    }
}

void TestSyncReports::workedExample_inAtOneStationOutAtAnother_isPaidAsFromOneFolder()
{
    const QStringList args{QStringLiteral("single"), QStringLiteral("Sample Employee"),
                           QStringLiteral("--from"), QStringLiteral("2009-11-02"),
                           QStringLiteral("--to"),   QStringLiteral("2009-11-08")};
    const ProgramRun fromServer = m_head.report(args);
    QVERIFY2(fromServer.exitCode == 0, fromServer.err.constData());
    const QString expected = SampleReport::Header + SampleReport::Detail + SampleReport::Summary;
    QCOMPARE(QString::fromUtf8(fromServer.out), expected);
    QCOMPARE(fromServer.out, m_reference.report(args).out);
}

void TestSyncReports::generatedEmployees_reportsFromServerEqualReportsFromOneFolder_data()
{
    QTest::addColumn<QStringList>("args");
    const QStringList march{QStringLiteral("--from"), QStringLiteral("2008-03-10"),
                            QStringLiteral("--to"), QStringLiteral("2008-04-06")};
    QTest::newRow("multiple, four weeks") << QStringList{QStringLiteral("multiple")} + march;
    QTest::newRow("multiple, shift 2, ssn, address")
        << QStringList{QStringLiteral("multiple"), QStringLiteral("--shift"), QStringLiteral("2"),
                       QStringLiteral("--ssn"), QStringLiteral("--address")} +
               march;
    QTest::newRow("multiple as csv")
        << QStringList{QStringLiteral("multiple"), QStringLiteral("--format"),
                       QStringLiteral("csv")} +
               march;
    QTest::newRow("multiple, first week of the punches") << QStringList{
        QStringLiteral("multiple"), QStringLiteral("--from"), QStringLiteral("2008-02-25"),
        QStringLiteral("--to"), QStringLiteral("2008-03-02")};
    QTest::newRow("multiple, after the last punch") << QStringList{
        QStringLiteral("multiple"), QStringLiteral("--from"), QStringLiteral("2008-04-28"),
        QStringLiteral("--to"), QStringLiteral("2008-05-11")};
    for (const char* who : {"Worker 00", "Worker 07", "Worker 31"}) {
        QTest::newRow(qPrintable(QStringLiteral("time card of %1").arg(QLatin1String(who))))
            << QStringList{QStringLiteral("single"), QString::fromLatin1(who),
                           QStringLiteral("--time-card")} +
                   march;
        QTest::newRow(qPrintable(QStringLiteral("daily hours of %1").arg(QLatin1String(who))))
            << QStringList{QStringLiteral("single"), QString::fromLatin1(who)} + march;
    }
}

void TestSyncReports::generatedEmployees_reportsFromServerEqualReportsFromOneFolder()
{
    QFETCH(QStringList, args);
    const ProgramRun fromFiles = m_reference.report(args);
    QVERIFY2(fromFiles.exitCode == 0, fromFiles.err.constData());
    // The head station reads the server through its station.ini, a report program anywhere
    // through --database.
    const ProgramRun fromHead = m_head.report(args);
    QVERIFY2(fromHead.exitCode == 0, fromHead.err.constData());
    QCOMPARE(fromHead.out, fromFiles.out);
    const ProgramRun fromUri =
        m_reference.report(args + QStringList{QStringLiteral("--database"), m_uri});
    QVERIFY2(fromUri.exitCode == 0, fromUri.err.constData());
    QCOMPARE(fromUri.out, fromFiles.out);
    QVERIFY(fromFiles.out.size() > 500);
}

QTEST_GUILESS_MAIN(TestSyncReports)
#include "tst_syncreports.moc"
