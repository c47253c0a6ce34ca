#include "admin/frmBadges.h"

#include "admin/frmScanCard.h"
#include "data/BadgeFile.h"
#include "data/Environment.h"
#include "ui/Messages.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString badgeStateText(const Badge* badge)
{
    if (!badge)
        return QStringLiteral("No badge");
    const QString format = Environment::shortDateFormat();
    if (badge->active())
        return QStringLiteral("Badge issued %1").arg(badge->issued.toString(format));
    return QStringLiteral("Badge revoked %1").arg(badge->revoked.toString(format));
}

std::optional<QString> scanWithWindow(const QString& employee, QWidget* parent)
{
    frmScanCard window(employee, parent);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.code();
}

} // namespace

frmBadges::frmBadges(const QStringList& employees, const QString& company, CardWriter writeCards,
                     QWidget* parent)
    : QDialog(parent), m_employees(employees), m_company(company),
      m_writeCards(std::move(writeCards)), m_scanCard(scanWithWindow)
{
    setObjectName(QStringLiteral("frmBadges"));
    setWindowTitle(QStringLiteral("Badges"));
    lstBadges = new QTreeWidget(this);
    lstBadges->setObjectName(QStringLiteral("lstBadges"));
    lstBadges->setHeaderLabels({QStringLiteral("Employee"), QStringLiteral("Badge")});
    lstBadges->setRootIsDecorated(false);
    lstBadges->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstBadges->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstBadges->setMinimumSize(420, 300);
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    cmdScan = button("cmdScan", QStringLiteral("Scan a card ..."));
    cmdNewPrinted = button("cmdNewPrinted", QStringLiteral("New printed badge ..."));
    cmdNewPdf = button("cmdNewPdf", QStringLiteral("New badge as PDF ..."));
    cmdRevoke = button("cmdRevoke", QStringLiteral("Revoke"));
    cmdClose = button("cmdClose", QStringLiteral("Close"));
    connect(cmdScan, &QPushButton::clicked, this, &frmBadges::cmdScan_Click);
    connect(cmdNewPrinted, &QPushButton::clicked, this, &frmBadges::cmdNewPrinted_Click);
    connect(cmdNewPdf, &QPushButton::clicked, this, &frmBadges::cmdNewPdf_Click);
    connect(cmdRevoke, &QPushButton::clicked, this, &frmBadges::cmdRevoke_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdScan, cmdNewPrinted, cmdNewPdf, cmdRevoke})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lstBadges, 1);
    layout->addLayout(buttons);
    refresh();
}

void frmBadges::refresh()
{
    BadgeFile file;
    const IoResult read = ReadBadgeFile(&file);
    const QStringList chosen = chosenEmployees();
    lstBadges->clear();
    for (const QString& name : std::as_const(m_employees)) {
        auto* item =
            new QTreeWidgetItem(lstBadges, {name, badgeStateText(CurrentBadgeOf(file, name))});
        item->setSelected(chosen.contains(name));
    }
    if (!read)
        Messages::warning(read.error);
}

QStringList frmBadges::chosenEmployees() const
{
    QStringList names;
    for (int i = 0; i < lstBadges->topLevelItemCount(); ++i) {
        if (lstBadges->topLevelItem(i)->isSelected())
            names.append(lstBadges->topLevelItem(i)->text(0));
    }
    return names;
}

void frmBadges::cmdScan_Click()
{
    const QStringList chosen = chosenEmployees();
    if (chosen.size() != 1) {
        Messages::information(QStringLiteral("Please select one employee"));
        return;
    }
    const std::optional<QString> scanned = m_scanCard(chosen.first(), this);
    if (!scanned)
        return;
    const Result<QString> code = NormalizeBadgeCode(*scanned);
    if (!code) {
        Messages::warning(code.failure().error);
        return;
    }
    if (const IoResult issued = IssueBadge(chosen.first(), *code, Environment::now().date());
        !issued)
        Messages::warning(issued.error);
    refresh();
}

void frmBadges::newBadges(CardOutput output)
{
    const QStringList chosen = chosenEmployees();
    if (chosen.isEmpty()) {
        Messages::information(QStringLiteral("Please select an employee"));
        return;
    }
    // A file that could not record them must not get cards printed first.
    BadgeFile file;
    if (const IoResult read = ReadBadgeFile(&file); !read) {
        Messages::warning(read.error);
        return;
    }
    QList<BadgeCard> cards;
    for (const QString& name : chosen)
        cards.append({m_company, name, NewBadgeCode()});
    bool done = false;
    const IoResult written = m_writeCards(cards, output, this, &done);
    if (!written)
        Messages::warning(written.error);
    if (!done)
        return;
    // Recorded once they are on paper: a failed print leaves the old badges working.
    const QDate today = Environment::now().date();
    for (const BadgeCard& card : std::as_const(cards)) {
        if (const IoResult issued = IssueBadge(card.employee, card.code, today); !issued) {
            Messages::warning(issued.error +
                              QStringLiteral("\nThe new badge of %1 does not punch: make another.")
                                  .arg(FileStore::displayText(card.employee)));
        }
    }
    refresh();
}

void frmBadges::cmdRevoke_Click()
{
    const QStringList chosen = chosenEmployees();
    if (chosen.isEmpty()) {
        Messages::information(QStringLiteral("Please select an employee"));
        return;
    }
    if (!Messages::askYesNo(QStringLiteral("Revoke the badges of %1? They will no longer punch.")
                                .arg(FileStore::displayText(chosen.join(QStringLiteral(", "))))))
        return;
    for (const QString& name : chosen) {
        if (const IoResult revoked = RevokeBadges(name, Environment::now().date()); !revoked) {
            Messages::warning(revoked.error);
            break;
        }
    }
    refresh();
}
