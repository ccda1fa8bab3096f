#pragma once

#include "core/status/MenuBarIcon.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class ScreenCapturePermission;
class ScreenshotManager;

// What the engine's state means to the tray icon and the panel: the icon's
// state, its title, and the panel's status lines. The permission part is
// read at start and every 30 seconds (reading it never asks the user);
// everything else follows the engine at once. No widgets: the rules are
// the static functions, which tests feed directly.
class TrayStatus : public QObject
{
    Q_OBJECT

public:
    static constexpr int kPermissionPollMilliseconds = 30000;

    // The engine's published state that the tray shows.
    struct Facts
    {
        bool capturing = false;
        std::optional<QString> lastError;
        std::optional<qint64> lowSpaceFreeBytes;
        std::optional<QString> missingDisplayName;
        std::optional<QDateTime> nextCaptureAt;
        int todayCount = 0;
        bool hasPermission = true;
    };

    // One line of the panel's status block.
    struct Line
    {
        enum class Kind {
            Status,     // plain
            Secondary,  // dimmed
            Warning,    // red
            Countdown,  // text is "Next in "; the panel appends the live time left
        };
        Kind kind = Kind::Status;
        QString text;
        bool operator==(const Line&) const = default;
    };

    static constexpr const char* kPermissionOffText =
        "Screen Recording permission is off. Capture will fail until you allow it again.";

    static MenuBarIcon::State iconState(const Facts& facts);
    static QList<Line> statusLines(const Facts& facts);
    // "Paused: only 4.2 GB free", with the desktop's file-size units.
    static QString lowSpaceText(qint64 freeBytes);
    // Time left as a clock: "0:09", "4:59", "1:00:00"; never negative.
    static QString countdown(qint64 seconds);

    TrayStatus(ScreenshotManager& engine, ScreenCapturePermission& permission, QObject* parent = nullptr);

    Facts facts() const;
    MenuBarIcon::State state() const { return iconState(facts()); }
    bool hasPermission() const { return m_hasPermission; }
    // Reads the permission again (the panel does when it opens).
    void refreshPermission();

Q_SIGNALS:
    // Any fact changed.
    void changed();

private:
    ScreenshotManager& m_engine;
    ScreenCapturePermission& m_permission;
    bool m_hasPermission = true;
    QTimer m_permissionPoll;
};
