#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/ShiftCharacters.h"
#include "data/TimeFile.h"
#include "testsupport/TestSupport.h"

#include <QTest>

class TestDataFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstRunSettings_are229BytesWithZeroReservedFields();
};

void TestDataFiles::firstRunSettings_are229BytesWithZeroReservedFields()
{
    TempProgramDir dir;
    QVERIFY(WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("secret1"))));
    const QByteArray bytes = dir.read(QStringLiteral("options.ini"));
    QCOMPARE(bytes.size(), 229);
    QCOMPARE(bytes.mid(10, 5), QByteArray("40   "));
    QCOMPARE(bytes.mid(41, 10), QByteArray(10, '\0'));
    QCOMPARE(bytes.mid(65, 44), QByteArray(44, '\0'));
}

QTEST_GUILESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
