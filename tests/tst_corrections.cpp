// Corrected time cards, the chained record of corrections, and the list of who is in.
#include "SampleReport.h"
#include "testsupport/TestSupport.h"

#include "data/CorrectionLog.h"
#include "data/OptionsRecord.h"
#include "data/TimeCard.h"
#include "data/TimeFile.h"
#include "payroll/TimeCardEdit.h"
#include "payroll/WhoIsIn.h"
#include "timecalc/OvertimeRule.h"
#include "timecalc/TimeManipulation.h"

#include <QTest>

namespace {

const QTimeZone Zone = QTimeZone::systemTimeZone();

QByteArray line(const char* action, const char* date, const char* time)
{
    return punchLine(action, date, time).chopped(2);
}

Correction correction(Correction::Kind kind, const QByteArray& oldLine, const QByteArray& newLine,
                      const QString& reason = QStringLiteral("forgot to punch"))
{
    return {QDateTime(QDate(2009, 11, 9), QTime(9, 30)),
            QStringLiteral("Ann"),
            kind,
            oldLine,
            newLine,
            reason};
}

float weekHours(const QString& name)
{
    return LoadPayPeriod(name, QDate(2009, 11, 2), QDate(2009, 11, 8), 0, Zone)
        .valueOr(clsTime())
        .TotalHours();
}

ReportProgramRun runCorrections(const TempProgramDir& dir, const QStringList& arguments)
{
    return RunReportProgram(
        QStringList{QStringLiteral("corrections"), QStringLiteral("--data"), dir.dataDir()} +
        arguments);
}

// Three corrections of Ann's card; the second one's reason as given.
QList<Correction> threeCorrections(const QString& secondReason = QStringLiteral("forgot to punch"))
{
    const QByteArray a = line("IN", "11/02/2009", "08:00");
    return {correction(Correction::Kind::Added, {}, a),
            correction(Correction::Kind::Deleted, a, {}, secondReason),
            correction(Correction::Kind::Added, {}, a, QStringLiteral("again"))};
}

} // namespace

class TestCorrections : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret"));
    }
    void cleanup() { m_dir.reset(); }

    void forgottenOutAdded_isPaidByTheReport();
    void fileInTimeOrder_keepsEveryUntouchedLineByteForByte();
    void fileOutOfOrder_isSavedInOrderWithSameMomentsKept();
    void outOfOrderWeek_savedInOrder_leavesOtherWeeksPaidAlike();
    void invalidFile_showsItsLinesAndIsValidOnceRepaired();
    void lineThatDoesNotRead_blocksTheSave();
    void fileChangedMeanwhile_isNotOverwritten();
    void log_recordsEachChangeWithItsReason();
    void verify_findsWhatChangedSinceTheHeadWasWrittenDown_data();
    void verify_findsWhatChangedSinceTheHeadWasWrittenDown();
    void report_endsWithTheHead_data();
    void report_endsWithTheHead();
    void reportOfTamperedRecord_saysWhereAndFails_data();
    void reportOfTamperedRecord_saysWhereAndFails();
    void head_parsesWhatIsShownAndRefusesTheRest_data();
    void head_parsesWhatIsShownAndRefusesTheRest();
    void whoIsIn_listsOpenPunchesLongestFirst();
    void edit_correctionsNeedAReasonAndALine();
    void edit_saveWritesCardAndRecord_aChangedCardKeepsTheCorrections();
    void edit_saveWithoutCorrection_writesNothing_data();
    void edit_saveWithoutCorrection_writesNothing();
    void edit_saveMendingLineEnds_recordsEachLine();
    void saveAfterTornLastLine_addsItsOwnLineChainedToTheLastWhole();
    void threeSeparateSaves_chainEachToTheOneBefore();
    void whoIsIn_marksAnInDatedAfterNow();
    void whoIsIn_forgottenOnlyBeyond16Hours_data();
    void whoIsIn_forgottenOnlyBeyond16Hours();
    void whoIsIn_readsATornLastPunchAsTheStationDoes();

private:
    std::unique_ptr<TempProgramDir> m_dir;
};

