#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/ShiftCharacters.h"
#include "data/TimeFile.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class TestDataFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void result_saysWhetherItFailedAndWhy_data();
    void result_saysWhetherItFailedAndWhy();
    void result_noAnswerIsNoFailure();
    void result_keepsTheOldShapeForItsOtherCallers();
    void punchLine_isThirtyOneBytesWithPaddedFields_data();
    void punchLine_isThirtyOneBytesWithPaddedFields();
    void tornLastRecord_givesWayToTheNextPunch_data();
    void tornLastRecord_givesWayToTheNextPunch();
    void dataDirectory_isNamedBesideOrAtHome_data();
    void dataDirectory_isNamedBesideOrAtHome();
    void createdDataFolder_is0700AndKeepsOtherAccountsOut();
    void cleanup() { FileStore::setFaultHook({}); }

    void firstRunSettings_are229BytesWithZeroReservedFields();
    void settingsFields_padAndCutToWidth();
    void settingsRoundTrip_keepsEveryField();
    void settingsOfWrongSize_areReportedAndLeftAlone_data();
    void settingsOfWrongSize_areReportedAndLeftAlone();
    void adminPassword_comparedExactly();
    void overtimeThreshold_readsLeadingNumber_data();
    void overtimeThreshold_readsLeadingNumber();
    void failedSettingsWrite_leavesOldFileWhole();
    void flagByteOtherThanOne_readsAsOff_data();
    void flagByteOtherThanOne_readsAsOff();

    void shiftCharacters_roundTripsAndKeepsLineEnds();
    void shiftCharacters_outOfRangeFailsWithItsMessage_data();
    void shiftCharacters_outOfRangeFailsWithItsMessage();

    void employeeRecord_roundTripsWithCommaInName();
    void employeeNames_compareExactlyOrIgnoringCase();
    void paddedStoredName_isADuplicateOfTheBareName();
    void findEmployee_withoutMatchGivesNoFields();
    void deleteEmployee_keepsOrderOfOthersAndTimeFile();
    void deleteOnlyEmployee_leavesEmptyFileAndNoTemporary();
    void deleteUnknown_removesNothingAndLeavesFile();
    void deleteInterruptedByFailingWrite_leavesOldListWhole();
    void brokenEmployeeLines_areReportedAndGoodRecordsKept_data();
    void brokenEmployeeLines_areReportedAndGoodRecordsKept();
    void brokenEmployeeList_isNeverRewritten();
    void blankNameRecord_isLeftOutWithoutAWordAndDroppedByARewrite_data();
    void blankNameRecord_isLeftOutWithoutAWordAndDroppedByARewrite();
    void checkPin_comparesUnscrambledTextExactly();
    void everyLatin1Pair_isADuplicateExactlyWhenQtsUpperCasesAgree();
    void listSavedAsUtf8_namesItsLinesAndIsReadAsLatin1_data();
    void listSavedAsUtf8_namesItsLinesAndIsReadAsLatin1();

    void punchLine_atMidnightAndAfternoon_data();
    void punchLine_atMidnightAndAfternoon();
    void recordPunch_appends31BytesPerPunch();
    void recordPunch_failingWriteOrFlushLeavesFileUnchanged_data();
    void recordPunch_failingWriteOrFlushLeavesFileUnchanged();
    void recordPunch_refusedWhereReportsWouldRefuseTheFile_data();
    void recordPunch_refusedWhereReportsWouldRefuseTheFile();
    void timeFileValidity_followsLength_data();
    void timeFileValidity_followsLength();
    void lastActionText_inBothTimeFormats_data();
    void lastActionText_inBothTimeFormats();
    void lastAction_readsOnlyTheLastRecord();
    void unopenableTimeFile_failsLastActionNamingFile_data();
    void unopenableTimeFile_failsLastActionNamingFile();
};

void TestDataFiles::firstRunSettings_are229BytesWithZeroReservedFields()
{
    TempProgramDir dir;
    QVERIFY(WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("secret1"))));
    const QByteArray bytes = dir.read(QStringLiteral("options.ini"));
    QCOMPARE(bytes.size(), 229);
    QCOMPARE(bytes.mid(10, 5), QByteArray("40   "));
    QCOMPARE(bytes.mid(15, 1), QByteArray("0"));
    QCOMPARE(bytes.mid(16, 20), QByteArray("Your Company Name   "));
    QCOMPARE(bytes.mid(36, 5), QByteArray("00000"));
    QCOMPARE(bytes.mid(41, 10), QByteArray(10, '\0'));
    QCOMPARE(bytes.mid(51, 14), QByteArray("hh:nn AM/PM   "));
    QCOMPARE(bytes.mid(65, 44), QByteArray(44, '\0'));
    const QByteArray address("Street Address\r\nCity, Province (or State)\r\n"
                             "Postal Code (or Zip Code)\r\nTel (000) 000-0000");
    QCOMPARE(address.size(), 88);
    QCOMPARE(bytes.mid(109), address + QByteArray(32, ' '));
    QCOMPARE(dir.files(), QStringList{QStringLiteral("options.ini")}); // no temporary left
}

