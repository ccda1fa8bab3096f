#pragma once

#include <QMap>
#include <QString>

#include <optional>

// What one capture produced, for the engine to act on.
//  - success: `count` files written (at least one), the ordinals after this
//    capture, and a message about displays that failed while others worked;
//  - failure: no file was written, with the message why;
//  - displayMissing: the chosen display is not connected; nothing captured.
class CaptureTickResult
{
public:
    enum class Kind { Success, Failure, DisplayMissing };

    static CaptureTickResult success(int count, QMap<QString, int> displayOrdinals,
                                     std::optional<QString> failure = std::nullopt);
    static CaptureTickResult failure(QString message);
    static CaptureTickResult displayMissing(QMap<QString, int> displayOrdinals);

    Kind kind() const { return m_kind; }
    bool isSuccess() const { return m_kind == Kind::Success; }
    bool isFailure() const { return m_kind == Kind::Failure; }
    bool isDisplayMissing() const { return m_kind == Kind::DisplayMissing; }

    int count() const { return m_count; }                                     // success
    const QMap<QString, int>& displayOrdinals() const { return m_ordinals; }  // success, displayMissing
    const std::optional<QString>& failureText() const { return m_message; }   // success (partial), failure
    QString message() const { return m_message.value_or(QString()); }

    bool operator==(const CaptureTickResult&) const = default;

private:
    CaptureTickResult() = default;

    Kind m_kind = Kind::Failure;
    int m_count = 0;
    QMap<QString, int> m_ordinals;
    std::optional<QString> m_message;
};