void TestCorrections::forgottenOutAdded_isPaidByTheReport()
{
    const QByteArray bytes = SampleReport::weekOfPunches() + punchLine("IN", "11/08/2009", "08:00");
    m_dir->write(QStringLiteral("Ann.txt"), bytes);
    const float before = weekHours(QStringLiteral("Ann"));
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    QList<TimeCardLine> lines = card.lines;
    lines.append(TimeCardLine::punch(false, QDate(2009, 11, 8), QTime(12, 0)));
    const QByteArray out = line("OUT", "11/08/2009", "12:00");
    QVERIFY(SaveCorrectedTimeCard(QStringLiteral("Ann"), card, lines,
                                  {correction(Correction::Kind::Added, {}, out)}));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), bytes + out + "\r\n");
    QCOMPARE(weekHours(QStringLiteral("Ann")), before + 4.0f);
}

void TestCorrections::fileInTimeOrder_keepsEveryUntouchedLineByteForByte()
{
    // A hand-spaced line that reads is kept as it is stored.
    const QByteArray odd = "IN  x 11/02/2009        07:00\r\n";
    QCOMPARE(odd.size(), TimeRecord::Size);
    const QByteArray bytes = odd + punchLine("OUT", "11/02/2009", "07:30") +
                             SampleReport::punchPair("11/03/2009", "08:00", "11/03/2009", "17:00");
    const TimeCard card = ParseTimeCard(bytes);
    QVERIFY(card.allReadable() && IsInTimeOrder(card));
    QList<TimeCardLine> lines = card.lines;
    lines[3] = TimeCardLine::punch(false, QDate(2009, 11, 3), QTime(16, 45));
    QCOMPARE(*SerializeTimeCard(lines),
             bytes.left(3 * TimeRecord::Size) + punchLine("OUT", "11/03/2009", "16:45"));
}

void TestCorrections::fileOutOfOrder_isSavedInOrderWithSameMomentsKept()
{
    const QByteArray a = punchLine("IN", "11/03/2009", "08:00");
    const QByteArray b = punchLine("OUT", "11/03/2009", "08:00");
    const QByteArray early = SampleReport::punchPair("11/02/2009", "08:00", "11/02/2009", "12:00");
    const QByteArray bytes = a + b + early;
    const TimeCard card = ParseTimeCard(bytes);
    QVERIFY(!IsInTimeOrder(card));
    QCOMPARE(*SerializeTimeCard(card.lines), early + a + b);
}

void TestCorrections::outOfOrderWeek_savedInOrder_leavesOtherWeeksPaidAlike()
{
    // The first week in order, the second with a pair typed in before an earlier one.
    const QByteArray first = SampleReport::weekOfPunches();
    const QByteArray second =
        SampleReport::punchPair("11/11/2009", "08:00", "11/11/2009", "12:00") +
        SampleReport::punchPair("11/09/2009", "08:00", "11/09/2009", "16:00");
    m_dir->write(QStringLiteral("Ann.txt"), first + second);
    const auto week = [](QDate monday) {
        const clsTime t = LoadPayPeriod(QStringLiteral("Ann"), monday, monday.addDays(6), 0, Zone)
                              .valueOr(clsTime());
        return std::pair(t.TotalHours(), t.OvertimeHours(OvertimeRule{false, 40}));
    };
    const auto untouched = week(QDate(2009, 11, 2));
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    QVERIFY(SaveCorrectedTimeCard(QStringLiteral("Ann"), card, card.lines, {}));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             first + second.right(2 * TimeRecord::Size) + second.left(2 * TimeRecord::Size));
    QVERIFY(IsInTimeOrder(ParseTimeCard(m_dir->read(QStringLiteral("Ann.txt")))));
    QCOMPARE(week(QDate(2009, 11, 2)), untouched);
    QCOMPARE(week(QDate(2009, 11, 9)).first, 12.0f);
}

