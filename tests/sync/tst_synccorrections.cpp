// Correcting a time card at the head station: the card holds the punches of every station, the
// corrected lines replace them on the server, and the record of corrections is chained as
// corrections.log is.
#include "sync/ServerCorrections.h"
#include "sync/SyncDatabase.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QTest>

namespace {

const QStringList Week{QStringLiteral("single"), QStringLiteral("Kim"),
                       QStringLiteral("--from"), QStringLiteral("2008-03-10"),
                       QStringLiteral("--to"),   QStringLiteral("2008-03-16")};

// Kim came in at the front door and left through the warehouse, on Monday and Tuesday.
struct Shop
{
    QString uri = FreshDatabaseUri();
    DataFolder front, warehouse, head;
    Shop()
    {
        front.writeStation(uri, QStringLiteral("front"), QStringLiteral("punch"));
        warehouse.writeStation(uri, QStringLiteral("warehouse"), QStringLiteral("punch"));
        head.writeStation(uri, QStringLiteral("office"), QStringLiteral("head"));
        for (const DataFolder* f : {&front, &warehouse, &head}) {
            f->writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
            f->writeDefaultOptions();
        }
        front.write(QStringLiteral("Kim.txt"), punchLine("IN ", "03/10/2008", "08:00") +
                                                   punchLine("IN ", "03/11/2008", "08:00"));
        warehouse.write(QStringLiteral("Kim.txt"), punchLine("OUT", "03/10/2008", "17:00") +
                                                       punchLine("OUT", "03/11/2008", "18:00"));
        QVERIFY(front.sync().exitCode == 0 && warehouse.sync().exitCode == 0);
    }
    std::unique_ptr<SyncDatabase> open() const
    {
        DatabaseAddress address;
        ParseDatabaseUri(uri, &address);
        auto database = std::make_unique<SyncDatabase>(address);
        if (!database->open())
            qFatal("cannot open the test database");
        return database;
    }
};

Correction correction(Correction::Kind kind, const QByteArray& oldLine, const QByteArray& newLine)
{
    Correction c;
    c.when = QDateTime(QDate(2008, 3, 17), QTime(9, 0), Qt::OffsetFromUTC, -4 * 3600);
    c.employee = QStringLiteral("Kim");
    c.kind = kind;
    c.oldLine = oldLine;
    c.newLine = newLine;
    c.reason = QStringLiteral("forgot to punch\tout");
    return c;
}

} // namespace

class TestSyncCorrections : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { REQUIRE_TEST_SERVER(); }
    void mergedCard_holdsEveryStationsPunchesInTimeOrder();
    void correctedCard_isWhatReportsRead_andTheRecordIsChained();
    void punchSentMeanwhile_savesNothing();
};

void TestSyncCorrections::mergedCard_holdsEveryStationsPunchesInTimeOrder()
{
    Shop shop;
    TimeCard card;
    QVERIFY(ReadServerTimeCard(*shop.open(), QStringLiteral("Kim"), &card));
    QCOMPARE(card.lines.size(), 4);
    QVERIFY(card.allReadable() && IsInTimeOrder(card));
    QCOMPARE(card.original,
             punchLine("IN ", "03/10/2008", "08:00") + punchLine("OUT", "03/10/2008", "17:00") +
                 punchLine("IN ", "03/11/2008", "08:00") + punchLine("OUT", "03/11/2008", "18:00"));
}

void TestSyncCorrections::correctedCard_isWhatReportsRead_andTheRecordIsChained()
{
    Shop shop;
    const std::unique_ptr<SyncDatabase> database = shop.open();
    TimeCard card;
    QVERIFY(ReadServerTimeCard(*database, QStringLiteral("Kim"), &card));
    // Tuesday's OUT was at 16:30, and on Wednesday he forgot both punches.
    QList<TimeCardLine> corrected = card.lines;
    corrected[3] = TimeCardLine::punch(false, QDate(2008, 3, 11), QTime(16, 30));
    corrected.append(TimeCardLine::punch(true, QDate(2008, 3, 12), QTime(8, 0)));
    corrected.append(TimeCardLine::punch(false, QDate(2008, 3, 12), QTime(12, 0)));
    const QList<Correction> corrections{
        correction(Correction::Kind::Changed, card.lines[3].stored, corrected[3].text()),
        correction(Correction::Kind::Added, {}, corrected[4].text()),
        correction(Correction::Kind::Added, {}, corrected[5].text())};
    const IoResult saved =
        SaveServerCorrections(*database, QStringLiteral("Kim"), card, corrected, corrections);
    QVERIFY2(saved, qPrintable(saved.error));

    // The report from the server is the report of one folder holding the corrected card.
    DataFolder reference;
    reference.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    reference.writeDefaultOptions();
    reference.write(QStringLiteral("Kim.txt"), *SerializeTimeCard(corrected));
    const ProgramRun fromServer = shop.head.report(Week);
    QVERIFY2(fromServer.exitCode == 0, fromServer.err.constData());
    QCOMPARE(fromServer.out, reference.report(Week).out);
    QVERIFY(fromServer.out.contains("21.50"));

    // The same record as corrections.log, its chain intact.
    QByteArray log;
    QVERIFY(ReadServerCorrectionLog(*database, &log));
    QCOMPARE(log, FormatCorrections(corrections, CorrectionChainStart()));
    const CorrectionLogContents contents = ParseCorrectionLog(log);
    QVERIFY(contents.intact());
    QCOMPARE(contents.corrections.size(), 3);

    // horodex-report prints and checks the server's record at the head station.
    const ProgramRun printed = shop.head.report({QStringLiteral("corrections")});
    QVERIFY2(printed.exitCode == 0, printed.err.constData());
    QCOMPARE(printed.out.count('\n'), 3);
    QVERIFY(printed.out.contains("Kim  changed  \"OUT   03/11/2008        18:00\""));
    const ProgramRun verified =
        shop.head.report({QStringLiteral("corrections"), QStringLiteral("--verify")});
    QVERIFY2(verified.exitCode == 0, verified.err.constData());
    QVERIFY(verified.out.contains("is intact"));

    // A station that sends its old lines again changes nothing.
    QFile::remove(shop.warehouse.file(QStringLiteral("station.sent")));
    QCOMPARE(shop.warehouse.sync().exitCode, 0);
    QCOMPARE(shop.head.report(Week).out, fromServer.out);
}

void TestSyncCorrections::punchSentMeanwhile_savesNothing()
{
    Shop shop;
    const std::unique_ptr<SyncDatabase> database = shop.open();
    TimeCard card;
    QVERIFY(ReadServerTimeCard(*database, QStringLiteral("Kim"), &card));
    shop.front.append(QStringLiteral("Kim.txt"), punchLine("IN ", "03/12/2008", "08:00"));
    QCOMPARE(shop.front.sync().exitCode, 0);
    QList<TimeCardLine> corrected = card.lines;
    corrected.removeLast();
    const IoResult saved = SaveServerCorrections(
        *database, QStringLiteral("Kim"), card, corrected,
        {correction(Correction::Kind::Deleted, card.lines.last().stored, {})});
    QVERIFY(!saved);
    QVERIFY2(saved.error.contains(QStringLiteral("changed while")), qPrintable(saved.error));
    QByteArray log;
    QVERIFY(ReadServerCorrectionLog(*database, &log));
    QVERIFY(log.isEmpty());
    TimeCard now;
    QVERIFY(ReadServerTimeCard(*database, QStringLiteral("Kim"), &now));
    QCOMPARE(now.lines.size(), 5);
}

QTEST_GUILESS_MAIN(TestSyncCorrections)
#include "tst_synccorrections.moc"
