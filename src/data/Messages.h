#pragma once

#include <QString>

#include <functional>

// Every message box of the program goes through here. The core only describes the message;
// the window layer shows it, and tests record it or answer it without a modal loop.
namespace Messages {

enum class Icon { None, Information, Warning, Critical, Question };

enum class Answer { Ok, Yes, No, Cancel };

struct Message
{
    Icon icon = Icon::None;
    QString title;
    QString text;
    bool askYesNo = false;
};

using Presenter = std::function<Answer(const Message&)>;

// Installs the function that shows messages; returns the previous one.
Presenter setPresenter(Presenter presenter);

// Shows a message with an OK button. Without a presenter the message is only recorded.
void show(Icon icon, const QString& text, const QString& title = QStringLiteral("Horodex"));
void warning(const QString& text);
void information(const QString& text);
// Titled "Attention", without an icon: a scrambled password or PIN that cannot be read.
void attention(const QString& text);
Answer ask(Icon icon, const QString& text, const QString& title = QStringLiteral("Horodex"));

// Asks for a line of text (an input box). Returns false when cancelled.
using TextPresenter =
    std::function<bool(const QString& title, const QString& prompt, QString* answer)>;
TextPresenter setTextPresenter(TextPresenter presenter);
bool askText(const QString& title, const QString& prompt, QString* answer);

// The last message shown, for tests.
const Message& last();
int count();
void clearLog();

} // namespace Messages
