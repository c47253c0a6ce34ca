#pragma once

#include "ui/Messages.h"

#include <QApplication>
#include <QList>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

// Takes the place of the program's presenter for as long as it lives: records every message
// instead of showing it. Input boxes get the answers queued in textAnswers (Cancel once none is
// left); the message window's messages are recorded, or shown for real when asked to.
class MessageRecorder
{
public:
    enum class MessageWindow { Record, Show };

    explicit MessageRecorder(MessageWindow window = MessageWindow::Record);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QList<Messages::Message> messages;       // the message boxes, in order
    QList<Messages::Message> prompts;        // the input boxes, in order
    QList<Messages::Answer> textAnswers;     // for the next input boxes, first first
    QList<bool> yesNoAnswers;                // for the next questions (No once none is left)
    QList<Messages::WindowMessage> windowed; // the message window's messages, in order

    // The texts of the message boxes.
    QStringList texts() const;
    // The numbers (1 to 4) of the message window's messages.
    QList<int> windowNumbers() const;

private:
    Messages::Presenter m_previous;
};

// Runs action on the next modal dialog of type T as soon as it opens.
template <typename T> void onNextDialog(std::function<void(T*)> action)
{
    QTimer::singleShot(0, [action] {
        for (int i = 0; i < 500; ++i) {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                action(dialog);
                return;
            }
            QTest::qWait(10);
        }
        qWarning("no dialog appeared");
    });
}
