#include "ui/MessageBoxes.h"

#include "ui/frmMsgBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::None:
        break;
    case Messages::Icon::Information:
        return QMessageBox::Information;
    case Messages::Icon::Warning:
        return QMessageBox::Warning;
    case Messages::Icon::Critical:
        return QMessageBox::Critical;
    case Messages::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Messages::Presenter MessageBoxPresenter()
{
    return [](const Messages::Message& m) {
        Messages::Answer answer;
        switch (m.kind) {
        case Messages::Message::Kind::Box: {
            QMessageBox box(boxIcon(m.icon), m.title, m.text, QMessageBox::Ok,
                            QApplication::activeWindow());
            box.exec();
            break;
        }
        case Messages::Message::Kind::Question:
            answer.accepted = QMessageBox::question(QApplication::activeWindow(), m.title, m.text,
                                                    QMessageBox::Yes | QMessageBox::No,
                                                    QMessageBox::No) == QMessageBox::Yes;
            break;
        case Messages::Message::Kind::TextInput:
            answer.text = QInputDialog::getText(QApplication::activeWindow(), m.title, m.text,
                                                QLineEdit::Normal, QString(), &answer.accepted);
            break;
        case Messages::Message::Kind::Window: {
            frmMsgBox box(m.window, m.over);
            box.exec();
            break;
        }
        }
        return answer;
    };
}

void InstallMessageBoxPresenter()
{
    Messages::setPresenter(MessageBoxPresenter());
}