void TestCorrections::invalidFile_showsItsLinesAndIsValidOnceRepaired()
{
    const QByteArray good = SampleReport::punchPair("11/02/2009", "08:00", "11/02/2009", "12:00");
    const QByteArray next = SampleReport::punchPair("11/03/2009", "08:00", "11/03/2009", "12:00");
    const QByteArray bytes = good + "OUT   11/2/2009 17:00\r\n" + next;
    m_dir->write(QStringLiteral("Ann.txt"), bytes);
    QVERIFY(!TimeFileIsValid(QStringLiteral("Ann")));
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    QCOMPARE(card.lines.size(), 5);
    QVERIFY(!card.lines[2].readable);
    QCOMPARE(card.lines[2].stored, QByteArray("OUT   11/2/2009 17:00"));
    QList<TimeCardLine> lines = card.lines;
    lines[2] = TimeCardLine::punch(false, QDate(2009, 11, 2), QTime(17, 0));
    QVERIFY(SaveCorrectedTimeCard(
        QStringLiteral("Ann"), card, lines,
        {correction(Correction::Kind::Changed, card.lines[2].stored, lines[2].text())}));
    QVERIFY(TimeFileIsValid(QStringLiteral("Ann")));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             good + punchLine("OUT", "11/02/2009", "17:00") + next);
}

void TestCorrections::lineThatDoesNotRead_blocksTheSave()
{
    const QByteArray bytes = "garbage\r\n" + punchLine("IN", "11/02/2009", "08:00");
    m_dir->write(QStringLiteral("Ann.txt"), bytes);
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    const IoResult saved = SaveCorrectedTimeCard(QStringLiteral("Ann"), card, card.lines, {});
    QVERIFY(!saved && saved.error.contains(QStringLiteral("Ann.txt")));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), bytes);
    QVERIFY(!m_dir->exists(QStringLiteral("corrections.log")));
}

void TestCorrections::fileChangedMeanwhile_isNotOverwritten()
{
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/02/2009", "08:00"));
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    QVERIFY(RecordPunch(QStringLiteral("Ann"), false));
    const QByteArray punched = m_dir->read(QStringLiteral("Ann.txt"));
    QVERIFY(!SaveCorrectedTimeCard(QStringLiteral("Ann"), card, {}, {}));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), punched);
}

void TestCorrections::log_recordsEachChangeWithItsReason()
{
    const QByteArray in = line("IN", "11/02/2009", "08:00");
    const QByteArray out = line("OUT", "11/02/2009", "12:00");
    m_dir->write(QStringLiteral("Ann.txt"), in + "\r\n" + out + "\r\n");
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    const QList<TimeCardLine> lines{TimeCardLine::punch(true, QDate(2009, 11, 2), QTime(8, 15))};
    const QList<Correction> made{
        correction(Correction::Kind::Changed, in, lines[0].text(), QStringLiteral("late\tbus")),
        correction(Correction::Kind::Deleted, out, {}, QStringLiteral("punched twice"))};
    QVERIFY(SaveCorrectedTimeCard(QStringLiteral("Ann"), card, lines, made));
    const QList<QByteArray> logged = m_dir->read(QStringLiteral("corrections.log")).split('\n');
    QCOMPARE(logged.size(), 3);
    QVERIFY(logged[0].startsWith("2009-11-09T09:30:00-05:00\tAnn\tchanged\t" + in + '\t' +
                                 lines[0].text() + "\tlate\\tbus\t"));
    QVERIFY(logged[1].startsWith("2009-11-09T09:30:00-05:00\tAnn\tdeleted\t" + out +
                                 "\t\tpunched twice\t"));
    CorrectionLogContents contents;
    QVERIFY(ReadCorrectionLog(&contents));
    QVERIFY(contents.intact());
    QCOMPARE(contents.corrections.size(), 2);
    QCOMPARE(contents.corrections[0].reason, QStringLiteral("late\tbus"));
    QCOMPARE(contents.corrections[1].oldLine, out);
}

