#pragma once

#include <QString>

#include <optional>
#include <utility>

// Why the core could not do what it was asked: the message for the user, naming the file where
// one is concerned, and that file. The core never shows it; the windows and horodex-report do.
struct Failure
{
    QString message;
    QString file; // empty when no file is concerned
};

// A value, or the failure that prevented it.
template <typename T> class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return m_value.has_value(); }
    const T& value() const { return *m_value; }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T valueOr(T other) const { return m_value ? *m_value : std::move(other); }
    // Empty when there is a value.
    const Failure& failure() const { return m_failure; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

// The answer of a password or PIN check: right or not, and the failure when the stored one could
// not be read (it is then not right).
struct Verdict
{
    bool right = false;
    std::optional<Failure> failure;

    explicit operator bool() const { return right; }
};
