#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

// A value or a user-facing error message. Errors travel as values, never as
// exceptions, so they cross threads safely.
template <typename T>
class Result
{
public:
    Result(T value)
        : m_state(std::move(value))
    {
    }
    static Result failure(QString message) { return Result(Error{std::move(message)}); }

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<T>(m_state); }
    T& value() & { return std::get<T>(m_state); }
    T&& value() && { return std::get<T>(std::move(m_state)); }
    const T* operator->() const { return &value(); }
    const T& operator*() const& { return value(); }
    QString error() const { return ok() ? QString() : std::get<Error>(m_state).message; }

private:
    struct Error
    {
        QString message;
    };
    explicit Result(Error error)
        : m_state(std::move(error))
    {
    }
    std::variant<T, Error> m_state;
};

// Success without a value, or a user-facing error message.
template <>
class Result<void>
{
public:
    static Result success() { return Result(std::nullopt); }
    static Result failure(QString message) { return Result(std::move(message)); }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    QString error() const { return m_error.value_or(QString()); }

private:
    explicit Result(std::optional<QString> error)
        : m_error(std::move(error))
    {
    }
    std::optional<QString> m_error;
};