void TestCorrections::verify_findsWhatChangedSinceTheHeadWasWrittenDown_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("withHead");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    QTest::newRow("intact") << QString() << false << 0 << QStringLiteral("is intact: 3 entries");
    QTest::newRow("intact, the head written down")
        << QString() << true << 0 << QStringLiteral("still holds entry 3 with the hash");
    QTest::newRow("line changed") << QStringLiteral("change") << false << 1
                                  << QStringLiteral("breaks at line 2");
    QTest::newRow("line removed") << QStringLiteral("remove") << false << 1
                                  << QStringLiteral("breaks at line 2");
    QTest::newRow("line inserted")
        << QStringLiteral("insert") << false << 1 << QStringLiteral("breaks at line 2");
    QTest::newRow("lines reordered")
        << QStringLiteral("reorder") << false << 1 << QStringLiteral("breaks at line 2");
    QTest::newRow("last line cut short by hand")
        << QStringLiteral("tear") << false << 1
        << QStringLiteral("line 3 is incomplete (it does not end with a hash of 64 hex digits)");
    // Alone, the chain cannot tell a record cut short or rewritten whole from one never longer.
    QTest::newRow("last line removed, no head")
        << QStringLiteral("drop last") << false << 0 << QStringLiteral("is intact: 2 entries");
    QTest::newRow("last line removed") << QStringLiteral("drop last") << true << 1
                                       << QStringLiteral("holds 2 entries, but must hold entry 3");
    QTest::newRow("emptied") << QStringLiteral("empty") << true << 1
                             << QStringLiteral("holds no entry, but must hold entry 3");
    QTest::newRow("deleted") << QStringLiteral("delete") << true << 1
                             << QStringLiteral("does not exist, but must hold entry 3");
    QTest::newRow("rewritten with fresh hashes")
        << QStringLiteral("rewrite") << true << 1 << QStringLiteral("was rewritten since");
}

void TestCorrections::verify_findsWhatChangedSinceTheHeadWasWrittenDown()
{
    QFETCH(QString, damage);
    QFETCH(bool, withHead);
    QFETCH(int, status);
    QFETCH(QString, says);
    const QByteArray written = FormatCorrections(threeCorrections(), CorrectionChainStart());
    m_dir->write(QStringLiteral("corrections.log"), written);
    const ReportProgramRun printed = runCorrections(*m_dir, {});
    QCOMPARE(printed.exitCode, 0);
    const QString head =
        QString::fromUtf8(printed.out).section(QStringLiteral("--head "), 1).section(u'"', 0, 0);
    QCOMPARE(head, QStringLiteral("3:") + QString::fromLatin1(written.right(65).left(16)));

    QList<QByteArray> lines = CorrectionLogLines(written);
    if (damage == QLatin1String("change"))
        lines[1].replace("forgot", "forgon");
    if (damage == QLatin1String("remove"))
        lines.removeAt(1);
    if (damage == QLatin1String("insert"))
        lines.insert(1, lines[0]);
    if (damage == QLatin1String("reorder"))
        lines.swapItemsAt(1, 2);
    if (damage == QLatin1String("drop last"))
        lines.removeLast();
    QByteArray bytes = lines.join('\n') + '\n';
    if (damage == QLatin1String("tear"))
        bytes.chop(20);
    if (damage == QLatin1String("empty"))
        bytes.clear();
    if (damage == QLatin1String("rewrite"))
        bytes = FormatCorrections(threeCorrections(QStringLiteral("was never here")),
                                  CorrectionChainStart());
    m_dir->write(QStringLiteral("corrections.log"), bytes);
    if (damage == QLatin1String("delete"))
        QVERIFY(QFile::remove(m_dir->dataDir() + QStringLiteral("/corrections.log")));

    QStringList arguments{QStringLiteral("--verify")};
    if (withHead)
        arguments << QStringLiteral("--head") << head;
    const ReportProgramRun verified = runCorrections(*m_dir, arguments);
    const QByteArray message = verified.out + verified.err;
    QCOMPARE(verified.exitCode, status);
    QVERIFY2(message.contains(says.toUtf8()), message.constData());
    // What the record is checked for is named; a crash nobody saw is not blamed.
    QVERIFY2(message.contains("corrections.log"), message.constData());
    QVERIFY2(!message.contains("save that was cut short"), message.constData());
}

