#pragma once

#include "core/shortcuts/Shortcut.h"

#include <QMetaType>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// A named shortcut slot ("toggleCapture") with the shortcut it starts with.
// Names are declared when the registry first meets them: the initial
// shortcut is stored then, unless the settings file already has an entry.
class Name
{
public:
    Name() = default;
    explicit Name(QString rawValue, std::optional<Shortcut> initialShortcut = std::nullopt)
        : m_rawValue(std::move(rawValue))
        , m_initialShortcut(initialShortcut)
    {
    }

    const QString& rawValue() const { return m_rawValue; }
    const std::optional<Shortcut>& initialShortcut() const { return m_initialShortcut; }

    // "KeyboardShortcuts_" + the raw value: the key in the settings file.
    QString settingsKey() const { return QStringLiteral("KeyboardShortcuts_") + m_rawValue; }

    bool operator==(const Name& other) const { return m_rawValue == other.m_rawValue; }

private:
    QString m_rawValue;
    std::optional<Shortcut> m_initialShortcut;
};

enum class EventType { keyDown, keyUp };

}  // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::Name)
