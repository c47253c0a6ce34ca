// Correcting a time card at the head station: the card holds the punches of every station, the
// corrected lines replace them on the server, and the record of corrections is chained as
// corrections.log is.
#include "data/Environment.h"
#include "sync/ServerCorrections.h"
#include "sync/StationSync.h"
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

// Corrections that one computer recorded alone, before it became the head station.
QList<Correction> aloneCorrections(int count, const QString& changed = QString())
{
    QList<Correction> list;
    for (int i = 0; i < count; ++i) {
        Correction c = correction(Correction::Kind::Added, {},
                                  KimPunches(i, 1).chopped(2)); // without its line end
        c.reason = i == 1 && !changed.isEmpty() ? changed : QStringLiteral("alone %1").arg(i);
        list.append(c);
    }
    return list;
}

QList<QByteArray> aloneRecord(int count, const QString& changed = QString())
{
    return CorrectionLogLines(
        FormatCorrections(aloneCorrections(count, changed), CorrectionChainStart()));
}

// A computer alone made head station of a new shared database, the tables made by a first
// exchange before its corrections.log is written.
struct NewHead
{
    QString uri = FreshDatabaseUri();
    DataFolder head;
    NewHead()
    {
        head.writeStation(uri, QStringLiteral("office"), QStringLiteral("head"));
        head.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
        head.writeDefaultOptions();
        QCOMPARE(head.sync().exitCode, 0);
    }
    QList<QByteArray> serverRecord() const
    {
        return ServerLines(uri, QStringLiteral("SELECT line FROM horodex_correction ORDER BY seq"));
    }
    void storeOnServer(const QList<QByteArray>& lines) const
    {
        for (const QByteArray& line : lines)
            ServerExec(uri, QStringLiteral("INSERT INTO horodex_correction (employee, line) "
                                           "VALUES ('Kim', $l$%1$l$)")
                                .arg(QString::fromUtf8(line)));
    }
    void writeRecord(const QList<QByteArray>& lines) const
    {
        head.write(QStringLiteral("corrections.log"), lines.join('\n') + '\n');
    }
};

QString headOf(const QList<QByteArray>& record)
{
    return QStringLiteral("%1:%2")
        .arg(record.size())
        .arg(QString::fromLatin1(record.last().right(64).left(CorrectionLogHead::HashDigits)));
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
    void computerMadeHead_carriesItsRecordOverOnce_data();
    void computerMadeHead_carriesItsRecordOverOnce();
    void verifyAtStation_anchorsOnTheServersRecord_data();
    void verifyAtStation_anchorsOnTheServersRecord();
    void headExchange_reportsTheHeadOfTheServersRecord();
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
    QCOMPARE(printed.out.count("  reason: "), 3);
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

void TestSyncCorrections::computerMadeHead_carriesItsRecordOverOnce_data()
{
    const QList<QByteArray> alone = aloneRecord(4);
    const QList<QByteArray> later = CorrectionLogLines(
        FormatCorrections({correction(Correction::Kind::Deleted, KimPunches(0, 1).chopped(2), {})},
                          alone.last().right(64)));
    QTest::addColumn<QList<QByteArray>>("local");
    QTest::addColumn<QList<QByteArray>>("server");
    QTest::addColumn<QList<QByteArray>>("after");
    QTest::addColumn<QString>("says"); // on standard error; empty: exit status 0
    QTest::newRow("server's record empty") << alone << QList<QByteArray>() << alone << QString();
    QTest::newRow("server holds its first lines") << alone << alone.mid(0, 2) << alone << QString();
    QTest::newRow("carried before, corrected at the head since")
        << alone << alone + later << alone + later << QString();
    QTest::newRow("server holds another record")
        << alone << aloneRecord(2, QStringLiteral("other")).mid(1) + later
        << aloneRecord(2, QStringLiteral("other")).mid(1) + later
        << QStringLiteral("not carried over to the server: line 1 of the record of corrections");
    QTest::newRow("local record changed by hand")
        << aloneRecord(2) + aloneRecord(4, QStringLiteral("changed")).mid(2) << QList<QByteArray>()
        << QList<QByteArray>()
        << QStringLiteral("not carried over to the server: The record of "
                          "corrections");
}

void TestSyncCorrections::computerMadeHead_carriesItsRecordOverOnce()
{
    QFETCH(QList<QByteArray>, local);
    QFETCH(QList<QByteArray>, server);
    QFETCH(QList<QByteArray>, after);
    QFETCH(QString, says);
    NewHead shop;
    shop.storeOnServer(server);
    shop.writeRecord(local);
    for (int round = 0; round < 2; ++round) {
        const ProgramRun synced = shop.head.sync();
        QCOMPARE(synced.exitCode, says.isEmpty() ? 0 : 1);
        QVERIFY2(synced.err.contains(says.toUtf8()), synced.err.constData());
        QCOMPARE(shop.serverRecord(), after);
    }
    if (!says.isEmpty())
        return;
    // The record printed and checked is the server's, and says so.
    const ProgramRun printed = shop.head.report({QStringLiteral("corrections")});
    QCOMPARE(printed.exitCode, 0);
    QCOMPARE(printed.out.count("reason: alone"), 4);
    QVERIFY2(printed.out.contains(headOf(after).toUtf8()), printed.out.constData());
    const ProgramRun verified =
        shop.head.report({QStringLiteral("corrections"), QStringLiteral("--verify"),
                          QStringLiteral("--head"), headOf(local)});
    QVERIFY2(verified.exitCode == 0, verified.err.constData());
    QVERIFY2(verified.out.startsWith("The server's record of corrections (horodex@"),
             verified.out.constData());
    QVERIFY2(verified.out.contains("Its first 4 lines are the record of corrections"),
             verified.out.constData());
}

void TestSyncCorrections::verifyAtStation_anchorsOnTheServersRecord_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("withHead");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("intact") << QString() << true << 0
                            << QStringLiteral("still holds entry 4 with the hash");
    QTest::newRow("local line changed") << QStringLiteral("change local") << false << 1
                                        << QStringLiteral("Line 2 of the record of corrections");
    QTest::newRow("local line not carried over yet")
        << QStringLiteral("append local") << false << 1
        << QStringLiteral("Line 5 of the record of corrections");
    QTest::newRow("local record deleted") << QStringLiteral("delete local") << true << 0
                                          << QStringLiteral("Nothing to compare at this station");
    QTest::newRow("server's last line removed")
        << QStringLiteral("cut server") << true << 1
        << QStringLiteral("holds 3 entries, but must hold entry 4");
    QTest::newRow("server's record emptied")
        << QStringLiteral("empty server") << true << 1
        << QStringLiteral("holds no entry, but must hold entry 4");
    QTest::newRow("server's record rewritten with fresh hashes")
        << QStringLiteral("rewrite server") << true << 1 << QStringLiteral("was rewritten since");
}