void TestCorrections::report_endsWithTheHead_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("last");
    QTest::newRow("text") << QStringLiteral("text")
                          << QStringLiteral("Head of the record of corrections: 3:%1 (3 entries, "
                                            "the last with the hash %1). Write it down: ");
    QTest::newRow("csv") << QStringLiteral("csv") << QStringLiteral(",,head,,,3:%1\r");
}

void TestCorrections::report_endsWithTheHead()
{
    QFETCH(QString, format);
    QFETCH(QString, last);
    const QByteArray written = FormatCorrections(threeCorrections(), CorrectionChainStart());
    m_dir->write(QStringLiteral("corrections.log"), written);
    // The head is the whole record's, whoever the report selects.
    const ReportProgramRun printed =
        runCorrections(*m_dir, {QStringLiteral("Bob"), QStringLiteral("--format"), format});
    QCOMPARE(printed.exitCode, 0);
    const QString lastLine = QString::fromUtf8(printed.out).trimmed().section(u'\n', -1) +
                             (format == QLatin1String("csv") ? QStringLiteral("\r") : QString());
    QVERIFY2(lastLine.startsWith(last.arg(QString::fromLatin1(written.right(65).left(16)))),
             qPrintable(lastLine));
}

void TestCorrections::reportOfTamperedRecord_saysWhereAndFails_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("says"); // %1: the record's path
    const QString breaks = QStringLiteral(" was changed by hand: the chain breaks at line 2.");
    QTest::newRow("text") << QStringLiteral("text")
                          << QStringLiteral("The record of corrections \"%1\"") + breaks;
    QTest::newRow("csv") << QStringLiteral("csv")
                         << QStringLiteral(",,verdict,,,\"The record of corrections \"\"%1\"\"") +
                                breaks + u'"';
}

void TestCorrections::reportOfTamperedRecord_saysWhereAndFails()
{
    QFETCH(QString, format);
    QFETCH(QString, says);
    QByteArray written =
        FormatCorrections(threeCorrections(QStringLiteral("mistyped")), CorrectionChainStart());
    written.replace("mistyped", "MISTYPED");
    m_dir->write(QStringLiteral("corrections.log"), written);
    const ReportProgramRun printed = runCorrections(*m_dir, {QStringLiteral("--format"), format});
    QCOMPARE(printed.exitCode, 1);
    const QString out = QString::fromUtf8(printed.out);
    QVERIFY2(out.contains(says.arg(m_dir->path(QStringLiteral("corrections.log")))),
             qPrintable(out));
    QVERIFY(printed.err.contains("the chain breaks at line 2"));
}

void TestCorrections::head_parsesWhatIsShownAndRefusesTheRest_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("as shown") << QStringLiteral("12:3fa9c0d1e2b34a5f") << true;
    QTest::newRow("read out in capitals") << QStringLiteral("12:3FA9C0D1E2B34A5F") << true;
    QTest::newRow("the whole hash") << QStringLiteral("1:") + QString(64, u'a') << true;
    QTest::newRow("too few digits") << QStringLiteral("12:3fa9c0d1") << false;
    QTest::newRow("no count") << QStringLiteral(":3fa9c0d1e2b34a5f") << false;
    QTest::newRow("negative") << QStringLiteral("-1:3fa9c0d1e2b34a5f") << false;
    QTest::newRow("not hex") << QStringLiteral("12:3fa9c0d1e2b34a5g") << false;
}

void TestCorrections::head_parsesWhatIsShownAndRefusesTheRest()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const std::optional<CorrectionLogHead> head = CorrectionLogHead::parse(text);
    QCOMPARE(head.has_value(), valid);
    if (valid)
        QCOMPARE(head->text(),
                 text.section(u':', 0, 0) + u':' +
                     text.section(u':', 1).left(CorrectionLogHead::HashDigits).toLower());
    // A head that reads is checked (against no record here); one that does not is refused.
    const ReportProgramRun run =
        runCorrections(*m_dir, {QStringLiteral("--verify"), QStringLiteral("--head"), text});
    QCOMPARE(run.exitCode, valid ? 1 : 2);
}

