#include "ui/MessageBoxes.h"

#include "data/Messages.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

void InstallMessageBoxPresenter()
{
    Messages::setPresenter([](const Messages::Message& m) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        switch (m.icon) {
        case Messages::Icon::None:
            break;
        case Messages::Icon::Information:
            icon = QMessageBox::Information;
            break;
        case Messages::Icon::Warning:
            icon = QMessageBox::Warning;
            break;
        case Messages::Icon::Critical:
            icon = QMessageBox::Critical;
            break;
        case Messages::Icon::Question:
            icon = QMessageBox::Question;
            break;
        }
        QMessageBox box(icon, m.title, m.text,
                        m.askYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                        QApplication::activeWindow());
        const int answer = box.exec();
        if (!m.askYesNo)
            return Messages::Answer::Ok;
        return answer == QMessageBox::Yes ? Messages::Answer::Yes : Messages::Answer::No;
    });
    Messages::setTextPresenter([](const QString& title, const QString& prompt, QString* answer) {
        bool ok = false;
        *answer = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                        QLineEdit::Normal, QString(), &ok);
        return ok;
    });
}
