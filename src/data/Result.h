#pragma once

#include <QString>

#include <optional>
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

// A value, or the failure that prevented it.
template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(IoResult failure) : m_failure(std::move(failure)) { m_failure.ok = false; }

    explicit operator bool() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T valueOr(T other) const { return m_value ? *m_value : std::move(other); }
    // Success when there is a value.
    const IoResult& failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    IoResult m_failure;
};

// The answer of a password or PIN check: right or not, and the failure when the stored one could
// not be read (it is then not right).
struct Verdict
{
    bool right = false;
    std::optional<IoResult> failure;

    explicit operator bool() const { return right; }
};