void TestCorrections::whoIsIn_listsOpenPunchesLongestFirst()
{
    m_dir->write(QStringLiteral("Open.txt"),
                 SampleReport::weekOfPunches() + punchLine("IN", "11/09/2009", "08:00"));
    m_dir->write(QStringLiteral("Forgot.txt"), punchLine("IN", "11/08/2009", "07:00"));
    m_dir->write(QStringLiteral("Closed.txt"), SampleReport::weekOfPunches());
    m_dir->write(QStringLiteral("Broken.txt"), "IN  \r\n");
    const QList<EmployeeRecord> employees{sampleEmployee("Open"), sampleEmployee("Forgot"),
                                          sampleEmployee("Closed"), sampleEmployee("Broken"),
                                          sampleEmployee("Missing")};
    const WhoIsInList in =
        FindWhoIsIn(employees, QDateTime(QDate(2009, 11, 9), QTime(12, 30), Zone), Zone);
    QCOMPARE(in.present.size(), 2);
    QCOMPARE(in.present[0].name, QStringLiteral("Forgot"));
    QCOMPARE(in.present[0].hours, 29.5);
    QVERIFY(in.present[0].forgotten);
    QCOMPARE(in.present[1].name, QStringLiteral("Open"));
    QCOMPARE(in.present[1].hours, 4.5);
    QVERIFY(!in.present[1].forgotten);
    QCOMPARE(in.unread.size(), 1);
    QCOMPARE(in.unread[0].name, QStringLiteral("Broken"));
    QVERIFY(in.unread[0].reason.contains(QStringLiteral("Broken.txt")));
    const QString text = WhoIsInText(in, QStringLiteral("hh:nn AM/PM"),
                                     RegionalFormats::of(QLocale(QStringLiteral("en_US"))));
    QVERIFY2(text.contains(QStringLiteral("Forgot                  11/8/2009 07:00 AM        "
                                          "29.50 ***\r\n")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Not read: ") + in.unread[0].reason), qPrintable(text));
    // Whoever cannot be read may well be in: the CSV says so as the text does.
    QCOMPARE(WhoIsInCsv(in),
             "Employee Name,In Date,In Time,Hours,Probably Forgotten,Not Read\r\n"
             "Forgot,2009-11-08,07:00,29.50,1,\r\n"
             "Open,2009-11-09,08:00,4.50,0,\r\n"
             "Broken,,,,,\"" +
                 QString(in.unread[0].reason).replace(u'"', QStringLiteral("\"\"")).toUtf8() +
                 "\"\r\n");
}

void TestCorrections::edit_correctionsNeedAReasonAndALine()
{
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/09/2009", "08:00"));
    TimeCardEdit edit(DataFolderPunches());
    QVERIFY(!edit.add(true, QDate(2009, 11, 9), QTime(9, 0), QStringLiteral("no card open")));
    QVERIFY(edit.open(QStringLiteral("Ann")));
    QVERIFY(!edit.add(false, QDate(2009, 11, 9), QTime(17, 0), QStringLiteral("  ")));
    QVERIFY(!edit.change(1, false, QDate(2009, 11, 9), QTime(17, 0), QStringLiteral("no line")));
    QVERIFY(!edit.remove(-1, QStringLiteral("no line")));
    QVERIFY(!edit.hasUnsaved());
    QVERIFY(edit.add(false, QDate(2009, 11, 9), QTime(17, 0), QStringLiteral("forgot OUT")));
    QVERIFY(edit.change(0, true, QDate(2009, 11, 9), QTime(8, 30), QStringLiteral("late bus")));
    QCOMPARE(edit.corrections().size(), 2);
    QCOMPARE(edit.corrections().at(1).oldLine, punchLine("IN", "11/09/2009", "08:00").left(29));
    edit.discard();
    QCOMPARE(edit.lines().size(), 1);
    QVERIFY(!edit.hasUnsaved());
}

void TestCorrections::edit_saveWritesCardAndRecord_aChangedCardKeepsTheCorrections()
{
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/09/2009", "08:00"));
    TimeCardEdit edit(DataFolderPunches());
    QVERIFY(edit.open(QStringLiteral("Ann")));
    QVERIFY(edit.add(false, QDate(2009, 11, 9), QTime(17, 0), QStringLiteral("forgot OUT")));
    const QDateTime now(QDate(2009, 11, 10), QTime(9, 0), Zone);
    QVERIFY(edit.save(now));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             punchLine("IN", "11/09/2009", "08:00") + punchLine("OUT", "11/09/2009", "17:00"));
    QVERIFY(!edit.hasUnsaved());
    CorrectionLogContents log;
    QVERIFY(ReadCorrectionLog(&log));
    QCOMPARE(log.corrections.size(), 1);
    QCOMPARE(log.corrections.constFirst().when, now);

    // A punch meanwhile: nothing is saved, and the correction waits for another try.
    QVERIFY(edit.remove(0, QStringLiteral("wrong day")));
    m_dir->write(QStringLiteral("Ann.txt"),
                 m_dir->read(QStringLiteral("Ann.txt")) + punchLine("IN", "11/10/2009", "08:00"));
    QVERIFY(!edit.save(now));
    QVERIFY(edit.hasUnsaved());
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")).size(), 3 * 31);
}

void TestCorrections::edit_saveWithoutCorrection_writesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lines out of time order")
        << punchLine("IN", "11/02/2009", "08:00") + punchLine("OUT", "11/02/2009", "16:00") +
               punchLine("IN", "11/02/2009", "12:00") + punchLine("OUT", "11/02/2009", "13:00");
    QByteArray lf = SampleReport::weekOfPunches();
    QTest::newRow("LF line ends") << lf.replace("\r\n", "\n");
}