void TestDataFiles::settingsFields_padAndCutToWidth()
{
    OptionsRecord r;
    r.setTimeFormat(QStringLiteral("hh:mm"));
    QCOMPARE(r.TimeFormat, QStringLiteral("hh:mm         "));
    QCOMPARE(r.timeFormat(), QStringLiteral("hh:mm"));
    r.setCompany(QStringLiteral("A Company Name Longer Than Twenty"));
    QCOMPARE(r.Company, QStringLiteral("A Company Name Longe"));
    r.setAddress(QString(130, u'x'));
    QCOMPARE(r.Address.size(), 120);
    r.setAdminPassword(ScramblePassword(QStringLiteral("abcdefghij")));
    QVERIFY(!r.AdminPassword.contains(u' '));
    QVERIFY(CheckAdminPassword(r, QStringLiteral("abcdefghij")).value());
}

void TestDataFiles::settingsRoundTrip_keepsEveryField()
{
    TempProgramDir dir;
    OptionsRecord r = OptionsRecord::firstRunDefaults(QStringLiteral("Zz0:_9"));
    r.setDailyOvertime(true);
    r.setOvertimeThreshold(QStringLiteral("8"));
    r.setTimeRounding(2);
    r.setCompany(QStringLiteral("Café Noël"));
    QVERIFY(WriteOptionsFile(r));
    OptionsRecord back;
    QVERIFY(ReadOptionsFile(&back));
    QCOMPARE(back, r);
    QCOMPARE(dir.read(QStringLiteral("options.ini")).mid(16, 9), QByteArray("Caf\xe9 No\xebl"));
}

void TestDataFiles::settingsOfWrongSize_areReportedAndLeftAlone_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("short") << QByteArray(228, '0');
    QTest::newRow("long") << QByteArray(230, '0');
}

void TestDataFiles::settingsOfWrongSize_areReportedAndLeftAlone()
{
    QFETCH(QByteArray, content);
    TempProgramDir dir;
    dir.write(QStringLiteral("options.ini"), content);
    const Result<OptionsRecord> read = ReadOptionsFile();
    QVERIFY(read.failed());
    QVERIFY(read.message().contains(dir.path(QStringLiteral("options.ini"))));
    QCOMPARE(dir.read(QStringLiteral("options.ini")), content);
}

void TestDataFiles::adminPassword_comparedExactly()
{
    const OptionsRecord r = OptionsRecord::firstRunDefaults(QStringLiteral("Secret"));
    QVERIFY(CheckAdminPassword(r, QStringLiteral("Secret")).value());
    QVERIFY(!CheckAdminPassword(r, QStringLiteral("secret")).value());
    QVERIFY(!CheckAdminPassword(r, QStringLiteral("Secret ")).value());
    QCOMPARE(r.AdminPassword.size(), 10);
    QVERIFY(r.AdminPassword.endsWith(QStringLiteral("    ")));
}

void TestDataFiles::overtimeThreshold_readsLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("hours");
    QTest::newRow("weekly") << "40" << 40.0;
    QTest::newRow("decimal") << "7.5" << 7.5;
    QTest::newRow("trailing text") << "8h" << 8.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("not a number") << "abc" << 0.0;
}

void TestDataFiles::overtimeThreshold_readsLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, hours);
    OptionsRecord r;
    r.setOvertimeThreshold(text);
    QCOMPARE(r.overtimeThresholdHours(), hours);
}

void TestDataFiles::failedSettingsWrite_leavesOldFileWhole()
{
    TempProgramDir dir;
    const OptionsRecord old = OptionsRecord::firstRunDefaults(QStringLiteral("oldpass"));
    QVERIFY(WriteOptionsFile(old));
    const QByteArray before = dir.read(QStringLiteral("options.ini"));
    for (const char* call : {"open", "write", "fsync", "rename"}) {
        FileStore::setFaultHook(
            [call](const char* c, const QString&) { return qstrcmp(c, call) == 0 ? ENOSPC : 0; });
        const Result<> written =
            WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("newpass")));
        QVERIFY2(written.failed(), call);
        QVERIFY(written.message().contains(QStringLiteral("options.ini")));
        QCOMPARE(dir.read(QStringLiteral("options.ini")), before);
        QCOMPARE(dir.files(), QStringList{QStringLiteral("options.ini")});
    }
}

void TestDataFiles::flagByteOtherThanOne_readsAsOff_data()
{
    QTest::addColumn<char>("flag");
    QTest::addColumn<bool>("on");
    QTest::newRow("NUL of a record never saved") << '\0' << false;
    QTest::newRow("space of a hand edit") << ' ' << false;
    QTest::newRow("0") << '0' << false;
    QTest::newRow("1") << '1' << true;
}

void TestDataFiles::flagByteOtherThanOne_readsAsOff()
{
    QFETCH(char, flag);
    QFETCH(bool, on);
    TempProgramDir dir;
    QByteArray bytes = OptionsRecord::firstRunDefaults(QStringLiteral("secret1")).toBytes();
    // The flag bytes: AskOnStart, then AskForPin, SecurityEnabled, AskOnExit, DailyOvertime.
    for (int offset : {15, 36, 37, 38, 39})
        bytes[offset] = flag;
    dir.write(QStringLiteral("options.ini"), bytes);
    OptionsRecord r;
    QVERIFY(ReadOptionsFile(&r));
    for (const QString& f :
         {r.AskOnStart, r.AskForPin, r.SecurityEnabled, r.AskOnExit, r.DailyOvertime})
        QCOMPARE(OptionsRecord::isOn(f), on);
}

