#pragma once

#include <QString>

// The outcome of reading one image's text: the text (possibly empty), a
// time-out, or another failure with a message.
class TextReadResult
{
public:
    enum class Status { Read, TimedOut, Failed };

    static TextReadResult read(QString text) { return {Status::Read, std::move(text)}; }
    static TextReadResult timedOut() { return {Status::TimedOut, {}}; }
    static TextReadResult failed(QString message) { return {Status::Failed, std::move(message)}; }

    Status status() const { return m_status; }
    bool ok() const { return m_status == Status::Read; }
    bool isTimedOut() const { return m_status == Status::TimedOut; }
    const QString& text() const { return m_value; }          // when read
    QString message() const { return ok() ? QString() : m_value; }

private:
    TextReadResult(Status status, QString value) : m_status(status), m_value(std::move(value)) {}
    Status m_status;
    QString m_value;
};
