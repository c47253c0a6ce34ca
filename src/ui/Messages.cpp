#include "ui/Messages.h"

namespace Messages {
namespace {

Presenter& presenter()
{
    static Presenter p;
    return p;
}

Answer present(const Message& message)
{
    if (!presenter())
        return Answer{message.kind == Message::Kind::Box || message.kind == Message::Kind::Window,
                      QString()};
    return presenter()(message);
}

} // namespace

Presenter setPresenter(Presenter p)
{
    Presenter previous = std::move(presenter());
    presenter() = std::move(p);
    return previous;
}

void show(Icon icon, const QString& text, const QString& title)
{
    Message message;
    message.icon = icon;
    message.title = title;
    message.text = text;
    present(message);
}

void warning(const QString& text)
{
    show(Icon::Warning, text);
}

void information(const QString& text)
{
    show(Icon::Information, text);
}

void attention(const QString& text)
{
    show(Icon::None, text, QStringLiteral("Attention"));
}

bool askYesNo(const QString& text, const QString& title)
{
    Message message;
    message.kind = Message::Kind::Question;
    message.icon = Icon::Question;
    message.title = title;
    message.text = text;
    return present(message).accepted;
}

bool askText(const QString& title, const QString& prompt, QString* answer)
{
    Message message;
    message.kind = Message::Kind::TextInput;
    message.title = title;
    message.text = prompt;
    const Answer given = present(message);
    *answer = given.accepted ? given.text : QString();
    return given.accepted;
}

void showInWindow(WindowMessage window, QWidget* over)
{
    Message message;
    message.kind = Message::Kind::Window;
    message.window = window;
    message.over = over;
    present(message);
}

} // namespace Messages