void TestDataFiles::shiftCharacters_roundTripsAndKeepsLineEnds()
{
    const QString text = QStringLiteral("Ab1\r\nz~");
    const QString scrambled = ShiftCharacters(int(text.size()), text, 100).value();
    QCOMPARE(scrambled.at(3), u'\r');
    QCOMPARE(scrambled.at(4), u'\n');
    QCOMPARE(ShiftCharacters(int(scrambled.size()), scrambled, -100).value(), text);
    QCOMPARE(ShiftCharacters(0, QString(), PinShift).value(), QString());
    // Scrambled PINs never hold a quote, a comma or a line end.
    const QString pin = ScramblePin(QStringLiteral("0123456789"));
    for (QChar c : pin)
        QVERIFY(c != u'"' && c != u',' && c != u'\r' && c != u'\n');
    QCOMPARE(UnscramblePin(pin).value(), QStringLiteral("0123456789"));
}

void TestDataFiles::shiftCharacters_outOfRangeFailsWithItsMessage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shift");
    QTest::newRow("above 255") << QStringLiteral("a\u00ffb\u00ff") << 1;
    QTest::newRow("below 0") << QStringLiteral("\u0001x") << -2;
}

void TestDataFiles::shiftCharacters_outOfRangeFailsWithItsMessage()
{
    QFETCH(QString, text);
    QFETCH(int, shift);
    const Result<QString> shifted = ShiftCharacters(int(text.size()), text, shift);
    QVERIFY(!shifted);
    QCOMPARE(shifted.message(), QStringLiteral("Encodage/Décodage non permis"));
}

static EmployeeRecord employee(const QString& name, const QString& pin = QStringLiteral("1234"))
{
    return sampleEmployee(name, pin, QStringLiteral("2"), QStringLiteral("8.50"),
                          QStringLiteral("12.75"));
}

void TestDataFiles::employeeRecord_roundTripsWithCommaInName()
{
    TempProgramDir dir;
    EmployeeRecord smith = employee(QStringLiteral("Smith, John"));
    EmployeeRecord blank = employee(QStringLiteral("Émile"));
    blank.SSN.clear();
    blank.RegularRate.clear();
    QVERIFY(AppendEmployee(smith));
    QVERIFY(AppendEmployee(blank));
    QCOMPARE(dir.read(QStringLiteral("names.nms")).left(15), QByteArray("\"Smith, John\",\""));
    EmployeeList list;
    QVERIFY(ReadEmployeeList(&list));
    QVERIFY(list.isClean());
    QCOMPARE(list.records, (QList<EmployeeRecord>{smith, blank}));
    QVERIFY(
        SerializeEmployeeRecord(blank).endsWith(",\"\",\"\",\"12.75\",\"2\",\"111111111\"\r\n"));
}

void TestDataFiles::employeeNames_compareExactlyOrIgnoringCase()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("John Smith"))));
    QVERIFY(EmployeeExists(QStringLiteral("JOHN SMITH")).value());
    QVERIFY(!EmployeeExists(QStringLiteral(" John Smith")).value());
    const Result<EmployeeRecord> found = FindEmployee(QStringLiteral("JOHN SMITH"));
    QVERIFY(!found);
    QCOMPARE(found.message(), QStringLiteral("Employee not found"));
    bool removed = true;
    QVERIFY(DeleteEmployee(QStringLiteral("john smith"), &removed));
    QVERIFY(!removed);
    QCOMPARE(*EmployeeNames(), QStringList{QStringLiteral("John Smith")});
}

void TestDataFiles::paddedStoredName_isADuplicateOfTheBareName()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("names.nms"),
              SerializeEmployeeRecord(employee(QStringLiteral("Bob  "))));
    QVERIFY(EmployeeExists(QStringLiteral("bob")).value());
}

void TestDataFiles::findEmployee_withoutMatchGivesNoFields()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Mary Jones"))));
    const Result<EmployeeRecord> nobody = FindEmployee(QStringLiteral("Nobody"));
    QVERIFY(!nobody);
    QCOMPARE(nobody.message(), QStringLiteral("Employee not found"));
    const Result<EmployeeRecord> found = FindEmployee(QStringLiteral("Mary Jones"));
    QVERIFY(found);
    QCOMPARE(found->OvertimeRate, QStringLiteral("12.75"));
}

void TestDataFiles::deleteEmployee_keepsOrderOfOthersAndTimeFile()
{
    TempProgramDir dir;
    for (const char* name : {"Ann", "Bob", "Cid", "Dee"})
        QVERIFY(AppendEmployee(employee(QLatin1String(name))));
    dir.write(QStringLiteral("Bob.txt"), punchLine("IN", "01/15/2001", "08:05"));
    QVERIFY(DeleteEmployee(QStringLiteral("Bob")).ok());
    QCOMPARE(*EmployeeNames(),
             (QStringList{QStringLiteral("Ann"), QStringLiteral("Cid"), QStringLiteral("Dee")}));
    QVERIFY(dir.exists(QStringLiteral("Bob.txt")));
    QVERIFY(!QFile::exists(dir.programDir() + QStringLiteral("/temp.tmp")));
}

void TestDataFiles::deleteOnlyEmployee_leavesEmptyFileAndNoTemporary()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Solo"))));
    QVERIFY(DeleteEmployee(QStringLiteral("Solo")).ok());
    QCOMPARE(dir.read(QStringLiteral("names.nms")), QByteArray());
    QCOMPARE(dir.files(), QStringList{QStringLiteral("names.nms")});
}

