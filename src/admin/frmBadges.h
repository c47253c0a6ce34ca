#pragma once

#include "data/FileStore.h"
#include "render/BadgeCards.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QPushButton;
class QTreeWidget;

// The employees with the state of their badges: a card the shop has is assigned by scanning it, a
// new badge is printed (its code is shown only then), and a badge is revoked.
class frmBadges : public QDialog
{
    Q_OBJECT
public:
    // Prints the cards or saves them as a PDF file; *done is false when the user cancelled.
    using CardWriter = std::function<IoResult(const QList<BadgeCard>& cards, CardOutput output,
                                              QWidget* parent, bool* done)>;
    // Waits for the scan of the employee's card; none when cancelled.
    using CardScanner =
        std::function<std::optional<QString>(const QString& employee, QWidget* parent)>;

    frmBadges(const QStringList& employees, const QString& company, CardWriter writeCards,
              QWidget* parent = nullptr);

    void cmdScan_Click();
    void cmdNewPrinted_Click() { newBadges(CardOutput::Print); }
    void cmdNewPdf_Click() { newBadges(CardOutput::Pdf); }
    void cmdRevoke_Click();

    // The scan window by default; tests answer without it.
    void setCardScanner(CardScanner scanner) { m_scanCard = std::move(scanner); }

    QTreeWidget* lstBadges;
    QPushButton* cmdScan;
    QPushButton* cmdNewPrinted;
    QPushButton* cmdNewPdf;
    QPushButton* cmdRevoke;
    QPushButton* cmdClose;

private:
    void newBadges(CardOutput output);
    void refresh();
    QStringList chosenEmployees() const;

    QStringList m_employees;
    QString m_company;
    CardWriter m_writeCards;
    CardScanner m_scanCard;
};
