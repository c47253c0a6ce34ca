#pragma once

#include <QString>

#include <optional>
#include <type_traits>
#include <utility>

// The one error type: whether an operation was done and, when it was not, why, as a message for
// the user that names the file concerned. The core never shows it; the windows and the commands
// do.
struct IoResult
{
    bool ok = true;
    QString error; // human-readable, names the file; empty when ok

    static IoResult success() { return {}; }
    static IoResult failure(const QString& message) { return {false, message}; }
    explicit operator bool() const { return ok; }
};

// A value, or the failure that prevented it. A value may come with a warning: a problem the user
// must be told of that still left it usable (a list without its unreadable lines, a PIN check
// that could not read the stored PIN and so says it is wrong).
template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(IoResult failure) : m_failure(std::move(failure)) { m_failure.ok = false; }
    // A warning that is success is none.
    Result(T value, IoResult warning) : m_value(std::move(value)), m_warning(std::move(warning)) {}

    // Not for a yes-or-no answer, where `if (!CheckPin(...))` would read as a wrong PIN when it
    // means that there is no answer: ask it for its failure() instead.
    explicit operator bool() const requires(!std::is_same_v<T, bool>)
    {
        return m_value.has_value();
    }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T valueOr(T other) const { return m_value ? *m_value : std::move(other); }
    // Success when there is a value.
    const IoResult& failure() const { return m_failure; }
    // Success without a value, and with a value that came without a warning.
    const IoResult& warning() const { return m_warning; }

private:
    std::optional<T> m_value;
    IoResult m_failure;
    IoResult m_warning;
};
