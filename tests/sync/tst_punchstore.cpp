// The one store for punches, behind one set of tests: the data folder's time files always, the
// server's punches of every station against the test script's PostgreSQL.
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "payroll/MultipleReportText.h"
#include "payroll/WhoIsIn.h"
#include "punch/PunchStore.h"
#include "sync/ServerPunchStore.h"
#include "sync/SyncDatabase.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QTest>

#include <memory>

namespace {

const QTimeZone Zone = QTimeZone::systemTimeZone();

// Kim's punches of one day and Lee's one IN, in a data folder alone or sent to a server.
struct Shop
{
    DataFolder folder;
    QString uri;
    std::unique_ptr<SyncDatabase> database;
    std::unique_ptr<PunchStore> server;

    explicit Shop(bool onServer)
    {
        folder.writeEmployees({sampleEmployee(QStringLiteral("Kim")),
                               sampleEmployee(QStringLiteral("Lee")),
                               sampleEmployee(QStringLiteral("Bo"))});
        folder.writeDefaultOptions();
        folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 4));
        folder.write(QStringLiteral("Lee.txt"), punchLine("IN ", "03/11/2008", "07:00"));
        if (!onServer)
            return;
        uri = FreshDatabaseUri();
        folder.writeStation(uri, QStringLiteral("office"), QStringLiteral("head"));
        if (folder.sync().exitCode != 0)
            return;
        // The store reads the server alone: the station's files are gone from this folder.
        QFile::remove(folder.file(QStringLiteral("Kim.txt")));
        QFile::remove(folder.file(QStringLiteral("Lee.txt")));
        DatabaseAddress address;
        ParseDatabaseUri(uri, &address);
        database = std::make_unique<SyncDatabase>(address);
        if (database->open())
            server = std::make_unique<ServerPunchStore>(*database, QString());
    }

    PunchStore& punches() { return server ? *server : DataFolderPunches(); }
};

} // namespace

class TestPunchStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lastPunches_newestOrNone_data() { stores(); }
    void lastPunches_newestOrNone();
    void payPeriods_payTheSameHours_data() { stores(); }
    void payPeriods_payTheSameHours();
    void correctedCard_isWhatTheStoreReadsNext_data() { stores(); }
    void correctedCard_isWhatTheStoreReadsNext();

private:
    void stores()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("data folder") << false;
        QTest::newRow("server") << true;
    }
};

#define OPEN_SHOP(shop)                                                                            \
    QFETCH(bool, onServer);                                                                        \
    if (onServer && TestServerUri().isEmpty())                                                     \
        QSKIP("no PostgreSQL server: run under scripts/with-postgres.sh");                         \
    Shop shop(onServer);                                                                           \
    QVERIFY(!onServer || shop.server);                                                             \
    Environment::setDataDirectory(shop.folder.path())

void TestPunchStore::lastPunches_newestOrNone()
{
    OPEN_SHOP(shop);
    QHash<QString, PunchStore::LastPunch> last;
    QVERIFY(shop.punches().lastPunches(
        {QStringLiteral("Kim"), QStringLiteral("Lee"), QStringLiteral("Bo")}, &last));
    QCOMPARE(last.size(), 3);
    QCOMPARE(last.value(QStringLiteral("Kim")).record->PunchTime, QStringLiteral("08:03"));
    QVERIFY(!last.value(QStringLiteral("Kim")).record->isIn());
    QVERIFY(last.value(QStringLiteral("Lee")).record->isIn());
    QVERIFY(!last.value(QStringLiteral("Bo")).record);
    QVERIFY(last.value(QStringLiteral("Bo")).problem.isEmpty());

    WhoIsInList in;
    QVERIFY(
        FindWhoIsIn({sampleEmployee(QStringLiteral("Kim")), sampleEmployee(QStringLiteral("Lee"))},
                    QDateTime(QDate(2008, 3, 11), QTime(9, 0), Zone), Zone, shop.punches(), &in));
    QCOMPARE(in.present.size(), 1);
    QCOMPARE(in.present.constFirst().name, QStringLiteral("Lee"));
}

void TestPunchStore::payPeriods_payTheSameHours()
{
    OPEN_SHOP(shop);
    QList<float> hours;
    const IoResult read = shop.punches().payPeriods(
        {QStringLiteral("Kim"), QStringLiteral("Bo")}, QDate(2008, 3, 10), QDate(2008, 3, 16), 0,
        Zone, [&hours](qsizetype, const clsTime& time) { hours.append(time.TotalHours()); });
    QVERIFY(read);
    // Two pairs of a minute each; Bo has no punch.
    QCOMPARE(hours.size(), 2);
    QVERIFY(qAbs(hours.at(0) - 2.0f / 60) < 0.001f);
    QCOMPARE(hours.at(1), 0.0f);

    MultipleReportInput input;
    input.employees = {sampleEmployee(QStringLiteral("Kim"))};
    input.options.settings = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    input.options.from = QDate(2008, 3, 10);
    input.options.to = QDate(2008, 3, 16);
    const Result<ReportTexts> report = CreateMultipleReport(input, shop.punches());
    QVERIFY(report);
    QVERIFY(report->fullText().contains(QStringLiteral("Kim")));
}

void TestPunchStore::correctedCard_isWhatTheStoreReadsNext()
{
    OPEN_SHOP(shop);
    PunchStore& store = shop.punches();
    TimeCard card;
    QVERIFY(store.readTimeCard(QStringLiteral("Kim"), &card));
    QCOMPARE(card.lines.size(), 4);
    CorrectionLogHead before;
    QVERIFY(store.correctionLogHead(&before));

    QList<TimeCardLine> corrected = card.lines;
    const TimeCardLine gone = corrected.takeLast();
    Correction c;
    c.when = QDateTime(QDate(2008, 3, 12), QTime(9, 0), Zone);
    c.employee = QStringLiteral("Kim");
    c.kind = Correction::Kind::Deleted;
    c.oldLine = gone.stored;
    c.reason = QStringLiteral("punched twice");
    const IoResult saved = store.saveCorrections(QStringLiteral("Kim"), card, corrected, {c});
    QVERIFY2(saved, qPrintable(saved.error));

    TimeCard after;
    QVERIFY(store.readTimeCard(QStringLiteral("Kim"), &after));
    QCOMPARE(after.lines.size(), 3);
    CorrectionLogHead head;
    QVERIFY(store.correctionLogHead(&head));
    QCOMPARE(head.entries, before.entries + 1);
    // A card read before the save is no longer the card: its save is refused.
    QVERIFY(!store.saveCorrections(QStringLiteral("Kim"), card, corrected, {c}));
}

QTEST_GUILESS_MAIN(TestPunchStore)
#include "tst_punchstore.moc"