void TestSyncCorrections::verifyAtStation_anchorsOnTheServersRecord()
{
    QFETCH(QString, damage);
    QFETCH(bool, withHead);
    QFETCH(int, status);
    QFETCH(QString, says);
    NewHead shop;
    QList<QByteArray> local = aloneRecord(4);
    shop.writeRecord(local);
    QCOMPARE(shop.head.sync().exitCode, 0);
    const QString head = headOf(local);
    if (damage == QLatin1String("change local"))
        local[1].replace("alone", "along");
    if (damage == QLatin1String("append local"))
        local = aloneRecord(5);
    shop.writeRecord(local);
    if (damage == QLatin1String("delete local"))
        QVERIFY(QFile::remove(shop.head.file(QStringLiteral("corrections.log"))));
    if (damage == QLatin1String("cut server"))
        ServerExec(shop.uri, QStringLiteral("DELETE FROM horodex_correction WHERE seq = (SELECT "
                                            "max(seq) FROM horodex_correction)"));
    if (damage == QLatin1String("empty server") || damage == QLatin1String("rewrite server"))
        ServerExec(shop.uri, QStringLiteral("DELETE FROM horodex_correction"));
    if (damage == QLatin1String("rewrite server"))
        shop.storeOnServer(aloneRecord(4, QStringLiteral("rewritten")));

    QStringList arguments{QStringLiteral("corrections"), QStringLiteral("--verify")};
    if (withHead)
        arguments << QStringLiteral("--head") << head;
    const ProgramRun verified = shop.head.report(arguments);
    const QByteArray message = verified.out + verified.err;
    QCOMPARE(verified.exitCode, status);
    QVERIFY2(message.contains(says.toUtf8()), message.constData());
    QVERIFY2(message.contains("server's record of corrections (horodex@"), message.constData());
}

void TestSyncCorrections::headExchange_reportsTheHeadOfTheServersRecord()
{
    NewHead shop;
    const QList<QByteArray> local = aloneRecord(3);
    shop.writeRecord(local);
    Environment::setDataDirectory(shop.head.path());
    std::optional<StationConfig> config;
    QVERIFY(ReadStationConfig(&config) && config);
    StationSync sync(*config);
    const SyncStatus status = sync.runRound();
    Environment::setDataDirectory(QString());
    QVERIFY2(status.error.isEmpty(), qPrintable(status.error));
    QVERIFY(status.correctionHead);
    QCOMPARE(status.correctionHead->text(), headOf(local));
}

QTEST_GUILESS_MAIN(TestSyncCorrections)
#include "tst_synccorrections.moc"
