// Replays every input the fuzzers kept, so that what once broke a reader stays fixed.
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzCorpus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void keptInputs_readWithoutFault_data();
    void keptInputs_readWithoutFault();
};

void TestFuzzCorpus::keptInputs_readWithoutFault_data()
{
    QTest::addColumn<QString>("target");
    for (const QString& name : FuzzTargetNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestFuzzCorpus::keptInputs_readWithoutFault()
{
    QFETCH(QString, target);
    const FuzzTarget run = FindFuzzTarget(target);
    QVERIFY(run);
    const QDir corpus(qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR") +
                      QStringLiteral("/fuzz/corpus/") + target);
    const QStringList inputs = corpus.entryList(QDir::Files);
    QVERIFY2(!inputs.isEmpty(), qPrintable(corpus.path()));
    for (const QString& input : inputs) {
        QFile file(corpus.filePath(input));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        run(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    qInfo("%s: %lld inputs replayed", qPrintable(target), qlonglong(inputs.size()));
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
