#include "station/EmployeeListBox.h"

#include <QSignalBlocker>

void EmployeeListBox::setNames(const QStringList& names)
{
    const QSignalBlocker blocker(this);
    clear();
    m_rowOfName.clear();
    addItems(names);
    selectionModel()->clearCurrentIndex();
}

QStringList EmployeeListBox::names() const
{
    QStringList listed;
    for (int i = 0; i < count(); ++i)
        listed.append(item(i)->text());
    return listed;
}

QString EmployeeListBox::chosenName() const
{
    const QListWidgetItem* current = currentItem();
    return current && current->isSelected() ? current->text() : QString();
}

int EmployeeListBox::rowOf(const QString& name)
{
    // Built on first need: a scan must not search a thousand names one by one.
    if (m_rowOfName.isEmpty()) {
        for (int i = count() - 1; i >= 0; --i)
            m_rowOfName.insert(item(i)->text(), i);
    }
    return m_rowOfName.value(name, -1);
}

void EmployeeListBox::choose(const QString& name)
{
    const int row = rowOf(name);
    if (row < 0)
        return;
    const QSignalBlocker blocker(this);
    setCurrentRow(row);
}

void EmployeeListBox::focusInEvent(QFocusEvent* event)
{
    QListWidget::focusInEvent(event);
    if (selectedItems().isEmpty())
        selectionModel()->clearCurrentIndex();
}