void TestDataFiles::deleteUnknown_removesNothingAndLeavesFile()
{
    TempProgramDir dir;
    QVERIFY(EnsureEmployeeListFile());
    bool removed = true;
    QVERIFY(DeleteEmployee(QStringLiteral("Anyone"), &removed));
    QVERIFY(!removed);
    QCOMPARE(dir.read(QStringLiteral("names.nms")), QByteArray());
}

void TestDataFiles::deleteInterruptedByFailingWrite_leavesOldListWhole()
{
    TempProgramDir dir;
    for (const char* name : {"Ann", "Bob"})
        QVERIFY(AppendEmployee(employee(QLatin1String(name))));
    const QByteArray before = dir.read(QStringLiteral("names.nms"));
    for (const char* call : {"open", "write", "fsync", "rename"}) {
        FileStore::setFaultHook(
            [call](const char* c, const QString&) { return qstrcmp(c, call) == 0 ? EIO : 0; });
        const Result<bool> deleted = DeleteEmployee(QStringLiteral("Ann"));
        QVERIFY2(deleted.failed(), call);
        QVERIFY(deleted.message().contains(QStringLiteral("names.nms")));
        QCOMPARE(dir.read(QStringLiteral("names.nms")), before);
        QCOMPARE(dir.files(), QStringList{QStringLiteral("names.nms")});
    }
}

void TestDataFiles::brokenEmployeeLines_areReportedAndGoodRecordsKept_data()
{
    QTest::addColumn<QByteArray>("badLine");
    QTest::newRow("too few fields") << QByteArray("\"Bad\",\"x\",\"y\"\r\n");
    QTest::newRow("unterminated quote") << QByteArray("\"Bad,\"x\r\n");
    QTest::newRow("NUL byte") << QByteArray("\"B\0d\",\"a\",\"b\",\"c\",\"d\",\"1\",\"1\"\r\n", 31);
    QTest::newRow("garbage") << QByteArray("\x01\x02garbage\xff\r\n");
    // One time file serves both: the second is refused, not listed twice.
    QTest::newRow("a name differing only in case")
        << SerializeEmployeeRecord(employee(QStringLiteral("ANN")));
}

void TestDataFiles::brokenEmployeeLines_areReportedAndGoodRecordsKept()
{
    QFETCH(QByteArray, badLine);
    TempProgramDir dir;
    const QByteArray good1 = SerializeEmployeeRecord(employee(QStringLiteral("Ann")));
    const QByteArray good2 = SerializeEmployeeRecord(employee(QStringLiteral("Zoë")));
    dir.write(QStringLiteral("names.nms"), good1 + badLine + good2);
    const Result<QStringList> names = EmployeeNames();
    QCOMPARE(*names, (QStringList{QStringLiteral("Ann"), QStringLiteral("Zoë")}));
    QVERIFY(names.hasWarning());
    QVERIFY(names.message().contains(QStringLiteral("names.nms")));
    QVERIFY(names.message().contains(QStringLiteral("line 2")));
}

void TestDataFiles::brokenEmployeeList_isNeverRewritten()
{
    TempProgramDir dir;
    const QByteArray content =
        SerializeEmployeeRecord(employee(QStringLiteral("Ann"))) + "junk\r\n";
    dir.write(QStringLiteral("names.nms"), content);
    QVERIFY(DeleteEmployee(QStringLiteral("Ann")).failed());
    QVERIFY(!ReplaceEmployee(QStringLiteral("Ann"), employee(QStringLiteral("Ann"))));
    QCOMPARE(dir.read(QStringLiteral("names.nms")), content);
}

void TestDataFiles::blankNameRecord_isLeftOutWithoutAWordAndDroppedByARewrite_data()
{
    QTest::addColumn<QString>("blank");
    QTest::addColumn<QString>("rewrite");        // "delete NAME", "replace NAME" or none
    QTest::addColumn<QStringList>("namesAfter"); // the records of the file after the rewrite
    QTest::newRow("read, spaces") << "   "
                                  << "" << QStringList{};
    QTest::newRow("read, empty") << ""
                                 << "" << QStringList{};
    QTest::newRow("delete") << "   "
                            << "delete Bob" << QStringList{"Ann"};
    QTest::newRow("delete of a name not listed") << " "
                                                 << "delete Cid" << QStringList{"Ann", "Bob"};
    QTest::newRow("modify") << "   "
                            << "replace Ann" << QStringList{"Bob", "Ann"};
}

void TestDataFiles::blankNameRecord_isLeftOutWithoutAWordAndDroppedByARewrite()
{
    QFETCH(QString, blank);
    QFETCH(QString, rewrite);
    QFETCH(QStringList, namesAfter);
    TempProgramDir dir;
    const QByteArray before = SerializeEmployeeRecord(employee(QStringLiteral("Ann"))) +
                              SerializeEmployeeRecord(employee(blank)) +
                              SerializeEmployeeRecord(employee(QStringLiteral("Bob")));
    dir.write(QStringLiteral("names.nms"), before);

    const Result<QStringList> listed = EmployeeNames();
    QCOMPARE(*listed, (QStringList{QStringLiteral("Ann"), QStringLiteral("Bob")}));
    QVERIFY2(!listed.hasWarning(), qPrintable(listed.message()));
    QVERIFY(FindEmployee(QStringLiteral("Bob")));
    QVERIFY(CheckPin(QStringLiteral("Bob"), QStringLiteral("1234")).value());
    QVERIFY(!EmployeeExists(blank).value());

    const QString verb = rewrite.section(u' ', 0, 0);
    const QString name = rewrite.section(u' ', 1);
    if (verb == QLatin1String("delete")) {
        const Result<bool> deleted = DeleteEmployee(name);
        QVERIFY2(deleted.ok(), qPrintable(deleted.message()));
        QVERIFY(*deleted); // the blank record was removed, as the list's own Delete does
    } else if (verb == QLatin1String("replace")) {
        const Result<> replaced = ReplaceEmployee(name, employee(name));
        QVERIFY2(replaced.ok(), qPrintable(replaced.message()));
    }
    QByteArray after;
    for (const QString& kept : namesAfter)
        after += SerializeEmployeeRecord(employee(kept));
    QCOMPARE(dir.read(QStringLiteral("names.nms")), rewrite.isEmpty() ? before : after);
}

