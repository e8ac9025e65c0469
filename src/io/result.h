#ifndef RESULT_H
#define RESULT_H

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <variant>

// Why a step could not give its result, already worded for the user: "capture.csv:12:
// expected a number in column 3, found 'abc'", as a compiler names the place.
struct Failure
{
    QString message;
};

// "file:line: message", or "file: message" where no line is meant (line 0).
inline Failure failureAt(const QString &file, std::int64_t line, const QString &message)
{
    return {line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message)
                     : QStringLiteral("%1: %2").arg(file, message)};
}

// The value of a step that may fail, or the failure that says why. A step returns either
// `T` or `Failure`; the caller tests the result, then takes the value or the message.
template<typename T>
class Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    { }
    Result(Failure failure)
        : m_error(std::move(failure.message))
    { }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const T *operator->() const { return &*m_value; }
    T *operator->() { return &*m_value; }
    const T &operator*() const & { return *m_value; }
    T &operator*() & { return *m_value; }

    const QString &error() const { return m_error; }
    Failure failure() const { return {m_error}; }

private:
    std::optional<T> m_value;
    QString m_error;
};

// The result of a step that gives nothing but success or the reason for its failure.
using Status = Result<std::monostate>;
inline Status success()
{
    return std::monostate {};
}

#endif // RESULT_H
