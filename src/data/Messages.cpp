#include "data/Messages.h"

namespace Messages {
namespace {

struct State
{
    Presenter presenter;
    TextPresenter textPresenter;
    Message last;
    int count = 0;
};

State& state()
{
    static State s;
    return s;
}

Answer present(const Message& message)
{
    State& s = state();
    s.last = message;
    ++s.count;
    if (s.presenter)
        return s.presenter(message);
    return message.askYesNo ? Answer::No : Answer::Ok;
}

} // namespace

Presenter setPresenter(Presenter presenter)
{
    Presenter previous = std::move(state().presenter);
    state().presenter = std::move(presenter);
    return previous;
}

void show(Icon icon, const QString& text, const QString& title)
{
    present(Message{icon, title, text, false});
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

Answer ask(Icon icon, const QString& text, const QString& title)
{
    return present(Message{icon, title, text, true});
}

TextPresenter setTextPresenter(TextPresenter presenter)
{
    TextPresenter previous = std::move(state().textPresenter);
    state().textPresenter = std::move(presenter);
    return previous;
}

bool askText(const QString& title, const QString& prompt, QString* answer)
{
    answer->clear();
    if (!state().textPresenter)
        return false;
    return state().textPresenter(title, prompt, answer);
}

const Message& last()
{
    return state().last;
}

int count()
{
    return state().count;
}

void clearLog()
{
    state().last = Message{};
    state().count = 0;
}

} // namespace Messages
