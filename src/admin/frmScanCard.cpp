#include "admin/frmScanCard.h"

#include "data/FileStore.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

frmScanCard::frmScanCard(const QString& employee, QWidget* parent)
    : QDialog(parent), m_employee(FileStore::displayText(employee))
{
    setObjectName(QStringLiteral("frmScanCard"));
    setWindowTitle(QStringLiteral("Scan a card"));
    lblPrompt =
        new QLabel(QStringLiteral("Scan the card or key fob of %1 now.").arg(m_employee), this);
    lblPrompt->setTextFormat(Qt::PlainText);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblPrompt);
    layout->addWidget(cmdCancel, 0, Qt::AlignRight);
    // Before the main window's watch, which sees the keys only when this one lets them pass.
    qApp->installEventFilter(this);
}

frmScanCard::~frmScanCard()
{
    qApp->removeEventFilter(this);
}

bool frmScanCard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || watched != windowHandle())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape)
        return false;
    // The second read of the same card soon after the first is "repeated": it matches.
    if (m_scanner.keyPressed(*key) != BadgeScanner::Outcome::None)
        scanned(m_scanner.code());
    return true;
}

void frmScanCard::scanned(const QString& code)
{
    const QString shown = FileStore::displayText(code);
    if (m_firstRead.isEmpty()) {
        m_firstRead = code;
        lblPrompt->setText(
            QStringLiteral("Read: %1\nScan the same card again to confirm.").arg(shown));
        return;
    }
    if (code == m_firstRead) {
        m_code = code;
        accept();
        return;
    }
    lblPrompt->setText(QStringLiteral("The two reads differ (%1, then %2): the reader may have "
                                      "paused. Scan the card or key fob of %3 again.")
                           .arg(FileStore::displayText(m_firstRead), shown, m_employee));
    m_firstRead.clear();
}
