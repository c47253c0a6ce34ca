#pragma once

#include <QHash>
#include <QListWidget>
#include <QStringList>

// The station's list of employees, in file order. It shows no current row until a name is
// chosen: a list taking the focus makes its first row current, and its focus frame would look
// like a chosen name to whoever punches.
class EmployeeListBox : public QListWidget
{
public:
    using QListWidget::QListWidget;

    // Refills the list, with no name chosen and no click reported.
    void setNames(const QStringList& names);
    QStringList names() const;
    // The chosen name; empty when none is.
    QString chosenName() const;
    // The row of the name, or -1 when it is not listed.
    int rowOf(const QString& name);
    // Chooses a listed name without reporting a click.
    void choose(const QString& name);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QHash<QString, int> m_rowOfName;
};
