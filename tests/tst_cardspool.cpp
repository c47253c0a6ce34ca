// A printed sheet of badge cards against a real print spooler: once printed, its document (the
// cards' codes) is gone from the spooler's request folder. Run under scripts/with-cups.sh, which
// starts a private CUPS server; without it every test is skipped.

#include "admin/frmBadges.h"
#include "reports/BadgeCardOutput.h"
#include "reports/frmPrintDialog.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

constexpr int Patience = 90000; // ms; a cap on polling for a loaded spooler, never an expectation

QStringList filesIn(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files);
}

} // namespace

class tst_CardSpool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void printedCardSheet_leavesNoDocumentInTheSpooler();
};

void tst_CardSpool::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER") ||
        qEnvironmentVariableIsEmpty("HORODEX_PDF_OUT") ||
        qEnvironmentVariableIsEmpty("HORODEX_CUPS_ROOT"))
        QSKIP("needs the print spooler of scripts/with-cups.sh");
}

void tst_CardSpool::printedCardSheet_leavesNoDocumentInTheSpooler()
{
    const QString out = qEnvironmentVariable("HORODEX_PDF_OUT");
    // The server keeps each job's document as d<job>-<document> in its request folder.
    const QString spool = qEnvironmentVariable("HORODEX_CUPS_ROOT") + QStringLiteral("/spool");
    const qsizetype printedBefore = filesIn(out, QStringLiteral("*.pdf")).size();
    // Other tests' jobs share the server: only a document that this print added counts.
    const QStringList keptBefore = filesIn(spool, QStringLiteral("d*"));
    const auto added = [&] {
        QStringList now = filesIn(spool, QStringLiteral("d*"));
        now.removeIf([&](const QString& f) { return keptBefore.contains(f); });
        return now;
    };
    TempProgramDir dir;
    MessageRecorder recorder;
    frmBadges window({QStringLiteral("Ann"), QStringLiteral("Bob")}, QStringLiteral("Acme"),
                     OutputBadgeCards);
    window.lstBadges->selectAll();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<frmPrintDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->cmdPrint->click();
    });
    window.cmdNewPrinted_Click();
    QVERIFY2(recorder.messages.isEmpty(), qPrintable(recorder.texts().join(u'\n')));
    QVERIFY(QTest::qWaitFor(
        [&] { return filesIn(out, QStringLiteral("*.pdf")).size() > printedBefore; }, Patience));
    const bool gone = QTest::qWaitFor([&] { return added().isEmpty(); }, Patience);
    QVERIFY2(gone, qPrintable(added().join(u' ')));
}

QTEST_MAIN(tst_CardSpool)
#include "tst_cardspool.moc"
