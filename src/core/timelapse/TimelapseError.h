#pragma once

#include <QString>

// Why a timelapse export or one of its videos did not complete. Besides the
// exporter's own two cases (no frames, writer failed) it carries a stop by
// cancellation and any other error passed on with its own description.
class TimelapseError
{
public:
    enum class Kind
    {
        noFrames,
        writerFailed,
        cancelled,
        other,
    };

    static TimelapseError noFrames(int days) { return TimelapseError(Kind::noFrames, days, {}); }
    static TimelapseError writerFailed(const QString& message) { return TimelapseError(Kind::writerFailed, 0, message); }
    static TimelapseError cancelled() { return TimelapseError(Kind::cancelled, 0, {}); }
    static TimelapseError other(const QString& description) { return TimelapseError(Kind::other, 0, description); }

    Kind kind() const { return m_kind; }
    int days() const { return m_days; }
    QString message() const { return m_message; }
    // The sentence shown to the user.
    QString description() const;

    bool operator==(const TimelapseError&) const = default;

private:
    TimelapseError(Kind kind, int days, QString message) : m_kind(kind), m_days(days), m_message(std::move(message)) {}

    Kind m_kind;
    int m_days;
    QString m_message;
};
