#include "admin/frmScanCard.h"

#include "data/FileStore.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

frmScanCard::frmScanCard(const QString& employee, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScanCard"));
    setWindowTitle(QStringLiteral("Scan a card"));
    lblPrompt = new QLabel(
        QStringLiteral("Scan the card or key fob of %1 now.").arg(FileStore::displayText(employee)),
        this);
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
    if (m_scanner.keyPressed(*key) != BadgeScanner::Outcome::None) {
        m_code = m_scanner.code();
        accept();
    }
    return true;
}
