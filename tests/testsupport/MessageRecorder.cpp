#include "testsupport/MessageRecorder.h"

#include "ui/MessageBoxes.h"

MessageRecorder::MessageRecorder(MessageWindow window)
{
    m_previous = Messages::setPresenter([this, window](const Messages::Message& m) {
        switch (m.kind) {
        case Messages::Message::Kind::Box:
            messages.append(m);
            break;
        case Messages::Message::Kind::Question:
            messages.append(m);
            return Messages::Answer{!yesNoAnswers.isEmpty() && yesNoAnswers.takeFirst(), {}};
        case Messages::Message::Kind::TextInput:
            prompts.append(m);
            return textAnswers.isEmpty() ? Messages::Answer{false, QString()}
                                         : textAnswers.takeFirst();
        case Messages::Message::Kind::Window:
            windowed.append(m.window);
            if (window == MessageWindow::Show)
                return MessageBoxPresenter()(m);
            break;
        }
        return Messages::Answer{};
    });
}

MessageRecorder::~MessageRecorder()
{
    Messages::setPresenter(std::move(m_previous));
}

QStringList MessageRecorder::texts() const
{
    QStringList list;
    for (const Messages::Message& m : messages)
        list.append(m.text);
    return list;
}

QList<int> MessageRecorder::windowNumbers() const
{
    QList<int> numbers;
    for (Messages::WindowMessage m : windowed)
        numbers.append(int(m));
    return numbers;
}