void TestDataFiles::listSavedAsUtf8_namesItsLinesAndIsReadAsLatin1_data()
{
    QTest::addColumn<bool>("byteOrderMark");
    QTest::addColumn<QByteArray>("names"); // "|" between records
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("Latin-1") << false << QByteArray("Ann|Zo\xEB M\xFCller|Bob") << QList<int>{};
    QTest::newRow("plain letters") << false << QByteArray("Ann|Bob") << QList<int>{};
    QTest::newRow("UTF-8") << false << QByteArray("Ann|Zo\xC3\xAB|Bob|\xC3\xA9mile")
                           << QList<int>{2, 4};
    QTest::newRow("UTF-8 with a byte order mark")
        << true << QByteArray("Zo\xC3\xAB|Ann") << QList<int>{1};
    QTest::newRow("byte order mark, plain letters")
        << true << QByteArray("Ann|Bob") << QList<int>{};
    QTest::newRow("UTF-8 and one Latin-1 letter")
        << false << QByteArray("Zo\xC3\xAB|Ren\xE9") << QList<int>{};
}

void TestDataFiles::listSavedAsUtf8_namesItsLinesAndIsReadAsLatin1()
{
    QFETCH(bool, byteOrderMark);
    QFETCH(QByteArray, names);
    QFETCH(QList<int>, lines);
    QByteArray bytes = byteOrderMark ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    QStringList expected;
    for (const QByteArray& name : names.split('|')) {
        expected.append(QString::fromLatin1(name)); // one byte, one character
        bytes += SerializeEmployeeRecord(employee(expected.constLast()));
    }
    QCOMPARE(Utf8Lines(bytes), lines);
    const EmployeeList list = ParseEmployeeList(bytes);
    QVERIFY(list.isClean());
    QStringList read;
    for (const EmployeeRecord& r : list.records)
        read.append(r.Name);
    QCOMPARE(read, expected);
}

void TestDataFiles::checkPin_comparesUnscrambledTextExactly()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"), QStringLiteral("0123"))));
    QVERIFY(CheckPin(QStringLiteral("Ann"), QStringLiteral("0123")).value());
    QVERIFY(!CheckPin(QStringLiteral("Ann"), QStringLiteral("123")).value());
    QVERIFY(!CheckPin(QStringLiteral("ann"), QStringLiteral("0123")).value());
    QVERIFY(!CheckPin(QStringLiteral("Ann"), QString()).value());
}

void TestDataFiles::everyLatin1Pair_isADuplicateExactlyWhenQtsUpperCasesAgree()
{
    // The character stands at both ends of the name, so that trimming is tried with it too; the
    // sharp s becomes two letters in upper case, and the y with diaeresis and the micro sign
    // become characters outside Latin-1.
    const auto nameOf = [](int c, char middle) {
        return QByteArray(1, char(c)) + middle + QByteArray(1, char(c));
    };
    int duplicates = 0;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const QString first = QString::fromLatin1(nameOf(a, 'x'));
            const QString second = QString::fromLatin1(nameOf(b, 'X'));
            const bool expected = NameIsUsable(first) && NameIsUsable(second) &&
                                  first.trimmed().toUpper() == second.trimmed().toUpper();
            const QByteArray bytes = SerializeEmployeeRecord(employee(first)) +
                                     SerializeEmployeeRecord(employee(second));
            const EmployeeList list = ParseEmployeeList(bytes);
            const bool listedTwice =
                list.problems.filter(QStringLiteral("is listed twice")).size() == 1;
            if (listedTwice != expected)
                QFAIL(qPrintable(QStringLiteral("characters %1 and %2").arg(a).arg(b)));
            duplicates += listedTwice;
        }
    }
    QVERIFY(duplicates > 255);
    const QString street = QString::fromLatin1("Stra\xDF"
                                               "e");
    const EmployeeList sharpS =
        ParseEmployeeList(SerializeEmployeeRecord(employee(street)) +
                          SerializeEmployeeRecord(employee(QStringLiteral("STRASSE"))));
    QCOMPARE(sharpS.records.size(), 1);
    QCOMPARE(sharpS.problems.size(), 1);
}

void TestDataFiles::punchLine_atMidnightAndAfternoon_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("midnight") << QDateTime(QDate(2001, 1, 15), QTime(0, 0))
                              << QByteArray("IN    01/15/2001        00:00\r\n");
    QTest::newRow("13:07") << QDateTime(QDate(2001, 1, 15), QTime(13, 7, 59))
                           << QByteArray("IN    01/15/2001        13:07\r\n");
    QTest::newRow("last moment of the day")
        << QDateTime(QDate(2001, 12, 31), QTime(23, 59, 59, 999))
        << QByteArray("IN    12/31/2001        23:59\r\n");
}

