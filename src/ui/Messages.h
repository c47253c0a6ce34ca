#pragma once

#include "data/Result.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

// Every message of the program goes through here: the message boxes, the input box and the four
// messages of the program's own message window. The windows describe the message; one presenter
// shows it: the program's own (InstallMessageBoxPresenter), or a test's, which records it and
// answers without a modal loop.
namespace Messages {

enum class Icon { None, Information, Warning, Critical, Question };

// The four messages of the program's own message window (frmMsgBox).
enum class WindowMessage {
    WrongPin = 1,
    WrongPassword = 2,
    PasswordLength = 3,
    InvalidTimeFile = 4,
};

struct Message
{
    enum class Kind {
        Box,       // a message box with an OK button
        TextInput, // an input box: text is its prompt
        Window,    // the message window, modal over the window in over
        Question,  // a question answered Yes (accepted) or No
    };
    Kind kind = Kind::Box;
    Icon icon = Icon::None;
    QString title;
    QString text;
    WindowMessage window = WindowMessage::WrongPin;
    QPointer<QWidget> over;
};

// What the user did: OK, or the text typed into an input box, or Cancel.
struct Answer
{
    bool accepted = true;
    QString text;
};

using Presenter = std::function<Answer(const Message&)>;

// Installs the function that shows messages and returns the previous one. Without one, messages
// go unseen and input boxes are cancelled.
Presenter setPresenter(Presenter presenter);

// A message box with an OK button.
void show(Icon icon, const QString& text, const QString& title = QStringLiteral("Horodex"));
void warning(const QString& text);
void information(const QString& text);

// The one way a window shows a failed Result: its message as an error. True when it failed, so
// that the caller stops: `if (Messages::failed(read)) return;`.
template <typename T> bool failed(const Result<T>& result)
{
    if (result.failed())
        show(Icon::Critical, result.message());
    return result.failed();
}
// Titled "Attention", without an icon: a scrambled password or PIN that cannot be read.
void attention(const QString& text);

// Asks a question with Yes and No; true for Yes. Without a presenter the answer is No.
bool askYesNo(const QString& text, const QString& title = QStringLiteral("Horodex"));

// Asks for a line of text (an input box). Returns false when cancelled.
bool askText(const QString& title, const QString& prompt, QString* answer);

// One of the message window's messages, modal over the window that asks.
void showInWindow(WindowMessage message, QWidget* over);

} // namespace Messages