void TestCorrections::edit_saveWithoutCorrection_writesNothing()
{
    QFETCH(QByteArray, bytes);
    m_dir->write(QStringLiteral("Ann.txt"), bytes);
    TimeCardEdit edit(DataFolderPunches());
    QVERIFY(edit.open(QStringLiteral("Ann")));
    QVERIFY(edit.tidying().isEmpty());
    QVERIFY(edit.save(QDateTime(QDate(2009, 11, 10), QTime(9, 0), Zone)));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), bytes);
    QVERIFY(!m_dir->exists(QStringLiteral("corrections.log")));
}

void TestCorrections::edit_saveMendingLineEnds_recordsEachLine()
{
    const QByteArray in = line("IN", "11/02/2009", "08:00");
    const QByteArray out = line("OUT", "11/02/2009", "12:00");
    m_dir->write(QStringLiteral("Ann.txt"), in + "\n" + out + "\n");
    TimeCardEdit edit(DataFolderPunches());
    QVERIFY(edit.open(QStringLiteral("Ann")));
    QVERIFY(edit.add(true, QDate(2009, 11, 3), QTime(8, 0), QStringLiteral("forgot IN")));
    QVERIFY(edit.save(QDateTime(QDate(2009, 11, 10), QTime(9, 0), Zone)));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             in + "\r\n" + out + "\r\n" + punchLine("IN", "11/03/2009", "08:00"));
    CorrectionLogContents log;
    QVERIFY(ReadCorrectionLog(&log));
    QCOMPARE(log.corrections.size(), 3);
    QCOMPARE(log.corrections[1].oldLine, in);
    QCOMPARE(log.corrections[1].reason, QStringLiteral("line end mended by the save"));
    QCOMPARE(log.corrections[2].newLine, out);
}

void TestCorrections::saveAfterTornLastLine_addsItsOwnLineChainedToTheLastWhole()
{
    const QByteArray whole = FormatCorrections(threeCorrections(), CorrectionChainStart());
    const QByteArray torn = "2009-11-09T09:30:00-05:00\tAnn\tadd";
    m_dir->write(QStringLiteral("corrections.log"), whole + torn);
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/02/2009", "08:00"));
    TimeCard card;
    QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
    QList<TimeCardLine> lines = card.lines;
    lines.append(TimeCardLine::punch(false, QDate(2009, 11, 2), QTime(12, 0)));
    QVERIFY(SaveCorrectedTimeCard(
        QStringLiteral("Ann"), card, lines,
        {correction(Correction::Kind::Added, {}, lines.last().text(), QStringLiteral("fourth"))}));
    const QByteArray after = m_dir->read(QStringLiteral("corrections.log"));
    QVERIFY(after.startsWith(whole + torn + '\n'));
    const CorrectionLogContents log = ParseCorrectionLog(after);
    QCOMPARE(log.brokenLine, 0);
    QCOMPARE(log.tornLines, QList<int>{4});
    QCOMPARE(log.corrections.size(), 4);
    QCOMPARE(log.corrections.last().reason, QStringLiteral("fourth"));
}