void TestDataFiles::punchLine_atMidnightAndAfternoon()
{
    QFETCH(QDateTime, moment);
    QFETCH(QByteArray, line);
    TempProgramDir dir;
    FixedClock clock(moment);
    GlobalOptions().setTimeFormat(QStringLiteral("hh:nn AM/PM"));
    QVERIFY(RecordPunch(QStringLiteral("Mary Jones"), true));
    QCOMPARE(dir.read(QStringLiteral("Mary Jones.txt")), line);
}

void TestDataFiles::recordPunch_appends31BytesPerPunch()
{
    TempProgramDir dir;
    FixedClock clock(QDateTime(QDate(2001, 1, 15), QTime(8, 5)));
    QVERIFY(RecordPunch(QStringLiteral("Ann"), true));
    clock.set(QDateTime(QDate(2001, 1, 15), QTime(17, 30)));
    QVERIFY(RecordPunch(QStringLiteral("Ann"), false));
    QCOMPARE(dir.read(QStringLiteral("Ann.txt")),
             punchLine("IN", "01/15/2001", "08:05") + punchLine("OUT", "01/15/2001", "17:30"));
}

void TestDataFiles::recordPunch_failingWriteOrFlushLeavesFileUnchanged_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("open") << "open";
    QTest::newRow("write") << "write";
    QTest::newRow("fdatasync") << "fdatasync";
}

void TestDataFiles::recordPunch_failingWriteOrFlushLeavesFileUnchanged()
{
    QFETCH(QString, call);
    TempProgramDir dir;
    const QByteArray before = punchLine("IN", "01/15/2001", "08:05");
    dir.write(QStringLiteral("Ann.txt"), before);
    FileStore::setFaultHook(
        [call](const char* c, const QString&) { return call == QLatin1String(c) ? ENOSPC : 0; });
    const Result<TimeRecord> punched = RecordPunch(QStringLiteral("Ann"), false);
    QVERIFY(punched.failed());
    QVERIFY(punched.message().contains(QStringLiteral("Ann.txt")));
    // A flush failure may leave the line written; a write failure never a partial one.
    if (call != QLatin1String("fdatasync"))
        QCOMPARE(dir.read(QStringLiteral("Ann.txt")), before);
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).size() % 31 == 0);
}

void TestDataFiles::recordPunch_refusedWhereReportsWouldRefuseTheFile_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("recorded");
    QTest::newRow("room for one more") << MaxTimeFileSize - 31 << true;
    QTest::newRow("at the limit") << MaxTimeFileSize << false;
    QTest::newRow("a torn punch below the limit") << MaxTimeFileSize - 31 + 10 << true;
}

void TestDataFiles::recordPunch_refusedWhereReportsWouldRefuseTheFile()
{
    QFETCH(qint64, size);
    QFETCH(bool, recorded);
    TempProgramDir dir;
    FixedClock clock(QDateTime(QDate(2009, 11, 2), QTime(8, 0)));
    {
        // A sparse file: its length is what counts, not its bytes.
        QFile file(dir.path(QStringLiteral("Ann.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size - size % 31));
        if (size % 31) {
            QVERIFY(file.seek(size - size % 31));
            file.write(QByteArray("IN    11/").left(int(size % 31)));
        }
    }
    const Result<TimeRecord> punched = RecordPunch(QStringLiteral("Ann"), true);
    QCOMPARE(punched.ok(), recorded);
    const qint64 after = QFileInfo(dir.path(QStringLiteral("Ann.txt"))).size();
    QVERIFY(after <= MaxTimeFileSize);
    if (!recorded) {
        QVERIFY(punched.message().contains(dir.path(QStringLiteral("Ann.txt"))));
        QCOMPARE(after, size);
    }
}

void TestDataFiles::timeFileValidity_followsLength_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("valid");
    QTest::newRow("0") << 0 << true;
    QTest::newRow("31") << 31 << true;
    QTest::newRow("32") << 32 << false;
    QTest::newRow("62") << 62 << true;
    QTest::newRow("30") << 30 << false;
}

void TestDataFiles::timeFileValidity_followsLength()
{
    QFETCH(int, length);
    QFETCH(bool, valid);
    TempProgramDir dir;
    dir.write(QStringLiteral("Ann Lee.txt"), QByteArray(length, 'x'));
    QCOMPARE(TimeFileIsValid(QStringLiteral("Ann Lee")), valid);
    QVERIFY(TimeFileIsValid(QStringLiteral("No File Yet")));
}

void TestDataFiles::lastActionText_inBothTimeFormats_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("isIn");
    QTest::addColumn<QString>("text");
    QTest::newRow("IN civilian") << punchLine("IN", "01/15/2001", "08:05") << "hh:nn AM/PM" << true
                                 << "IN  at  08:05 AM  Monday, January 15";
    QTest::newRow("OUT civilian") << punchLine("OUT", "01/15/2001", "17:30") << "hh:nn AM/PM"
                                  << false << "OUT at  05:30 PM  Monday, January 15";
    QTest::newRow("IN military") << punchLine("IN", "01/15/2001", "08:05") << "hh:mm" << true
                                 << "IN  at  08:05  Monday, January 15";
    QTest::newRow("OUT military") << punchLine("OUT", "01/05/2001", "17:30") << "hh:mm" << false
                                  << "OUT at  17:30  Friday, January 05";
    QTest::newRow("edited action") << punchLine("XYZ", "01/15/2001", "08:05") << "hh:mm" << false
                                   << "XYZ at  08:05  Monday, January 15";
}

void TestDataFiles::lastActionText_inBothTimeFormats()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, format);
    QFETCH(bool, isIn);
    QFETCH(QString, text);
    TempProgramDir dir;
    dir.write(QStringLiteral("Ann.txt"), line);
    QString lastAction;
    QCOMPARE(ReadLastAction(QStringLiteral("Ann"), format, &lastAction).value(), isIn);
    QCOMPARE(lastAction, text.leftJustified(45));
    QVERIFY(!ReadLastAction(QStringLiteral("Nobody"), format, &lastAction).value());
    QCOMPARE(lastAction, QString(45, u' '));
}

