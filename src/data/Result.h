#pragma once

#include <QString>

#include <optional>
#include <type_traits>
#include <utility>

// Why an operation was not done, as a message for the user that names the file concerned. A
// function that fails returns one (`return Failure{message};`) as its Result.
struct Failure
{
    explicit Failure(QString why) : message(std::move(why)) {}
    QString message;
};

// A problem the user must be told of that still left the value usable (a list without its
// unreadable lines, a PIN check that could not read the stored PIN and so says it is wrong).
struct Warning
{
    explicit Warning(QString why) : message(std::move(why)) {}
    QString message;
};

// Old shape, kept for callers outside the core: a bool that means "done" and the message when not.
struct IoResult
{
    bool ok = true;
    QString error; // human-readable, names the file; empty when ok

    static IoResult success() { return {}; }
    static IoResult failure(const QString& message) { return {false, message}; }
    explicit operator bool() const { return ok; }
};

// The one error type: a value, or the failure that prevented it; a value may come with a warning.
// Result<> (Result<void>) is an operation that gives no value. The core never shows the message;
// the windows and the commands do.
template <typename T = void> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_message(std::move(failure.message)) {}
    Result(T value, Warning warning)
        : m_value(std::move(value)), m_message(std::move(warning.message))
    {
    }
    // Old shape, kept for callers outside the core.
    Result(IoResult failure) : m_message(std::move(failure.error)) {}

    bool ok() const { return m_value.has_value(); }
    bool failed() const { return !ok(); }
    bool hasWarning() const { return ok() && !m_message.isEmpty(); }
    // Why it failed, or the warning; empty for a plain success.
    const QString& message() const { return m_message; }
    // The failure, to return from a function that fails with it.
    Failure error() const { return Failure(m_message); }

    // Not for a yes-or-no answer, where `if (!CheckPin(...))` would read as a wrong PIN when it
    // means that there is no answer: ask it ok() instead.
    explicit operator bool() const requires(!std::is_same_v<T, bool>) { return ok(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }
    T valueOr(T other) const { return m_value ? *m_value : std::move(other); }

    // Old shape, kept for callers outside the core: its bool means "done", so `!x.failure()`
    // means that it failed.
    IoResult failure() const { return {ok(), ok() ? QString() : m_message}; }
    // Old shape, kept for callers outside the core: its bool means "no warning".
    IoResult warning() const { return {!hasWarning(), hasWarning() ? m_message : QString()}; }

private:
    std::optional<T> m_value;
    QString m_message;
};

template <> class Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_ok(false), m_message(std::move(failure.message)) {}
    // Old shape, kept for callers outside the core.
    Result(IoResult old) : m_ok(old.ok), m_message(std::move(old.error)) {}

    bool ok() const { return m_ok; }
    bool failed() const { return !m_ok; }
    bool hasWarning() const { return false; }
    const QString& message() const { return m_message; }
    Failure error() const { return Failure(m_message); }
    explicit operator bool() const { return m_ok; }

    // Old shape, kept for callers outside the core.
    operator IoResult() const { return {m_ok, m_message}; }

private:
    bool m_ok = true;
    QString m_message;
};