void TestCorrections::threeSeparateSaves_chainEachToTheOneBefore()
{
    m_dir->write(QStringLiteral("Ann.txt"), QByteArray());
    for (int hour = 8; hour < 11; ++hour) {
        TimeCard card;
        QVERIFY(ReadTimeCard(QStringLiteral("Ann"), &card));
        QList<TimeCardLine> lines = card.lines;
        lines.append(TimeCardLine::punch(hour % 2 == 0, QDate(2009, 11, 2), QTime(hour, 0)));
        QVERIFY(
            SaveCorrectedTimeCard(QStringLiteral("Ann"), card, lines,
                                  {correction(Correction::Kind::Added, {}, lines.last().text())}));
    }
    CorrectionLogContents log;
    QVERIFY(ReadCorrectionLog(&log));
    QVERIFY2(log.intact(), qPrintable(log.verdict()));
    QCOMPARE(log.corrections.size(), 3);
}

void TestCorrections::whoIsIn_marksAnInDatedAfterNow()
{
    m_dir->write(QStringLiteral("Early.txt"), punchLine("IN", "11/10/2009", "06:00"));
    const WhoIsInList in = FindWhoIsIn({sampleEmployee("Early")},
                                       QDateTime(QDate(2009, 11, 9), QTime(12, 0), Zone), Zone);
    QCOMPARE(in.present.size(), 1);
    QVERIFY(in.present[0].future);
    QCOMPARE(in.present[0].hours, 0.0);
    const QString text = WhoIsInText(in, QStringLiteral("hh:nn AM/PM"),
                                     RegionalFormats::of(QLocale(QStringLiteral("en_US"))));
    QVERIFY2(text.contains(QStringLiteral(" .00 !!!\r\n")) &&
                 text.contains(QStringLiteral("The IN is dated after now")),
             qPrintable(text));
    QVERIFY(!text.contains(u'-'));
    QVERIFY(WhoIsInCsv(in).contains(",0.00,0,!!! The IN is dated after now"));
}

void TestCorrections::whoIsIn_forgottenOnlyBeyond16Hours_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<bool>("forgotten");
    QTest::newRow("exactly 16 hours") << QTime(0, 0) << false;
    QTest::newRow("16 hours and a minute") << QTime(0, 1) << true;
}

void TestCorrections::whoIsIn_forgottenOnlyBeyond16Hours()
{
    QFETCH(QTime, now);
    QFETCH(bool, forgotten);
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/08/2009", "08:00"));
    const WhoIsInList in =
        FindWhoIsIn({sampleEmployee("Ann")}, QDateTime(QDate(2009, 11, 9), now, Zone), Zone);
    QCOMPARE(in.present.size(), 1);
    QCOMPARE(in.present[0].forgotten, forgotten);
}

void TestCorrections::whoIsIn_readsATornLastPunchAsTheStationDoes()
{
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/09/2009", "08:00") + "OUT   11/0");
    QVERIFY(TimeFileIsValid(QStringLiteral("Ann")));
    const WhoIsInList in = FindWhoIsIn({sampleEmployee("Ann")},
                                       QDateTime(QDate(2009, 11, 9), QTime(12, 0), Zone), Zone);
    QVERIFY(in.unread.isEmpty());
    QCOMPARE(in.present.size(), 1);
    QCOMPARE(in.present[0].hours, 4.0);
}

QTEST_GUILESS_MAIN(TestCorrections)
#include "tst_corrections.moc"