void TestDataFiles::lastAction_readsOnlyTheLastRecord()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("Ann.txt"),
              QByteArray(31, '?') + QByteArray(31, '#') + punchLine("IN", "02/29/2004", "23:59"));
    QString lastAction;
    QVERIFY(ReadLastAction(QStringLiteral("Ann"), QStringLiteral("hh:mm"), &lastAction).value());
    QCOMPARE(lastAction, QStringLiteral("IN  at  23:59  Sunday, February 29").leftJustified(45));
}

void TestDataFiles::unopenableTimeFile_failsLastActionNamingFile_data()
{
    QTest::addColumn<int>("error");
    QTest::newRow("EACCES") << EACCES;
    QTest::newRow("EIO") << EIO;
}

// Only a missing time file is an empty one: a file that is there but cannot be opened is not.
void TestDataFiles::unopenableTimeFile_failsLastActionNamingFile()
{
    QFETCH(int, error);
    TempProgramDir dir;
    dir.write(QStringLiteral("Ann.txt"), punchLine("IN", "01/15/2001", "08:05"));
    FileStore::setFaultHook([error](const char* call, const QString&) {
        return qstrcmp(call, "open") == 0 ? error : 0;
    });
    QString lastAction;
    const Result<bool> isIn =
        ReadLastAction(QStringLiteral("Ann"), QStringLiteral("hh:mm"), &lastAction);
    QVERIFY(isIn.failed());
    QVERIFY(isIn.message().contains(dir.path(QStringLiteral("Ann.txt"))));
}

void TestDataFiles::dataDirectory_isNamedBesideOrAtHome_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("beside");
    QTest::addColumn<QString>("expected"); // below the test's folder
    QTest::newRow("named by HORODEX_DATA") << true << true << QStringLiteral("named");
    QTest::newRow("beside the program") << false << true << QStringLiteral("program/data");
    QTest::newRow("at home") << false << false << QStringLiteral("home/horodex");
}

void TestDataFiles::dataDirectory_isNamedBesideOrAtHome()
{
    QFETCH(bool, named);
    QFETCH(bool, beside);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QDir(root.path()).mkpath(beside ? QStringLiteral("program/data") : QStringLiteral("program"));
    Environment::setProgramDirectoryForTesting(root.filePath(QStringLiteral("program")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("home"))));
    if (named)
        qputenv("HORODEX_DATA", QFile::encodeName(root.filePath(QStringLiteral("named"))));
    const QString found = Environment::dataDirectory();
    qunsetenv("HORODEX_DATA");
    qunsetenv("XDG_DATA_HOME");
    Environment::setProgramDirectoryForTesting(QString());
    QCOMPARE(found, root.filePath(expected));
}

// Runs work in a child process under the account uid (unless it is empty) with the usual umask,
// and hands back its exit status.
static int runAs(std::optional<uid_t> uid, const std::function<int()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::umask(022);
        if (uid && (::setgroups(0, nullptr) != 0 || ::setgid(*uid) != 0 || ::setuid(*uid) != 0))
            ::_exit(101);
        ::_exit(work());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void TestDataFiles::createdDataFolder_is0700AndKeepsOtherAccountsOut()
{
    // An ordinary account creates its data folder; as root, the test takes one with no name.
    const bool root = ::geteuid() == 0;
    const std::optional<uid_t> ordinary = root ? std::optional<uid_t>(4242) : std::nullopt;
    QTemporaryDir home;
    QVERIFY(::chmod(QFile::encodeName(home.path()).constData(), 0755) == 0);
    if (root)
        QVERIFY(::chown(QFile::encodeName(home.path()).constData(), 4242, 4242) == 0);
    const QString folder = home.path() + QStringLiteral("/share/horodex");
    const QString list = folder + QStringLiteral("/names.nms");
    QCOMPARE(runAs(ordinary,
                   [&] {
                       return FileStore::ensureDirectory(folder) &&
                                      FileStore::createIfMissing(list) &&
                                      FileStore::appendToFile(list, "\"Ann\"\r\n")
                                  ? 0
                                  : 1;
                   }),
             0);

    struct stat st
    {
    };
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0700));
    QCOMPARE(::stat(QFile::encodeName(list).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0644)); // files keep their modes: the folder guards them
    QVERIFY(!Environment::othersMayEnter(folder));
    if (!root)
        QSKIP("only root can act as nobody: the folder's mode was checked");

    const passwd* nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    const auto nobodyReads = [&] {
        return runAs(nobody->pw_uid, [&] {
            const int fd = ::open(QFile::encodeName(list).constData(), O_RDONLY);
            return fd >= 0 ? 0 : errno == EACCES ? 13 : 1;
        });
    };
    QCOMPARE(nobodyReads(), 13);
    // The same file in a folder that others may enter is open to nobody.
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    QVERIFY(Environment::othersMayEnter(folder));
    QCOMPARE(nobodyReads(), 0);
}

void TestDataFiles::result_saysWhetherItFailedAndWhy_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("warning");
    QTest::newRow("value") << QString() << QString();
    QTest::newRow("failure") << QStringLiteral("no file") << QString();
    QTest::newRow("value with a warning") << QString() << QStringLiteral("line 2");
}

void TestDataFiles::result_saysWhetherItFailedAndWhy()
{
    QFETCH(QString, failure);
    QFETCH(QString, warning);
    const Result<int> result = !failure.isEmpty()   ? Result<int>(Failure(failure))
                               : !warning.isEmpty() ? Result<int>(5, Warning(warning))
                                                    : Result<int>(5);
    QCOMPARE(result.ok(), failure.isEmpty());
    QCOMPARE(result.failed(), !failure.isEmpty());
    QCOMPARE(bool(result), failure.isEmpty());
    QCOMPARE(result.hasWarning(), !warning.isEmpty());
    QCOMPARE(result.message(), failure + warning);
    if (result.ok()) {
        QCOMPARE(*result, 5);
        return;
    }
    // Handed on from a function that fails with it, the failure keeps its message.
    const Result<QString> passedOn = result.error();
    QVERIFY(passedOn.failed());
    QCOMPARE(passedOn.message(), failure);
}

void TestDataFiles::result_noAnswerIsNoFailure()
{
    const Result<bool> no = false;
    QVERIFY(no.ok() && !no.value());
    const Result<> done;
    QVERIFY(done.ok() && !done.failed() && done.message().isEmpty());
    const Result<> refused = Failure(QStringLiteral("refused"));
    QVERIFY(refused.failed() && !refused.hasWarning());
    QCOMPARE(refused.message(), QStringLiteral("refused"));
}

void TestDataFiles::result_keepsTheOldShapeForItsOtherCallers()
{
    const Result<int> failed = Failure(QStringLiteral("no file"));
    QVERIFY(!failed.failure());
    QCOMPARE(failed.failure().error, QStringLiteral("no file"));
    QVERIFY(Result<int>(5).failure());
    QVERIFY(!Result<int>(5, Warning(QStringLiteral("line 2"))).warning());
    QVERIFY(Result<int>(5).warning());

    const IoResult io = Result<>(Failure(QStringLiteral("refused")));
    QVERIFY(!io.ok);
    QCOMPARE(io.error, QStringLiteral("refused"));
    const Result<> back = io;
    QVERIFY(back.failed());
    QCOMPARE(back.message(), QStringLiteral("refused"));
    QVERIFY(IoResult(Result<>()).ok);
}

void TestDataFiles::punchLine_isThirtyOneBytesWithPaddedFields_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<bool>("isIn");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("one-digit fields") << QDateTime(QDate(2026, 1, 5), QTime(8, 7)) << true
                                      << punchLine("IN", "01/05/2026", "08:07");
    QTest::newRow("midnight") << QDateTime(QDate(2024, 2, 29), QTime(0, 0)) << false
                              << punchLine("OUT", "02/29/2024", "00:00");
    QTest::newRow("last minute of a year") << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))
                                           << true << punchLine("IN", "12/31/1999", "23:59");
    QTest::newRow("three-digit year") << QDateTime(QDate(999, 10, 10), QTime(10, 10)) << false
                                      << punchLine("OUT", "10/10/0999", "10:10");
}

void TestDataFiles::punchLine_isThirtyOneBytesWithPaddedFields()
{
    QFETCH(QDateTime, moment);
    QFETCH(bool, isIn);
    QFETCH(QByteArray, line);
    QCOMPARE(FormatPunchLine(isIn, moment), line);
    QCOMPARE(line.size(), TimeRecord::Size);
}

void TestDataFiles::tornLastRecord_givesWayToTheNextPunch_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("torn");
    QTest::newRow("cut in the action") << QByteArray("OU") << true;
    QTest::newRow("cut in the date") << QByteArray("IN    11/0") << true;
    QTest::newRow("cut before the line end")
        << QByteArray("OUT   11/02/2009        17:00\r") << true;
    QTest::newRow("a word") << QByteArray("garbage") << false;
    QTest::newRow("a letter in the date") << QByteArray("IN    1x/") << false;
}

void TestDataFiles::tornLastRecord_givesWayToTheNextPunch()
{
    QFETCH(QByteArray, tail);
    QFETCH(bool, torn);
    TempProgramDir dir;
    FixedClock clock(QDateTime(QDate(2009, 11, 2), QTime(8, 0)));
    const QByteArray whole = punchLine("IN", "11/01/2009", "22:00");
    dir.write(QStringLiteral("Ann.txt"), whole + tail);
    QCOMPARE(TimeFileIsValid(QStringLiteral("Ann")), torn);
    QVERIFY(RecordPunch(QStringLiteral("Ann"), false));
    const QByteArray out = punchLine("OUT", "11/02/2009", "08:00");
    QCOMPARE(dir.read(QStringLiteral("Ann.txt")), torn ? whole + out : whole + tail + out);
}

QTEST_GUILESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
